# Without a discards file the rejected records are printed.
options db=@DB@ user=SYSDBA passwd=masterkey direction=i file=in.csv
options delimiter=| variables=3 errors=3
insert into t (id, n92, d) values (?, ?, ?)
