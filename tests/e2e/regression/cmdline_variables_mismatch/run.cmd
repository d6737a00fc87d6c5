options db=@DB@ user=SYSDBA passwd=masterkey direction=i delimiter=, variables=3
insert into p values (?, ?)
STARTDATA
1,a
