# -s appends everything the run prints to the log file.
options db=@DB@ user=SYSDBA passwd=masterkey direction=i delimiter=, variables=2 errors=2
insert into p values (?, ?)
STARTDATA
1,a
x,b
3,c
