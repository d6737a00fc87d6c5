# Without lrecl the width runs to the furthest field and each record ends
# with the line end.
options db=@DB@ user=SYSDBA passwd=masterkey direction=o file=out.fix
options variables=3 lineend=u
select id{position=1 size=4}, v20{position=5 size=12},
  ts{position=17 size=19 dateform=17} from t order by id
