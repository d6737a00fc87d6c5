# Generated counters from startcount and the run's date; the record feeds
# only the remaining parameter.
options db=@DB@ user=SYSDBA passwd=masterkey direction=i delimiter=, variables=4 startcount=100
insert into t (id, v20, sm, d) values (?{enum}, ?, ?{enum}, ?{sysdate})
STARTDATA
a
b
c
