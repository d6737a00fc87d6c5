# Bad switches are reported and ignored; the run goes on.
options db=@DB@ user=SYSDBA passwd=masterkey direction=i delimiter=, variables=2
insert into p values (?, ?)
STARTDATA
1,a
