select * from dates order by id
