select id, n92 from t order by id
