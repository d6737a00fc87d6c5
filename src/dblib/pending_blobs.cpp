// pending_blobs.cpp - placeholder for the blob module, which replaces it.
#include "dblib/dbinternal.h"

int CloseBlob(int, QueryRecord *) { return kDbBlobNotFound; }
