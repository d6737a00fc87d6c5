# Exact records of lrecl bytes without line ends: texts left-aligned,
# numbers right-aligned with zeros, binary integers, fillers of each kind.
options db=@DB@ user=SYSDBA passwd=masterkey direction=o file=out.fix
options variables=5 pad=* lrecl=50 xtra_fields=2 startcount=7
options filler=41;44;enum;7 filler=45;48;-;7
select id{position=1 size=4}, sm{position=5 size=2 external=int},
  c10{position=7 size=10}, n92{position=17 size=8},
  d{position=25 size=10 dateform=11} from t order by id
