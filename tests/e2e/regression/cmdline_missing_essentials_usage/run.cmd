# Without a direction the layout cannot be checked: the usage is printed.
options db=@DB@ user=SYSDBA passwd=masterkey delimiter=, variables=1
insert into p (id) values (?)
STARTDATA
1
