# A date text wider than its field fails the record, counted against errors.
options db=@DB@ user=SYSDBA passwd=masterkey direction=o file=out.fix
options variables=2 errors=5
select id{position=1 size=2}, d{position=3 size=8 dateform=11} from t order by id
