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
#include <linux/openat2.h>
#include <limits.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "dblib/dbfuncs.h"
#include "dblib/extras.h"
#include "job/messages.h"
#include "job/run.h"
#include "job/settings.h"
#include "job/textfile.h"
#include "rejects/reasons.h"

namespace {

// Block mode reads the file in blocks of this size; it is also the size of
// blobWorkArea, which holds one block or one line piece.
constexpr int kBlobBlockSize = 4088;

struct BlobSource {
  FILE *file = nullptr;  // null: the field text is the content
  bool lineMode = false;
  bool binary = false;
  bool outsideBlobDir = false;  // refused: the name leaves blobdir
};

int trimmedFieldText();
BlobSource openBlobSource(const FieldSpec &spec, const char *name);
int openBlobName(const char *name);
int openBeneath(int folder, const char *name);
FILE *openRegularFile(int fd, const char *name, const char *mode);
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
  if (source.outsideBlobDir) {
    REJECTION_MESSAGE(spec.sqlField, spec.position, name, nameLength,
                      "blob file name of record %d leaves blobdir <%s>: %s%s", job.recordCount,
                      job.blobDir, name, job.lineEnd);
    return kBlobRefused;
  }
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
  const int fd = openBlobName(name);
  if (fd < 0 && errno == EXDEV) {
    source.outsideBlobDir = true;
    return source;
  }
  FILE *file = openRegularFile(fd, name, mode);
  if (file == nullptr) {
    ++job.blobErrorCount;
    return source;
  }
  source.file = skipByteOrderMark(file, name, mode);
  return source;
}

// A FIFO without a writer, or a device without data, would hold the load
// forever: the name is opened without blocking. With blobdir, a name that
// leaves the folder fails with EXDEV.
int openBlobName(const char *name) {
  if (job.blobDirFd < 0) return open(name, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  return openBeneath(job.blobDirFd, name);
}

// Resolves `name` under the folder: no absolute name, no "..", no symbolic
// link that points out of it, at any step, checked by the kernel as it
// walks the path (openat2 RESOLVE_BENEATH); without openat2 (Linux before
// 5.6) the real path of the name must lie inside the real path of the folder.
int openBeneath(int folder, const char *name) {
  struct open_how how = {};
  how.flags = O_RDONLY | O_NONBLOCK | O_CLOEXEC;
  how.resolve = RESOLVE_BENEATH | RESOLVE_NO_MAGICLINKS;
  const long fd = syscall(SYS_openat2, folder, name, &how, sizeof how);
  if (fd >= 0 || errno != ENOSYS) return static_cast<int>(fd);
  if (name[0] == '/') {
    errno = EXDEV;
    return -1;
  }
  char base[PATH_MAX];
  char link[64];
  std::snprintf(link, sizeof link, "/proc/self/fd/%d", folder);
  const ssize_t length = readlink(link, base, sizeof base - 1);
  if (length <= 0) return -1;
  base[length] = '\0';
  const std::string joined = std::string(base) + "/" + name;
  char real[PATH_MAX];
  if (realpath(joined.c_str(), real) == nullptr) return -1;
  const size_t baseLength = std::strlen(base);
  if (std::strncmp(real, base, baseLength) != 0 || real[baseLength] != '/') {
    errno = EXDEV;
    return -1;
  }
  return open(real, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
}

// Anything but a regular file is refused (reported, its text then becomes
// the content).
FILE *openRegularFile(int fd, const char *name, const char *mode) {
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
