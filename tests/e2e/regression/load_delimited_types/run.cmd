# Every column type of the table from a comma-separated file.
options db=@DB@ user=SYSDBA passwd=masterkey direction=i file=in.csv
options delimiter=, variables=7
insert into t (id, sm, n92, c10, v20, d, ts)
  values (?, ?, ?, ?, ?, ?, ?{dateform=17})
