select count(*) from p
