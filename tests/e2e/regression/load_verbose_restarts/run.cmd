# -v: the settings reports, the SQL before and after completion and a line
# per transaction restart.
options db=@DB@ user=SYSDBA passwd=masterkey direction=i file=in.csv
options delimiter=, variables=2 trans=100 errors=2 discards=bad.csv
insert into p
  values (?, ?)
