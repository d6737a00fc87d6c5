// Blob loads from the outside: files named in delimited and fixed records
// arrive byte for byte in text and binary blob columns, the blob form comes
// from the brace group or the switches, bad names load their own text, and
// large or many blobs stream through in bounded memory and time.
#include <ibase.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "load_fixture.h"

namespace {

class BlobLoadRun : public LoadRun {
 protected:
  // tb a text blob, bb a binary one.
  void SetUp() override {
    ASSERT_TRUE(createDatabase(db, "create table b (id integer not null primary key, "
                                   "tb blob sub_type text, bb blob);"));
  }
  // Writes `content` to `name` in the run's directory; returns `name`.
  std::string file(const std::string &name, const std::string &content) const {
    writeFile(dir.file(name), content);
    return name;
  }
  // The summary of a load with blob columns.
  static std::string blobSummary(int records, int skipped, int loaded, int noFile, int errors,
                                 const std::string &source = "run.cmd") {
    return " " + std::to_string(records) + " input (or update) records (short: 0, skipped: " +
           std::to_string(skipped) + ")\r\n\tBlobs loaded " + std::to_string(loaded) +
           ", no filename: " + std::to_string(noFile) + ", errors " + std::to_string(errors) +
           "\r\n\tprocessed from file " + source + "\r\n";
  }
  // Runs lodrun -x run.cmd under /usr/bin/time; returns the peak RSS in KiB.
  long peakRss(const std::string &commands) {
    writeFile(dir.file("run.cmd"), commands);
    const RunResult r = runProgram("/usr/bin/time", {"-f", "%M", "-o", dir.file("rss"),
                                                     lodrunBinary(), "-x", "run.cmd"},
                                   "", {}, dir.path());
    out = withoutLineNumbers(r.out);
    exitCode = r.exitCode;
    return std::atol(readFile(dir.file("rss")).c_str());
  }
  std::vector<int> segmentLengths(int id) const;
};

// The lines of the blob loader among the other verbose output.
std::vector<std::string> blobLines(const std::string &out) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = out.find("\r\n", start)) != std::string::npos; start = end + 2) {
    const std::string line = out.substr(start, end - start);
    if (line.find(" Blob for column ") == 0 || line.find("Lodrun: open failed") == 0)
      lines.push_back(line);
  }
  return lines;
}

// The segment lengths of the blob bb of row `id`, as the client library
// hands them to a reader.
std::vector<int> BlobLoadRun::segmentLengths(int id) const {
  std::vector<int> lengths;
  ISC_STATUS_ARRAY status;
  isc_db_handle handle = 0;
  isc_tr_handle tr = 0;
  isc_stmt_handle stmt = 0;
  isc_blob_handle blob = 0;
  const char dpb[] = {isc_dpb_version1, isc_dpb_user_name, 6, 'S', 'Y', 'S', 'D', 'B', 'A'};
  char tpb[] = {isc_tpb_version1, isc_tpb_read, isc_tpb_concurrency};
  std::vector<char> daBytes(XSQLDA_LENGTH(1));
  XSQLDA *da = reinterpret_cast<XSQLDA *>(daBytes.data());
  da->version = SQLDA_VERSION1;
  da->sqln = 1;
  ISC_QUAD blobId{};
  short nullFlag = 0;
  const std::string select = "select bb from b where id = " + std::to_string(id);
  bool ok = !isc_attach_database(status, 0, db.c_str(), &handle, sizeof dpb, dpb) &&
            !isc_start_transaction(status, &tr, 1, &handle, sizeof tpb, tpb) &&
            !isc_dsql_allocate_statement(status, &handle, &stmt) &&
            !isc_dsql_prepare(status, &tr, &stmt, 0, select.c_str(), 3, da);
  if (ok) {
    da->sqlvar[0].sqldata = reinterpret_cast<char *>(&blobId);
    da->sqlvar[0].sqlind = &nullFlag;
    ok = !isc_dsql_execute(status, &tr, &stmt, 3, nullptr) &&
         isc_dsql_fetch(status, &stmt, 3, da) == 0 && nullFlag == 0 &&
         !isc_open_blob2(status, &handle, &tr, &blob, &blobId, 0, nullptr);
  }
  std::vector<char> segment(65535);
  unsigned short got = 0;
  while (ok && isc_get_segment(status, &blob, &got, 65535, segment.data()) == 0)
    lengths.push_back(got);
  if (!ok) ADD_FAILURE() << "reading the segments of row " << id << " failed";
  if (blob != 0) isc_close_blob(status, &blob);
  if (stmt != 0) isc_dsql_free_statement(status, &stmt, DSQL_drop);
  if (tr != 0) isc_commit_transaction(status, &tr);
  if (handle != 0) isc_detach_database(status, &handle);
  return lengths;
}

}  // namespace

TEST_F(BlobLoadRun, BlobLoad_FilesArriveByteForByteInTextAndBinaryBlobs) {
  std::string binary;
  for (int i = 0; i < 10000; ++i) binary += static_cast<char>(i * 7919 % 256);
  file("data.bin", binary);
  file("text.txt", "line one\r\n" + std::string(200, 'x') + "\nlast");
  file("bom.txt", "\xEF\xBB\xBFhello\n");
  file("empty.txt", "");
  run(header("delimiter=, variables=3") +
      "insert into b values (?, ?{ascii_blob}, ?{blob_stream})\nSTARTDATA\n"
      // An empty file first: no earlier blob has cleared the variable's NULL.
      "1,empty.txt,empty.txt\n2,text.txt,data.bin\n3,bom.txt,bom.txt\r\n"
      "4,no such file,  hello world  \n",
      {"-v"});
  EXPECT_EQ(exitCode, 0);
  EXPECT_EQ(blobLines(out), (std::vector<std::string>{
                                " Blob for column  2 of size         0 loaded from: empty.txt",
                                " Blob for column  3 of size         0 loaded from: empty.txt",
                                " Blob for column  2 of size       215 loaded from: text.txt",
                                " Blob for column  3 of size     10000 loaded from: data.bin",
                                " Blob for column  2 of size         6 loaded from: bom.txt",
                                " Blob for column  3 of size         6 loaded from: bom.txt",
                                "Lodrun: open failed (using text as string): no such file",
                                " Blob for column  2 of size        12 loaded from: no such file",
                                "Lodrun: open failed (using text as string): hello world",
                                " Blob for column  3 of size        11 loaded from: hello world"}));
  const std::string tail = blobSummary(4, 0, 8, 0, 2);
  ASSERT_GE(out.size(), tail.size());
  EXPECT_EQ(out.substr(out.size() - tail.size()), tail);
  // An empty file is an empty blob, not NULL (<null>).
  EXPECT_EQ(rows("select id, tb, bb from b where id <> 2 order by id"),
            (std::vector<std::string>{"1||", "3|hello\n|hello\n", "4|no such file|hello world"}));
  EXPECT_EQ(rows("select tb from b where id = 2"),
            std::vector<std::string>{"line one\r\n" + std::string(200, 'x') + "\nlast"});
  EXPECT_EQ(rows("select bb from b where id = 2"), std::vector<std::string>{binary});
}

TEST_F(BlobLoadRun, BlobLoad_FormComesFromTheBraceGroupOrTheSwitches) {
  // A 200-character line, then a short last line without its line feed.
  const std::string content = std::string(200, 'x') + "\nend";
  file("lines.txt", content);
  const char kBinaryNotice[] = "blob input field 2 format unknown, set to segmented binary\r\n";
  const char kAsciiNotice[] = "blob input field 2 format unknown, set to segmented ascii\r\n";
  const struct {
    std::vector<std::string> switches;
    std::string annotation, notice;
    std::vector<int> segments;
  } cases[] = {
      // Line mode: pieces of at most 79 characters, each line feed with its piece.
      {{}, "", kBinaryNotice, {79, 79, 43, 3}},
      {{"-a"}, "", kAsciiNotice, {79, 79, 43, 3}},
      // The entry of a brace group comes first in the table: field 1.
      {{}, "{position=2}", "blob input field 1 format unknown, set to segmented binary\r\n",
       {79, 79, 43, 3}},
      {{}, "{ascii_blob}", "", {79, 79, 43, 3}},
      // Stream forms: segments of 32 KiB whatever -b says, or of blob_size.
      {{}, "{blob_stream}", "", {204}},
      {{}, "{ascii_blob blob_stream}", "", {204}},
      {{"-b", "100"}, "{blob_stream}", "", {204}},
      {{}, "{blob_stream blob_size=100}", "", {100, 100, 4}},
      // blob_size sets the longest line piece; -b the blob's segment size.
      {{}, "{blob_size=100}", "", {80, 19, 80, 19, 3, 3}},
      {{"-b", "100"}, "", kBinaryNotice, {99, 99, 3, 3}},
      {{"-b", "4088"}, "{blob_stream}", "", {204}},
  };
  int id = 0;
  for (const auto &c : cases) {
    ++id;
    run(header("delimiter=, variables=2") + "insert into b (id, bb) values (?, ?" +
            c.annotation + ")\nSTARTDATA\n" + std::to_string(id) + ",lines.txt\n",
        c.switches);
    EXPECT_EQ(out, c.notice + blobSummary(1, 0, 1, 0, 0)) << c.annotation;
    EXPECT_EQ(segmentLengths(id), c.segments) << c.annotation;
    EXPECT_EQ(rows("select bb from b where id = " + std::to_string(id)),
              std::vector<std::string>{content});
  }
}

TEST_F(BlobLoadRun, BlobLoad_EmptyFieldsRejectTheirRecordAndCountNoFilename) {
  file("a.txt", "A");
  run(header("delimiter=, variables=3 errors=3 discards=bad.csv") +
      "insert into b values (?, ?, ?)\nSTARTDATA\n1,a.txt,a.txt\n2,,a.txt\n3,a.txt,   \n");
  EXPECT_EQ(out,
            "blob input field 2 format unknown, set to segmented binary\r\n"
            "blob input field 3 format unknown, set to segmented binary\r\n"
            "Got dblib error -1 while doing data sensitive Putfield with SQL field 2: "
            "Unknown library error code\r\n"
            "Got dblib error -1 while doing data sensitive Putfield with SQL field 3: "
            "Unknown library error code\r\n" +
                blobSummary(3, 2, 3, 2, 0));
  EXPECT_EQ(exitCode, 0);
  EXPECT_EQ(readFile(dir.file("bad.csv")), "2,,a.txt\r\n3,a.txt,   \r\n");
  EXPECT_EQ(rows("select id, tb, bb from b"), std::vector<std::string>{"1|A|A"});
}

TEST_F(BlobLoadRun, BlobLoad_FixedFieldNamesFileFollowedByBlanks) {
  const std::string fullWidth(30, 'w');
  file("my file.txt", "spaced\n");
  file(fullWidth, "wide\n");
  auto record = [](const std::string &id, const std::string &name) {
    return id + name + std::string(30 - name.size(), ' ') + "\n";
  };
  const std::string blank = record("0002", "");
  writeFile(dir.file("data.fix"),
            record("0001", "my file.txt") + blank + record("0003", fullWidth));
  run(header("lrecl=35 variables=2 errors=2 discards=bad.fix file=data.fix") +
      "insert into b (id, tb) values (?{position=1 size=4}, ?{position=5 size=30})\n");
  EXPECT_EQ(out,
            "blob input field 2 format unknown, set to segmented binary\r\n"
            "Got dblib error -1 while doing fixed blob put of field with SQL field 2: "
            "Unknown library error code\r\n" +
                blobSummary(3, 1, 2, 1, 0, "data.fix"));
  EXPECT_EQ(readFile(dir.file("bad.fix")), blank);
  EXPECT_EQ(rows("select id, tb from b order by id"),
            (std::vector<std::string>{"1|spaced\n", "3|wide\n"}));
}

TEST_F(BlobLoadRun, BlobLoad_UnusableNamesLoadTheirTextAndReadErrorsStop) {
  std::string unreadable = dir.file("secret");
  writeFile(unreadable, "no");
  chmod(unreadable.c_str(), 0);
  if (FILE *f = std::fopen(unreadable.c_str(), "r")) {  // root reads any file
    std::fclose(f);
    unreadable = "/proc/sys/vm/drop_caches";  // write-only, also for root
  }
  const std::vector<std::string> names = {dir.path(), unreadable, std::string(8000, 'n'),
                                          "missing.txt"};
  std::string data, messages;
  for (size_t i = 0; i < names.size(); ++i) {
    data += std::to_string(i + 1) + "," + names[i] + "\n";
    messages += "Lodrun: open failed (using text as string): " + names[i] + "\r\n";
  }
  writeFile(dir.file("data.csv"), data);
  run(header("delimiter=, variables=2 file=data.csv") +
      "insert into b (id, tb) values (?, ?{ascii_blob})\n");
  EXPECT_EQ(out, messages + blobSummary(4, 0, 4, 0, 4, "data.csv"));
  EXPECT_EQ(rows("select tb from b order by id"), names);

  // A file that opens but cannot be read stops the run; nothing is kept.
  isql(db, "delete from b;");
  file("a.txt", "A");
  run(header("delimiter=, variables=2") +
      "insert into b (id, tb) values (?, ?{ascii_blob})\nSTARTDATA\n1,a.txt\n2,/proc/self/mem\n");
  EXPECT_EQ(out, "Lodrun #: error reading blob file </proc/self/mem>\r\n" + aborted(2));
  EXPECT_EQ(exitCode, 1);
  EXPECT_TRUE(rows("select id from b").empty());
}

TEST_F(BlobLoadRun, BlobLoad_LargeFileStreamsInBoundedMemory) {
  // A small page cache keeps the engine's share of the peak steady.
  ASSERT_EQ(runProgram("/usr/bin/gfix", {"-user", "SYSDBA", "-buffers", "100", db}).exitCode, 0);
  constexpr long kBytes = 50L << 20;
  file("small.bin", "small");
  const std::string large = dir.file(file("large.bin", ""));
  std::filesystem::resize_file(large, kBytes - 3);
  std::ofstream(large, std::ios::binary | std::ios::app) << "END";
  // The file goes into tb in line mode (one line of 50 MB) and into bb in
  // block mode.
  const std::string commands = header("delimiter=, variables=3") +
                               "insert into b values (?, ?, ?{blob_stream})\nSTARTDATA\n";

  const long smallPeak = peakRss(commands + "1,small.bin,small.bin\n");
  ASSERT_EQ(exitCode, 0) << out;
  const long largePeak = peakRss(commands + "2,large.bin,large.bin\n");
  // tb's entry comes after the brace group's and the id's: field 3.
  EXPECT_EQ(out, "blob input field 3 format unknown, set to segmented binary\r\n" +
                     blobSummary(1, 0, 2, 0, 0));
  EXPECT_GT(smallPeak, 0);
  EXPECT_LT(largePeak - smallPeak, 8 * 1024) << "peak RSS " << smallPeak << " KiB, then "
                                             << largePeak << " KiB";
  const std::string from = std::to_string(kBytes - 3);
  EXPECT_EQ(rows("select octet_length(tb), substring(tb from " + from + "), octet_length(bb), "
                 "substring(bb from " + from + ") from b where id = 2"),
            std::vector<std::string>{std::to_string(kBytes) + std::string("|\0END|", 6) +
                                     std::to_string(kBytes) + std::string("|\0END", 5)});
}

TEST_F(BlobLoadRun, BlobLoad_TenThousandRecordsEachWithTheirOwnFile) {
  constexpr int kRecords = 10000;
  std::string data;
  ASSERT_EQ(mkdir(dir.file("blobs").c_str(), 0700), 0);
  for (int i = 1; i <= kRecords; ++i) {
    const std::string name = "blobs/" + std::to_string(i);
    file(name, std::to_string(i));
    data += std::to_string(i) + "," + name + "\n";
  }
  writeFile(dir.file("data.csv"), data);
  const auto start = std::chrono::steady_clock::now();
  run(header("delimiter=, variables=2 file=data.csv") +
      "insert into b (id, tb) values (?, ?{ascii_blob})\n");
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(out, blobSummary(kRecords, 0, kRecords, 0, 0, "data.csv"));
  // A fraction of a second normally; far more means work that grows per blob.
  EXPECT_LT(took.count(), 20.0);
  EXPECT_EQ(rows("select count(*), sum(cast(cast(tb as varchar(8)) as integer)), "
                 "sum(iif(cast(tb as varchar(8)) = cast(id as varchar(8)), 1, 0)) from b"),
            std::vector<std::string>{"10000|50005000|10000"});
}
