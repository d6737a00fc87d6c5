# Load a comma-separated file; dates are day first (the default format 16).
# A comma inside a field is written \, and short_ok loads a missing last
# field as NULL.
options db=@DB@ user=SYSDBA passwd=masterkey direction=i file=@DIR@/people.csv
options delimiter=, variables=5 trans=1000 errors=5 short_ok
insert into people (id, name, balance, born, note)
  values (?, ?, ?, ?, ?)
