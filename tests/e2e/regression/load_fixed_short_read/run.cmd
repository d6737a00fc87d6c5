# A last record shorter than lrecl stops the run and rolls the load back.
options db=@DB@ user=SYSDBA passwd=masterkey direction=i file=in.fix
options lrecl=8 variables=2
insert into p values (?{position=1 size=3}, ?{position=4 size=4})
