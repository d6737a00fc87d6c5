// compressedfile.cpp - see compressedfile.h.
//
//   read:  file --fread 128 KiB--> in --decompress--> caller's buffer
//   write: caller's bytes --compress--> out 128 KiB --fwrite--> file
#include "job/compressedfile.h"

#include <zlib.h>
#include <zstd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "job/messages.h"
#include "job/run.h"
#include "job/settings.h"

namespace {

constexpr size_t kBlock = 128 * 1024;

enum class Kind { kGzip, kZstd };

struct CompressedFile {
  Kind kind;
  bool writing;
  FILE *file;  // the file itself
  const char *path;
  std::vector<unsigned char> buffer = std::vector<unsigned char>(kBlock);
  size_t inPos = 0, inEnd = 0;  // reading: unread compressed bytes of buffer
  bool fileEnded = false;
  bool frameOpen = false;  // reading: inside a gzip member or zstd frame
  bool failed = false;
  bool finished = false;  // writing: the compressed data have been ended
  z_stream z{};
  ZSTD_DCtx *dctx = nullptr;
  ZSTD_CCtx *cctx = nullptr;
  FILE *stream = nullptr;  // the cookie stream handed out
};

// The open compressed streams, for fileBeneath and finishDataOutput.
std::vector<CompressedFile *> openFiles;

CompressedFile *findOpen(FILE *stream) {
  for (CompressedFile *f : openFiles)
    if (f->stream == stream) return f;
  return nullptr;
}

ssize_t failInput(CompressedFile *f, const char *what, const char *detail) {
  if (!f->failed) {
    if (detail != nullptr)
      LOCATED_MESSAGE("compressed data file <%s> is %s: %s%s", f->path, what, detail,
                      job.lineEnd);
    else
      LOCATED_MESSAGE("compressed data file <%s> is %s%s", f->path, what, job.lineEnd);
  }
  f->failed = true;
  errno = EIO;
  return -1;
}

// One decompression step into out[0, size): returns the bytes produced, or
// -1 after failInput. Keeps frameOpen up to date.
ssize_t decompressStep(CompressedFile *f, char *out, size_t size) {
  const size_t inBefore = f->inEnd - f->inPos;
  size_t produced = 0;
  bool frameEnded = false;
  if (f->kind == Kind::kGzip) {
    f->z.next_in = f->buffer.data() + f->inPos;
    f->z.avail_in = static_cast<uInt>(inBefore);
    f->z.next_out = reinterpret_cast<Bytef *>(out);
    f->z.avail_out = static_cast<uInt>(size);
    const int ret = inflate(&f->z, Z_NO_FLUSH);
    if (ret != Z_OK && ret != Z_STREAM_END && ret != Z_BUF_ERROR)
      return failInput(f, "corrupt", f->z.msg != nullptr ? f->z.msg : "inflate failed");
    f->inPos = f->inEnd - f->z.avail_in;
    produced = size - f->z.avail_out;
    if (ret == Z_STREAM_END) {
      frameEnded = true;
      inflateReset(&f->z);  // a further member may follow
    }
  } else {
    ZSTD_inBuffer in{f->buffer.data(), f->inEnd, f->inPos};
    ZSTD_outBuffer o{out, size, 0};
    const size_t ret = ZSTD_decompressStream(f->dctx, &o, &in);
    if (ZSTD_isError(ret)) return failInput(f, "corrupt", ZSTD_getErrorName(ret));
    f->inPos = in.pos;
    produced = o.pos;
    frameEnded = ret == 0;
  }
  if (frameEnded)
    f->frameOpen = false;
  else if (f->inEnd - f->inPos < inBefore || produced > 0)
    f->frameOpen = true;
  return static_cast<ssize_t>(produced);
}

ssize_t readCookie(void *cookie, char *out, size_t size) {
  auto *f = static_cast<CompressedFile *>(cookie);
  if (f->failed) {
    errno = EIO;
    return -1;
  }
  if (size == 0) return 0;
  for (;;) {
    if (f->inPos == f->inEnd && !f->fileEnded) {
      f->inPos = 0;
      f->inEnd = std::fread(f->buffer.data(), 1, f->buffer.size(), f->file);
      if (f->inEnd == 0) {
        if (std::ferror(f->file)) return -1;  // errno from the read
        f->fileEnded = true;
      }
    }
    const size_t inBefore = f->inEnd - f->inPos;
    const ssize_t produced = decompressStep(f, out, size);
    if (produced != 0) return produced;
    if (inBefore == 0 && f->fileEnded)
      return f->frameOpen ? failInput(f, "truncated", nullptr) : 0;
  }
}

// Compresses in[0, size) with `mode` (Z_NO_FLUSH / ZSTD_e_continue, or the
// end), writing full blocks to the file. Returns false on a write error.
bool compressAndWrite(CompressedFile *f, const char *in, size_t size, bool end) {
  if (f->kind == Kind::kGzip) {
    f->z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(in));
    f->z.avail_in = static_cast<uInt>(size);
    for (;;) {
      f->z.next_out = f->buffer.data();
      f->z.avail_out = static_cast<uInt>(f->buffer.size());
      const int ret = deflate(&f->z, end ? Z_FINISH : Z_NO_FLUSH);
      const size_t have = f->buffer.size() - f->z.avail_out;
      if (have > 0 && std::fwrite(f->buffer.data(), 1, have, f->file) != have) return false;
      if (end ? ret == Z_STREAM_END : f->z.avail_in == 0 && f->z.avail_out != 0) return true;
      if (ret != Z_OK && ret != Z_BUF_ERROR) {
        errno = EIO;
        return false;
      }
    }
  }
  ZSTD_inBuffer input{in, size, 0};
  for (;;) {
    ZSTD_outBuffer o{f->buffer.data(), f->buffer.size(), 0};
    const size_t left =
        ZSTD_compressStream2(f->cctx, &o, &input, end ? ZSTD_e_end : ZSTD_e_continue);
    if (ZSTD_isError(left)) {
      errno = EIO;
      return false;
    }
    if (o.pos > 0 && std::fwrite(o.dst, 1, o.pos, f->file) != o.pos) return false;
    if (end ? left == 0 : input.pos == input.size) return true;
  }
}

ssize_t writeCookie(void *cookie, const char *in, size_t size) {
  auto *f = static_cast<CompressedFile *>(cookie);
  if (f->finished || f->failed) {
    errno = EIO;
    return -1;
  }
  if (size > 0 && !compressAndWrite(f, in, size, false)) {
    f->failed = true;
    return -1;
  }
  return static_cast<ssize_t>(size);
}

// Ends the compressed data and flushes the file; false on a write error.
bool finish(CompressedFile *f) {
  if (f->finished) return !f->failed;
  f->finished = true;
  if (f->failed || !compressAndWrite(f, nullptr, 0, true)) f->failed = true;
  if (std::fflush(f->file) != 0 || std::ferror(f->file)) f->failed = true;
  return !f->failed;
}

int closeCookie(void *cookie) {
  auto *f = static_cast<CompressedFile *>(cookie);
  bool ok = !f->writing || finish(f);
  if (std::fclose(f->file) != 0) ok = false;
  if (f->kind == Kind::kGzip)
    f->writing ? deflateEnd(&f->z) : inflateEnd(&f->z);
  ZSTD_freeDCtx(f->dctx);
  ZSTD_freeCCtx(f->cctx);
  for (auto it = openFiles.begin(); it != openFiles.end(); ++it)
    if (*it == f) {
      openFiles.erase(it);
      break;
    }
  delete f;
  return ok ? 0 : EOF;
}

FILE *wrap(CompressedFile *f) {
  cookie_io_functions_t io{};
  if (f->writing)
    io.write = writeCookie;
  else
    io.read = readCookie;
  io.close = closeCookie;
  f->stream = fopencookie(f, f->writing ? "w" : "r", io);
  if (f->stream == nullptr) {
    LOCATED_MESSAGE("could not open file <%s> for %s%s", f->path, job.directionText,
                    job.lineEnd);
    abortRun();
  }
  openFiles.push_back(f);
  return f->stream;
}

bool endsWith(const char *text, const char *end) {
  const size_t n = std::strlen(text), m = std::strlen(end);
  return n >= m && std::memcmp(text + n - m, end, m) == 0;
}

// Formats recognised only to be refused: their first bytes.
struct Magic {
  const char *name;
  const char *bytes;
  size_t length;
};
constexpr Magic kRefused[] = {
    {"bzip2", "BZh", 3},
    {"xz", "\xFD\x37\x7A\x58\x5A\x00", 6},
    {"zip", "PK\x03\x04", 4},
    {"7z", "7z\xBC\xAF\x27\x1C", 6},
    {"lz4", "\x04\x22\x4D\x18", 4},
    {"rar", "Rar!\x1A\x07", 6},
    {"unix compress", "\x1F\x9D", 2},
};

// Hands the bytes back: the stream reads again from its first byte.
void giveBack(FILE *stream, const unsigned char *head, size_t got, const char *path) {
  std::clearerr(stream);
  if (std::fseek(stream, 0, SEEK_SET) == 0) return;
  for (size_t i = got; i > 0; --i) {
    if (std::ungetc(head[i - 1], stream) == EOF) {
      LOCATED_MESSAGE("could not open file <%s> for %s%s", path, job.directionText,
                      job.lineEnd);
      abortRun();
    }
  }
}

}  // namespace

FILE *openDataInput(FILE *stream, const char *path) {
  unsigned char head[6] = {};
  const size_t got = std::fread(head, 1, sizeof head, stream);
  const auto startsWith = [&](const char *bytes, size_t length) {
    return got >= length && std::memcmp(head, bytes, length) == 0;
  };
  for (const Magic &m : kRefused) {
    // "BZh" is followed by the block size digit; a text line may start "BZh".
    if (!startsWith(m.bytes, m.length)) continue;
    if (m.length == 3 && m.bytes[0] == 'B' && (got < 4 || head[3] < '1' || head[3] > '9'))
      continue;
    LOCATED_MESSAGE("data file <%s> is compressed or packed as %s, which lodrun does not read%s",
                    path, m.name, job.lineEnd);
    abortRun();
  }
  Kind kind;
  if (startsWith("\x1F\x8B", 2))
    kind = Kind::kGzip;
  else if (startsWith("\x28\xB5\x2F\xFD", 4))
    kind = Kind::kZstd;
  else {
    giveBack(stream, head, got, path);
    return stream;
  }
  auto *f = new CompressedFile{kind, false, stream, path};
  std::memcpy(f->buffer.data(), head, got);
  f->inEnd = got;
  if (kind == Kind::kGzip)
    inflateInit2(&f->z, 15 + 16);  // gzip wrapper only
  else
    f->dctx = ZSTD_createDCtx();
  FILE *out = wrap(f);
  std::setvbuf(out, nullptr, _IOFBF, kBlock);
  return out;
}

FILE *openDataOutput(FILE *stream, const char *path) {
  Kind kind;
  if (endsWith(path, ".gz"))
    kind = Kind::kGzip;
  else if (endsWith(path, ".zst"))
    kind = Kind::kZstd;
  else
    return stream;
  auto *f = new CompressedFile{kind, true, stream, path};
  if (kind == Kind::kGzip)
    deflateInit2(&f->z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY);
  else
    f->cctx = ZSTD_createCCtx();
  return wrap(f);
}

int finishDataOutput(FILE *stream) {
  if (std::fflush(stream) != 0 || std::ferror(stream)) return EOF;
  CompressedFile *f = findOpen(stream);
  if (f == nullptr || !f->writing) return 0;
  return finish(f) ? 0 : EOF;
}

FILE *fileBeneath(FILE *stream) {
  const CompressedFile *f = findOpen(stream);
  return f != nullptr ? f->file : stream;
}
