# A heading of column names, quoted texts, Unix line ends and two fillers:
# a counter from startcount and a fill character.
options db=@DB@ user=SYSDBA passwd=masterkey direction=o file=out.csv
options delimiter=, quote=" excel lineend=u variables=4 startcount=40
options xtra_fields=2 filler=5;0;enum;7 filler=6;0;x;7
select id, c10, v20, n92 from t order by id
