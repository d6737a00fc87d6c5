# Blob fields name files; a name that cannot be opened is loaded as text; an
# empty field rejects the record.
options db=@DB@ user=SYSDBA passwd=masterkey direction=i file=in.csv
options delimiter=, variables=3 errors=3 discards=bad.csv
insert into t (id, bt, bb) values (?, ?{ascii_blob}, ?{blob_stream})
