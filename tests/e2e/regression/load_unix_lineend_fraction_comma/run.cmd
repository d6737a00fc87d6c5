# -l u ends messages with a line feed; -m reads a comma as the decimal point.
options db=@DB@ user=SYSDBA passwd=masterkey direction=i file=in.txt
options delimiter=; variables=2 errors=2
insert into t (id, n92) values (?, ?)
