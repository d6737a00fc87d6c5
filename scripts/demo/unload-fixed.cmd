# Unload the table as fixed-size records: every field at its first byte and
# size, numbers right-aligned with zeros, dates day first. Without lrecl the
# width is computed from the furthest field and a line feed ends each record.
options db=@DB@ user=SYSDBA passwd=masterkey direction=o file=@DIR@/people-out.fix
options variables=5 lineend=u
select id{position=1 size=4}, name{position=5 size=20}, balance{position=25 size=10},
  born{position=35 size=10 dateform=16}, note{position=45 size=30} from people order by id
