# Quotes, escapes, leading blanks and dollars, control bytes, line ends.
options db=@DB@ user=SYSDBA passwd=masterkey direction=i file=in.csv
options delimiter=, variables=2
insert into p values (?, ?)
