# Each date format on input, separators blank, -, / and : alike, month
# names in any case, two-digit years split at 50.
options db=@DB@ user=SYSDBA passwd=masterkey direction=i file=in.csv
options delimiter=, variables=8 year=50 errors=3 discards=bad.csv
insert into dates values (?, ?{dateform=11}, ?{dateform=12}, ?{dateform=13},
  ?{dateform=14}, ?{dateform=15}, ?, ?{dateform=17})
