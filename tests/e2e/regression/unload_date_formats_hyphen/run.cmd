# Every text date format, with hyphens (-h).
options db=@DB@ user=SYSDBA passwd=masterkey direction=o file=out.txt
options delimiter=, variables=8
select id, ts{dateform=11}, ts{dateform=12}, ts{dateform=13}, ts{dateform=14},
  d{dateform=15}, d, ts{dateform=17} from t order by id
