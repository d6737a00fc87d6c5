// blobs.cpp - blob I/O: the records of blobList, writing created blobs and
// reading opened ones.
//
//   load:   CreateBlob --> PutBlob / PutBlobPieces --isc_put_segment (segmentSize
//           pieces)--> CloseBlob
//           (the new blob id sits in the input XSQLVAR until ExecuteQuery)
//   unload: blob id in output XSQLVAR --OpenBlob/GetBlobInfo--> GetBlobSegment
//           --isc_get_segment--> workArea --> caller's buffer --> CloseBlob
//
// A stream blob being written gathers its bytes in the work area and writes
// one segment each time the area is full, the rest at close; a segmented one
// has no work area. A blob being read keeps the part of a segment that did
// not fit the caller's buffer in the work area for the next call.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "common/messagesink.h"
#include "dblib/dbinternal.h"
#include "dblib/extras.h"

namespace {

// BlobEntry::state
constexpr short kBlobRegistered = 0;
constexpr short kBlobReading = 1;
constexpr short kBlobWriting = 2;
constexpr short kBlobAtEnd = 3;

// BlobEntry::blobType
constexpr short kBlobSegmented = 0;
constexpr short kBlobStream = 1;

const char kBlobInfoItems[] = {isc_info_blob_num_segments,
                               isc_info_blob_max_segment,
                               isc_info_blob_total_length, isc_info_blob_type,
                               isc_info_end};
const char kStreamBpb[] = {isc_bpb_version1, isc_bpb_type, 1,
                           isc_bpb_type_stream};

// Largest piece isc_put_segment / isc_get_segment can move at once.
constexpr int kMaxSegment = 65535;

bool isBlobVariable(const XSQLVAR *variable);
int blobIndex(const BlobEntry *blob);
void releaseWorkArea(BlobEntry *blob);
void allocateWorkArea(BlobEntry *blob);
int readBlobInformation(BlobEntry *blob);
int putSegment(BlobEntry *blob, const char *data, unsigned short length);
int writeSegments(BlobEntry *blob, const char *data, int length);
int gatherStream(BlobEntry *blob, const char *data, int length);
void markNotNull(BlobEntry *blob);
int deliverLeftOver(BlobEntry *blob, char *destination, int room);
int readSegments(BlobEntry *blob, char *destination, int length, int *done);
unsigned short readLength(const BlobEntry *blob);

}  // namespace

int RegisterBlob(QueryRecord *query, int variable, isc_tr_handle *tr,
                 bool input) {
  int rc = FindTransaction(tr);
  if (rc != kDbOk) return rc;
  rc = FindBlob(variable, query);
  if (rc != kDbBlobNotFound) return rc;  // 0: the existing record is reused
  rc = FindVariable(variable, query, input);
  if (rc != kDbOk) return rc;
  if (!isBlobVariable(currentVariable)) return kDbNotBlob;

  growList(blobCount, &blobCapacity, reinterpret_cast<void **>(&blobList),
           sizeof(BlobEntry));
  BlobEntry &entry = blobList[blobCount++];
  entry = BlobEntry{};
  entry.owner = query;
  entry.variable = static_cast<short>(variable);
  currentBlob = &entry;
  return kDbOk;
}

int CreateBlob(int variable, isc_tr_handle *tr, QueryRecord *query,
               unsigned short segmentSize, short style) {
  if (style < 0 || style > 2) return kDbBlobStyleBad;
  if (segmentSize == 0) return kDbBlobSizeZero;
  int rc = RegisterBlob(query, variable, tr, true);
  if (rc != kDbOk) return rc;
  BlobEntry *blob = currentBlob;
  // A reused record was found without locating its variable.
  rc = FindVariable(variable, query, true);
  if (rc != kDbOk) return rc;
  XSQLVAR *var = currentVariable;

  auto *id = reinterpret_cast<ISC_QUAD *>(var->sqldata);
  std::memset(id, 0, sizeof(ISC_QUAD));
  const bool stream = style == 2;
  const ISC_STATUS result = isc_create_blob2(
      statusVector, currentDatabase, tr, &blob->handle, id,
      stream ? static_cast<short>(sizeof kStreamBpb) : 0,
      stream ? kStreamBpb : nullptr);
  if (storeSqlCode(result) != 0) {
    const int index = blobIndex(blob);
    rc = clientFailure("creating blob", query);
    RemoveBlobEntry(index);
    return rc;
  }
  blob->state = kBlobWriting;
  blob->totalLength = 0;
  blob->segmentSize = segmentSize;
  if (style != 0) blob->blobType = static_cast<short>(style - 1);
  currentBlob = blob;
  rc = GetBlobInfo(variable);
  if (rc != kDbOk) return rc;
  // The variable now holds a real blob, even if nothing is ever written.
  if (var->sqlind != nullptr) *var->sqlind = 0;
  return kDbOk;
}

int PutBlob(QueryRecord *query, const char *data, int length) {
  return PutBlobPieces(query, data, &length, 1);
}

int PutBlobPieces(QueryRecord *query, const char *data, const int *lengths, int count) {
  BlobEntry *blob = currentBlob;
  if (blob == nullptr || blob->owner != query || blob->state != kBlobWriting)
    return kDbBlobNotFound;
  if (count < 0) return kDbBlobSizeBad;
  long long total = 0;
  for (int i = 0; i < count; ++i) {
    if (lengths[i] < 0) return kDbBlobSizeBad;
    total += lengths[i];
  }
  if (total > 0 && data == nullptr) return kDbBlobSizeBad;
  for (int i = 0; i < count; ++i) {
    const int rc = blob->blobType == kBlobStream
                       ? gatherStream(blob, data, lengths[i])
                       : writeSegments(blob, data, lengths[i]);
    if (rc != kDbOk) return rc;
    data += lengths[i];
  }
  markNotNull(blob);
  return kDbOk;
}

int GetBlobInfo(int variable) {
  BlobEntry *blob = currentBlob;
  if (blob == nullptr) return kDbBlobNotFound;
  // A created blob belongs to an input variable, an opened one to a column.
  const bool reading = blob->state != kBlobWriting;
  int rc = FindVariable(variable, blob->owner, !reading);
  if (rc != kDbOk) return rc;
  if (!isBlobVariable(currentVariable)) return kDbNotBlob;
  blob->subtype = currentVariable->sqlsubtype;
  if (reading) {
    rc = readBlobInformation(blob);
    if (rc != kDbOk) return rc;
  }
  // A segmented blob being written goes straight from the caller's bytes.
  if (reading || blob->blobType == kBlobStream)
    allocateWorkArea(blob);
  else
    releaseWorkArea(blob);
  return kDbOk;
}

int GetBlobSegment(int variable, QueryRecord *query, char *destination,
                   int destinationLength, int *delivered) {
  *delivered = 0;
  if (destinationLength < 1) return kDbBlobSizeBad;
  int rc = FindBlob(variable, query);
  if (rc != kDbOk) return rc;
  BlobEntry *blob = currentBlob;
  rc = FindVariable(variable, query, false);
  if (rc != kDbOk) return rc;
  if (!isBlobVariable(currentVariable)) return kDbNotBlob;
  if (blob->state == kBlobAtEnd) return kDbBlobEnd;
  if (blob->state != kBlobReading || blob->workArea == nullptr)
    return kDbBlobNotFound;

  *delivered = deliverLeftOver(blob, destination, destinationLength);
  // A segmented blob hands over what was left of one segment per call.
  if (*delivered > 0 && blob->blobType == kBlobSegmented) return kDbOk;
  return readSegments(blob, destination, destinationLength, delivered);
}

int CloseBlob(int variable, QueryRecord *query) {
  int rc = FindBlob(variable, query);
  if (rc != kDbOk) return rc;
  BlobEntry *blob = currentBlob;
  if (blob->state == kBlobWriting && blob->fillLevel > 0) {
    rc = PutBlob(query, nullptr, 0);
    if (rc != kDbOk) return rc;
  }
  releaseWorkArea(blob);
  if (blob->state >= kBlobReading && blob->state <= kBlobAtEnd) {
    if (storeSqlCode(isc_close_blob(statusVector, &blob->handle)) != 0)
      return clientFailure("closing blob", query);
  }
  RemoveBlobEntry(blobIndex(blob));
  return kDbOk;
}

int OpenBlob(QueryRecord *query, int variable, isc_tr_handle *tr) {
  int rc = RegisterBlob(query, variable, tr, false);
  if (rc != kDbOk) return rc;
  BlobEntry *blob = currentBlob;
  if (blob->state != kBlobRegistered) return kDbBlobEnd;  // already open
  rc = FindVariable(variable, query, false);
  if (rc != kDbOk) return rc;
  auto *id = reinterpret_cast<ISC_QUAD *>(currentVariable->sqldata);
  const ISC_STATUS result = isc_open_blob2(statusVector, currentDatabase, tr,
                                           &blob->handle, id, 0, nullptr);
  if (storeSqlCode(result) != 0) {
    const int index = blobIndex(blob);
    rc = clientFailure("open blob", query);
    RemoveBlobEntry(index);
    return rc;
  }
  blob->state = kBlobReading;
  currentBlob = blob;
  return GetBlobInfo(variable);
}

int GetBlobParameters(int variable, QueryRecord *query, int64_t *totalLength,
                      short *blobType) {
  const int rc = FindBlob(variable, query);
  if (rc != kDbOk) return rc;
  *totalLength = currentBlob->totalLength;
  *blobType = currentBlob->blobType;
  return kDbOk;
}

void RemoveBlobEntry(int index) {
  if (index < 0 || index >= blobCount) return;
  releaseWorkArea(&blobList[index]);
  --blobCount;
  if (index != blobCount) blobList[index] = blobList[blobCount];
  blobList[blobCount] = BlobEntry{};
  currentBlob = nullptr;  // it may have named the record that moved
}

namespace {

bool isBlobVariable(const XSQLVAR *variable) {
  return variable != nullptr && (variable->sqltype & ~1) == SQL_BLOB;
}

int blobIndex(const BlobEntry *blob) { return static_cast<int>(blob - blobList); }

void releaseWorkArea(BlobEntry *blob) {
  std::free(blob->workArea);
  blob->workArea = nullptr;
  blob->fillLevel = 0;
}

void allocateWorkArea(BlobEntry *blob) {
  releaseWorkArea(blob);
  blob->workArea =
      static_cast<char *>(allocZeroed(readLength(blob), "blob work area"));
}

// Segment count, largest segment, total length and type of an opened blob.
int readBlobInformation(BlobEntry *blob) {
  std::memset(infoBuffer, 0, sizeof infoBuffer);
  const ISC_STATUS result = isc_blob_info(
      statusVector, &blob->handle, static_cast<short>(sizeof kBlobInfoItems),
      kBlobInfoItems, static_cast<short>(sizeof infoBuffer), infoBuffer);
  if (storeSqlCode(result) != 0)
    return clientFailure("blob information", blob->owner);
  const long segments = ReadInfoItem("segments", 0, isc_info_blob_num_segments);
  const long largest = ReadInfoItem("blob segsize", 0, isc_info_blob_max_segment);
  const long total = ReadInfoItem("blob_size", 0, isc_info_blob_total_length);
  const long type = ReadInfoItem("blob_type", 0, isc_info_blob_type);
  blob->segmentCount = static_cast<int32_t>(std::max(segments, 0L));
  blob->segmentSize =
      static_cast<unsigned short>(std::clamp(largest, 0L, long{kMaxSegment}));
  blob->totalLength = std::max(total, 0L);
  blob->blobType = type == kBlobStream ? kBlobStream : kBlobSegmented;
  return kDbOk;
}

int putSegment(BlobEntry *blob, const char *data, unsigned short length) {
  if (storeSqlCode(isc_put_segment(statusVector, &blob->handle, length, data)) != 0)
    return clientFailure("writing blob segment", blob->owner);
  blob->totalLength += length;
  return kDbOk;
}

int writeSegments(BlobEntry *blob, const char *data, int length) {
  while (length > 0) {
    const int n = std::min<int>(blob->segmentSize, length);
    const int rc = putSegment(blob, data, static_cast<unsigned short>(n));
    if (rc != kDbOk) return rc;
    data += n;
    length -= n;
  }
  return kDbOk;
}

// Stream blobs: fill the work area, write it whenever it is full; a call with
// no bytes writes what is held.
int gatherStream(BlobEntry *blob, const char *data, int length) {
  if (blob->workArea == nullptr) return kDbBlobNotFound;
  if (length == 0) {
    if (blob->fillLevel == 0) return kDbOk;
    const int rc = putSegment(blob, blob->workArea, blob->fillLevel);
    if (rc == kDbOk) blob->fillLevel = 0;
    return rc;
  }
  while (length > 0) {
    const int n = std::min<int>(blob->segmentSize - blob->fillLevel, length);
    std::memcpy(blob->workArea + blob->fillLevel, data, static_cast<size_t>(n));
    blob->fillLevel = static_cast<unsigned short>(blob->fillLevel + n);
    data += n;
    length -= n;
    if (blob->fillLevel == blob->segmentSize) {
      const int rc = putSegment(blob, blob->workArea, blob->fillLevel);
      if (rc != kDbOk) return rc;
      blob->fillLevel = 0;
    }
  }
  return kDbOk;
}

// The blob's own input variable is no longer NULL.
void markNotNull(BlobEntry *blob) {
  if (FindVariable(blob->variable, blob->owner, true) != kDbOk) return;
  if (currentVariable->sqlind != nullptr) *currentVariable->sqlind = 0;
}

// Moves up to `room` bytes held back by the previous read to the
// destination; the rest moves to the start of the work area.
int deliverLeftOver(BlobEntry *blob, char *destination, int room) {
  const int n = std::min<int>(blob->fillLevel, room);
  if (n == 0) return 0;
  std::memcpy(destination, blob->workArea, static_cast<size_t>(n));
  const int rest = blob->fillLevel - n;
  std::memmove(blob->workArea, blob->workArea + n, static_cast<size_t>(rest));
  blob->fillLevel = static_cast<unsigned short>(rest);
  return n;
}

// Reads segments into the destination after the `*done` bytes already there
// until it is full or the blob ends (state 3); the part of a segment that did
// not fit stays in the work area. *done counts the bytes delivered.
int readSegments(BlobEntry *blob, char *destination, int length, int *done) {
  while (*done < length) {
    unsigned short got = 0;
    const ISC_STATUS result = isc_get_segment(
        statusVector, &blob->handle, &got, readLength(blob), blob->workArea);
    storeSqlCode(result);
    if (result == isc_segstr_eof) {
      if (got > 0)
        printMessage(dbMessages(), "We got EOF but some data too!!!!!!!!\r\n");
      blob->state = kBlobAtEnd;
      return kDbOk;
    }
    // isc_segment: the buffer held only part of a segment; the rest follows.
    if (result != 0 && result != isc_segment)
      return clientFailure("reading blob segment", blob->owner);
    const int fit = std::min<int>(got, length - *done);
    std::memcpy(destination + *done, blob->workArea, static_cast<size_t>(fit));
    *done += fit;
    if (fit < got) {
      std::memmove(blob->workArea, blob->workArea + fit,
                   static_cast<size_t>(got - fit));
      blob->fillLevel = static_cast<unsigned short>(got - fit);
    }
  }
  return kDbOk;
}

// Size of the work area and of each segment read. An empty blob reports no
// largest segment; one byte keeps the reads meaningful.
unsigned short readLength(const BlobEntry *blob) {
  return blob->segmentSize > 0 ? blob->segmentSize : 1;
}

}  // namespace
