insert into t (id, sm, n92, c10, v20, d, ts, bt) values (1, -7, 12.5, 'abc', 'hello world', '1999-12-31', '2003-02-01 04:05:06', 'some text');
insert into t (id, sm, n92, c10, v20, d, ts, bt) values (2, 32767, -0.25, '', '', '2000-02-29', '1999-12-31 23:59:59', 'two
lines');
insert into t (id) values (3);
insert into t (id, sm, n92, c10, v20, d, ts) values (4, 0, 7, 'a,b', 'say "hi"', '2001-01-01', '2001-01-01 00:00:00');
