# A heading line, then two records passed over, then three loaded.
options db=@DB@ user=SYSDBA passwd=masterkey direction=i delimiter=, variables=2 excel skip=2 rows=3
insert into p values (?, ?)
STARTDATA
ID,NAME

1,skipped
2,skipped

3,c
4,d
5,e
6,f
7,g
