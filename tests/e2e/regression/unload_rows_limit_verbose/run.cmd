# rows stops after two rows; -v shows the settings reports.
options db=@DB@ user=SYSDBA passwd=masterkey direction=o file=out.txt
options delimiter=x9 variables=2 rows=2
select id, v20 from t order by id
