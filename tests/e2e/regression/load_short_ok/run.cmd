# short_ok: missing trailing fields are NULL, each one counted as short.
options db=@DB@ user=SYSDBA passwd=masterkey direction=i delimiter=, variables=4 short_ok
insert into t (id, sm, v20, d) values (?, ?, ?, ?)
STARTDATA
1,2,full,01/01/2000
2,3,three
3,4
4
5,,,
