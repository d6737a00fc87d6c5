select id, c10, v20, sm, n92, d from t order by id
