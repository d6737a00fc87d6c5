# Every column type as delimited text; NULL and blank texts are empty fields.
options db=@DB@ user=SYSDBA passwd=masterkey direction=o file=out.txt
options delimiter=; variables=7
select id, sm, n92, c10, v20, d, ts from t order by id
