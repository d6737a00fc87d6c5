// blobload.cpp - loading a blob column from the file its field names.
//
//   fieldBuffer (file name) --fopen--> blob file --lines or blocks--> blobWorkArea
//       --writeBlobText (blobSegmentSize pieces)--> PutBlob --> new blob,
//       whose id waits in the input variable until the statement executes
//
// When no file of that name can be opened the name itself is the content.
// inputBuffer is never touched: the record in it is still being parsed.
#include "load/blobload.h"
#include "load/reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "dblib/dbfuncs.h"
#include "dblib/extras.h"
#include "job/messages.h"
#include "job/run.h"
#include "job/settings.h"
#include "job/textfile.h"

namespace {

// Block mode reads the file in blocks of this size; it is also the size of
// blobWorkArea, which holds one block or one line piece.
constexpr int kBlobBlockSize = 4088;

struct BlobSource {
  FILE *file = nullptr;  // null: the field text is the content
  bool lineMode = false;
  bool binary = false;
};

int trimmedFieldText();
BlobSource openBlobSource(const FieldSpec &spec, const char *name);
FILE *openRegularFile(const char *name, const char *mode);
long long copyLines(int index, FILE *file);
long long copyBlocks(int index, FILE *file);

}  // namespace

int loadBlobField(int index, int variable) {
  const FieldSpec &spec = job.fieldTable[index];
  const char *name = job.fieldBuffer;
  const int nameLength = trimmedFieldText();
  if (nameLength == 0) {
    ++job.blobsWithoutFile;
    return -1;
  }

  const BlobSource source = openBlobSource(spec, name);
  if (job.blobWorkArea == nullptr)
    job.blobWorkArea = static_cast<char *>(allocZeroed(kBlobBlockSize, "blob work area"));

  const short style = source.lineMode ? 0 : 1;
  int rc = CreateBlob(variable, &job.transactionHandle, &job.queryRecord,
                      job.defaultBlobSegmentSize, style);
  if (rc != kDbOk) failDblib(rc, "creating blob", variable);

  long long written = nameLength;
  if (source.file == nullptr)
    writeBlobText(index, name, nameLength);
  else if (source.lineMode)
    written = copyLines(index, source.file);
  else
    written = copyBlocks(index, source.file);

  if (source.file != nullptr && std::ferror(source.file)) {
    LOCATED_MESSAGE("error reading blob file <%s>%s", name, job.lineEnd);
    abortRun();
  }
  rc = CloseBlob(variable, &job.queryRecord);
  if (rc != kDbOk) failDblib(rc, "closing blob", variable);

  ++job.blobsLoaded;
  if (source.file != nullptr) std::fclose(source.file);
  if (job.verbose)
    message(" Blob for column %2d of size %9lld loaded from: %s%s", variable,
            written, name, job.lineEnd);
  return 0;
}

void writeBlobText(int index, const char *data, int length) {
  const FieldSpec &spec = job.fieldTable[index];
  while (length > 0) {
    const int n = std::min<int>(spec.blobSegmentSize, length);
    int rc = kDbBlobSizeBad;
    if (n > 0) {
      // A blob record exists only for a blob variable, so finding it also
      // proves the variable's type.
      rc = FindVariable(spec.sqlField, &job.queryRecord, true);
      if (rc == kDbOk) rc = FindBlob(spec.sqlField, &job.queryRecord);
      if (rc == kDbOk) rc = PutBlob(&job.queryRecord, data, n);
    }
    if (rc != kDbOk) failDblib(rc, "writing blob segment", spec.sqlField);
    data += n;
    length -= n;
  }
}

namespace {

// Cuts the trailing blanks off the text in fieldBuffer; returns its length.
int trimmedFieldText() {
  char *text = job.fieldBuffer;
  size_t length = strnlen(text, kBufferSize - 1);
  while (length > 0 && text[length - 1] == ' ') --length;
  text[length] = '\0';
  return static_cast<int>(length);
}

// Opens the named file in the form's mode (binary forms byte for byte) and
// passes a leading byte-order mark, as for every file read. A name that
// cannot be opened, or names no regular file, is reported and its text
// becomes the content.
BlobSource openBlobSource(const FieldSpec &spec, const char *name) {
  BlobSource source;
  source.lineMode = spec.format == kFormatAsciiBlob || spec.format == kFormatBinaryBlob;
  source.binary = spec.format == kFormatBinaryBlob || spec.format == kFormatBinaryBlobStream;
  const char *mode = source.binary ? "rb" : "r";
  FILE *file = openRegularFile(name, mode);
  if (file == nullptr) {
    ++job.blobErrorCount;
    return source;
  }
  source.file = skipByteOrderMark(file, name, mode);
  return source;
}

// A FIFO without a writer, or a device without data, would hold the load
// forever: the name is opened without blocking and anything but a regular
// file is refused (reported, its text then becomes the content).
FILE *openRegularFile(const char *name, const char *mode) {
  const int fd = open(name, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  struct stat status;
  if (fd < 0 || fstat(fd, &status) != 0 || S_ISDIR(status.st_mode)) {
    if (fd >= 0) close(fd);
    message("Lodrun: open failed (using text as string): %s%s", name, job.lineEnd);
    return nullptr;
  }
  if (!S_ISREG(status.st_mode)) {
    close(fd);
    message("Lodrun: not a regular file (using text as string): %s%s", name, job.lineEnd);
    return nullptr;
  }
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  FILE *file = fdopen(fd, mode);
  if (file == nullptr) {
    close(fd);
    message("Lodrun: open failed (using text as string): %s%s", name, job.lineEnd);
  }
  return file;
}

// Line mode: pieces of at most blobSegmentSize - 1 bytes, each line feed
// kept with its piece. Returns the bytes written.
long long copyLines(int index, FILE *file) {
  const int limit = std::clamp(job.fieldTable[index].blobSegmentSize - 1, 1, kBlobBlockSize);
  long long total = 0;
  for (;;) {
    const int n = readLineBytes(file, job.blobWorkArea, limit);
    if (n == 0) break;
    writeBlobText(index, job.blobWorkArea, n);
    total += n;
  }
  return total;
}

// Block mode: blocks of kBlobBlockSize bytes until a short one. Returns the
// bytes written.
long long copyBlocks(int index, FILE *file) {
  long long total = 0;
  for (;;) {
    const size_t n = std::fread(job.blobWorkArea, 1, kBlobBlockSize, file);
    if (n > 0) writeBlobText(index, job.blobWorkArea, static_cast<int>(n));
    total += static_cast<long long>(n);
    if (n < static_cast<size_t>(kBlobBlockSize)) break;
  }
  return total;
}

}  // namespace
