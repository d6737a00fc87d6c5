create table t (id integer not null primary key, sm smallint, n92 numeric(9,2),
  c10 char(10), v20 varchar(20), d date, ts timestamp, bt blob sub_type text, bb blob);
create table p (id integer not null primary key, name varchar(10));
