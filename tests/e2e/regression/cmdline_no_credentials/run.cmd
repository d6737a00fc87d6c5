options db=@DB@ direction=i delimiter=, variables=2
insert into p values (?, ?)
STARTDATA
1,a
