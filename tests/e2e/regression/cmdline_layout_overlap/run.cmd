options db=@DB@ user=SYSDBA passwd=masterkey direction=o file=out.txt variables=2
select id{position=1 size=10}, name{position=9 size=10} from p
