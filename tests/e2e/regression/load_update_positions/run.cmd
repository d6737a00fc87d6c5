# Field numbers put the record's fields in the statement's order.
options db=@DB@ user=SYSDBA passwd=masterkey direction=i delimiter=, variables=2
update p set name = ?{position=2} where id = ?{position=1}
STARTDATA
2,deux
1,un
3,trois
