# A text wider than its field stops the run.
options db=@DB@ user=SYSDBA passwd=masterkey direction=o file=out.fix
options variables=2 errors=5
select id{position=1 size=2}, v20{position=3 size=5} from t order by id
