select id, v20, sm, iif(d = current_date, 'today', 'not today') from t order by id
