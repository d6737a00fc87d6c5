# Rejected records go to the discards file; five rejects are allowed.
options db=@DB@ user=SYSDBA passwd=masterkey direction=i file=in.csv
options delimiter=, variables=4 errors=5 discards=bad.csv
insert into t (id, sm, v20, d) values (?, ?, ?, ?)
