insert into p values (1, 'one'); insert into p values (2, null);
