select id, n92, d from t order by id
