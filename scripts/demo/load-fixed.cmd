# Load fixed-size records of 75 bytes (the line feed included): every field
# is placed by its first byte and size.
options db=@DB@ user=SYSDBA passwd=masterkey direction=i file=@DIR@/people.fix
options lrecl=75 variables=5 trans=1000 errors=5
insert into people (id, name, balance, born, note)
  values (?{position=1 size=4}, ?{position=5 size=20}, ?{position=25 size=10},
          ?{position=35 size=10 dateform=16}, ?{position=45 size=30})
