select id, d, ts from t order by id
