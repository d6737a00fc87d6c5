# With quote=' the single quote encloses a field and the double is data.
options db=@DB@ user=SYSDBA passwd=masterkey direction=i file=in.csv
options delimiter=; variables=2 quote='
insert into p values (?, ?)
