# trans must lie between 100 and 20000: the options line stops the run.
options db=@DB@ user=SYSDBA passwd=masterkey direction=i delimiter=, variables=2 trans=5
insert into p values (?, ?)
STARTDATA
1,a
