select id, bt, char_length(bb), octet_length(bt), hash(bb) from t order by id
