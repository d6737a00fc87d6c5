create table dates (id integer, d11 date, d12 date, t13 timestamp, t14 timestamp,
  d15 date, d16 date, t17 timestamp);
