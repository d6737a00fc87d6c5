select id, sm, v20, d from t order by id
