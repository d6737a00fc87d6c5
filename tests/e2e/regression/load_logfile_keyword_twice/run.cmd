# logfile moves the messages into a file; a second one says so there and
# takes over.
options logfile=first.log
options logfile=second.log
options db=@DB@ user=SYSDBA passwd=masterkey direction=i delimiter=, variables=2 errors=2
insert into p values (?, ?)
STARTDATA
1,a
x,b
