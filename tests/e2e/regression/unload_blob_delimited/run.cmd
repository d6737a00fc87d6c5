# A text blob in a delimited record; line breaks become bytes 1 and 2.
options db=@DB@ user=SYSDBA passwd=masterkey direction=o file=out.txt lineend=p
options delimiter=| variables=2
select id, bt from t order by id
