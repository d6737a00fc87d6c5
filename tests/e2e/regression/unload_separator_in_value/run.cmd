# Without quoting, a value holding the separator makes a record with too
# many separators: it is rejected.
options db=@DB@ user=SYSDBA passwd=masterkey direction=o file=out.csv
options delimiter=, variables=2 errors=5 discards=bad.csv
select id, c10 from t order by id
