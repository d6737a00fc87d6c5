# A filler needs variables and xtra_fields first.
options db=@DB@ user=SYSDBA passwd=masterkey direction=o file=out.txt delimiter=,
options filler=2;0;enum;7
options variables=1 xtra_fields=1
select id from p
