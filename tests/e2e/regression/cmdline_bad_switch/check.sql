select id, name from p
