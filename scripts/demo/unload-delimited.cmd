# Unload the table as a comma-separated file headed by the column names
# (excel). Texts are quoted, so a comma inside one stays data; a counter
# filler adds a sixth field numbering the rows.
options db=@DB@ user=SYSDBA passwd=masterkey direction=o file=@DIR@/people-out.csv
options delimiter=, quote=" excel lineend=u variables=5 xtra_fields=1 filler=6;0;enum;7
select id, name, balance, born, note from people order by id
