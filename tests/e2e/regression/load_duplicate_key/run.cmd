# A statement the database refuses stops the run whatever errors allows.
options db=@DB@ user=SYSDBA passwd=masterkey direction=i delimiter=, variables=2 errors=10
insert into p values (?, ?)
STARTDATA
1,a
2,b
1,again
3,c
