select id, octet_length(bt), octet_length(bb), hash(bt), hash(bb) from t order by id
