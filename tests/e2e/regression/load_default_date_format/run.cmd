# -f sets the format of date fields that name none.
options db=@DB@ user=SYSDBA passwd=masterkey direction=i file=in.csv
options delimiter=, variables=3
insert into t (id, d, ts) values (?, ?, ?)
