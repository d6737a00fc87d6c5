// blobload.cpp - loading a blob column from the file its field names.
//
//   fieldBuffer (file name) --open--> blob file --64 KiB blocks--> blobWorkArea
//       line forms:   lines found with memchr --PutBlobPieces (a segment per line piece)
//       stream forms: --PutBlob (segments of 32 KiB or blob_size)
//       --> new blob, whose id waits in the input variable until the statement executes
//
// When no file of that name can be opened the name itself is the content.
// inputBuffer is never touched: the record in it is still being parsed. The
// blob and its variable are located once per blob, never per segment.
#include "load/blobload.h"

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

// Files are read in blocks of this size into blobWorkArea; a line piece or a
// segment left unfinished at the end of a block moves to its start first.
constexpr int kBlobBlockSize = 64 * 1024;

// Line forms: the longest line piece (the largest blob_size less one).
constexpr int kLongestLinePiece = 4087;

// Stream forms without blob_size are written in segments of this size.
constexpr int kStreamSegment = 32 * 1024;
static_assert(kStreamSegment <= kBlobBlockSize && kLongestLinePiece < kBlobBlockSize,
              "a block holds a whole segment or line piece");

// Line pieces handed to PutBlobPieces at once.
constexpr int kPiecesPerWrite = 512;

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
int streamSegmentSize(const FieldSpec &spec);
void putPieces(int variable, const char *data, const int *lengths, int count);
void writeText(int variable, const char *data, int length, int pieceSize);
long long copyLines(int variable, int limit, FILE *file);
long long copyBlocks(int variable, int segmentSize, FILE *file);

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

  // Line forms keep the run's segment size, at most one line piece a segment.
  const int segmentSize = source.lineMode ? job.defaultBlobSegmentSize : streamSegmentSize(spec);
  const short style = source.lineMode ? 0 : 1;
  int rc = CreateBlob(variable, &job.transactionHandle, &job.queryRecord,
                      static_cast<unsigned short>(segmentSize), style);
  if (rc != kDbOk) failDblib(rc, "creating blob", variable);
  // The new blob is the one every write below goes to.
  rc = FindBlob(variable, &job.queryRecord);
  if (rc != kDbOk) failDblib(rc, "writing blob segment", variable);

  long long written = nameLength;
  if (source.file == nullptr)
    writeText(variable, name, nameLength, source.lineMode ? spec.blobSegmentSize : nameLength);
  else if (source.lineMode)
    written = copyLines(variable, std::clamp(spec.blobSegmentSize - 1, 1, kLongestLinePiece),
                        source.file);
  else
    written = copyBlocks(variable, segmentSize, source.file);

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

// The segment size of a stream form: blob_size when the field gives one.
int streamSegmentSize(const FieldSpec &spec) {
  return spec.blobSegmentSize > 0 ? std::min<int>(spec.blobSegmentSize, kStreamSegment)
                                  : kStreamSegment;
}

// Writes the pieces to the current blob; returns only on success.
void putPieces(int variable, const char *data, const int *lengths, int count) {
  const int rc = PutBlobPieces(&job.queryRecord, data, lengths, count);
  if (rc != kDbOk) failDblib(rc, "writing blob segment", variable);
}

// The field text as the content, in pieces of pieceSize bytes.
void writeText(int variable, const char *data, int length, int pieceSize) {
  const int size = std::max(pieceSize, 1);
  int lengths[kPiecesPerWrite];
  while (length > 0) {
    int count = 0;
    int taken = 0;
    for (; taken < length && count < kPiecesPerWrite; taken += lengths[count++])
      lengths[count] = std::min(size, length - taken);
    putPieces(variable, data, lengths, count);
    data += taken;
    length -= taken;
  }
}

// Fills the work area behind the `held` bytes a previous block left with
// the file's next bytes; returns the bytes now in it, *atEnd once the file
// gave fewer than there was room for.
int fillBlock(char *area, int held, FILE *file, bool *atEnd) {
  const size_t room = static_cast<size_t>(kBlobBlockSize - held);
  const size_t got = std::fread(area + held, 1, room, file);
  *atEnd = got < room;
  return held + static_cast<int>(got);
}

// Line forms: every line, its line feed included, is a piece of its own; a
// line longer than `limit` bytes arrives in pieces of `limit`. The file is
// read in blocks and the lines found with memchr; a line the block cuts off
// moves to the start of the work area and is completed by the next block.
// Returns the bytes written.
long long copyLines(int variable, int limit, FILE *file) {
  char *const area = job.blobWorkArea;
  int lengths[kPiecesPerWrite];
  long long total = 0;
  int held = 0;  // bytes of an unfinished line at the start of the area
  bool atEnd = false;
  while (!atEnd) {
    const int filled = fillBlock(area, held, file, &atEnd);
    int written = 0;  // bytes handed to the blob
    int next = 0;     // first byte of the next piece
    int count = 0;
    while (next < filled) {
      const int scan = std::min(filled - next, limit);
      const void *feed = std::memchr(area + next, '\n', static_cast<size_t>(scan));
      int piece = scan;
      if (feed != nullptr)
        piece = static_cast<int>(static_cast<const char *>(feed) - (area + next)) + 1;
      else if (scan < limit && !atEnd)
        break;  // the rest of this line is in the next block
      lengths[count++] = piece;
      next += piece;
      if (count == kPiecesPerWrite) {
        putPieces(variable, area + written, lengths, count);
        written = next;
        count = 0;
      }
    }
    if (count > 0) putPieces(variable, area + written, lengths, count);
    total += next;
    held = filled - next;
    std::memmove(area, area + next, static_cast<size_t>(held));
  }
  return total;
}

// Stream forms: the file in blocks, written in segments of segmentSize bytes
// (the last one shorter); a part segment at the end of a block waits for the
// next block. Returns the bytes written.
long long copyBlocks(int variable, int segmentSize, FILE *file) {
  char *const area = job.blobWorkArea;
  long long total = 0;
  int held = 0;  // bytes of an unfinished segment at the start of the area
  bool atEnd = false;
  while (!atEnd) {
    const int filled = fillBlock(area, held, file, &atEnd);
    const int whole = atEnd ? filled : filled - filled % segmentSize;
    if (whole > 0) putPieces(variable, area, &whole, 1);
    total += whole;
    held = filled - whole;
    std::memmove(area, area + whole, static_cast<size_t>(held));
  }
  return total;
}

}  // namespace
