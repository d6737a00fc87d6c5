select id, name from p order by id
