# Comments, a hash as a separator value, a value set twice (a warning),
# unknown words ignored, verbose from the keyword.
# a comment line
options db=@DB@ user=SYSDBA passwd=masterkey direction=i delimiter=# variables=2 # trailing comment
options variables=2 colour=blue trans=200 verbose
options discards=bad.txt errors=2
insert into p values (?, ?) # the statement
STARTDATA
1#a
2#b#extra
3#c
