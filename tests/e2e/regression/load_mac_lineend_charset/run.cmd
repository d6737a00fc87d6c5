# -l m ends messages with a carriage return alone; -t sets the connection
# character set; -r shows in the settings report only.
options db=@DB@ user=SYSDBA passwd=masterkey direction=i delimiter=, variables=2 errors=2
insert into p values (?, ?)
STARTDATA
1,a
2,far too long a name
3,c
