# Blob columns without a brace group: -a makes them text blobs, -b sets
# their segment size; blob_size names a segment size per field.
options db=@DB@ user=SYSDBA passwd=masterkey direction=i file=in.csv
options delimiter=, variables=3
insert into t (id, bt, bb) values (?, ?, ?{blob_size=100})
