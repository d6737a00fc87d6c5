# The first reject stops the run (errors defaults to 1); what the restart
# after record 100 committed stays, the rest is rolled back.
options db=@DB@ user=SYSDBA passwd=masterkey direction=i file=in.csv
options delimiter=, variables=2 trans=100 discards=bad.csv
insert into p values (?, ?)
