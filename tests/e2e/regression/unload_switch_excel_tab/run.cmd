# Switches alone make a tab-separated unload with a heading line.
options db=@DB@ user=SYSDBA passwd=masterkey direction=o file=out.tsv
select id, name from p order by id
