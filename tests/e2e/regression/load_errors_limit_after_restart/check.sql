select count(*), min(id), max(id) from p
