# Fixed-size records of 40 bytes with the line feed: text keeps its
# trailing blanks; binary integers and an integer date; a reject writes the
# record's bytes to the discards.
options db=@DB@ user=SYSDBA passwd=masterkey direction=i file=in.fix
options lrecl=40 variables=6 errors=3 discards=bad.fix
insert into t (id, c10, v20, sm, n92, d)
  values (?{position=1 size=4}, ?{position=5 size=10}, ?{position=15 size=10},
          ?{position=25 size=2 external=int}, ?{position=27 size=6},
          ?{position=33 size=4 external=int dateform=20})
