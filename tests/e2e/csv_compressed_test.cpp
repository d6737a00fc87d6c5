// csv_compressed_test.cpp - gzip and zstd data files: an unload to *.gz or
// *.zst holds exactly the plain unload's bytes (and fails on a full disk), a
// load reads them (by their first bytes, whatever the name), a truncated one
// is a read error, and a file of a compressed format lodrun does not read is
// refused before any record.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "csv_fixture.h"

namespace {

TEST_F(CsvRun, Compressed_BothWaysEqualThePlainFile) {
  // Enough varied rows that the compressed files span several blocks.
  std::string csv;
  for (int i = 1; i <= 3000; ++i)
    csv += std::to_string(i) + ",name " + std::to_string(i * 7919 % 100003) + ",\"x, " +
           std::to_string(i * 104729 % 999983) + "\"\r\n";
  writeFile(dir.file("in.csv"), csv);
  const std::string insert = "insert into p values (?, ?, ?)";
  run('i', "csv variables=3 file=in.csv", insert);
  ASSERT_EQ(exitCode, 0) << out;
  for (const char *name : {"out.csv", "out.csv.gz", "out.csv.zst"}) {
    run('o', std::string("csv variables=3 file=") + name, "select id, a, b from p order by id");
    ASSERT_EQ(exitCode, 0) << out;
  }
  const std::string plain = readFile(dir.file("out.csv"));
  ASSERT_TRUE(plain == csv);  // (no dump of 100 KB on failure)
  const RunResult gunzip = runProgram(
      "/usr/bin/python3",
      {"-c", "import gzip,sys; sys.stdout.buffer.write(gzip.open('out.csv.gz').read())"}, "", {},
      dir.path());
  EXPECT_TRUE(gunzip.out == plain) << gunzip.err;
  if (access("/usr/bin/zstd", X_OK) == 0) {
    const RunResult unzstd = runProgram("/usr/bin/zstd", {"-dc", "out.csv.zst"}, "", {}, dir.path());
    EXPECT_TRUE(unzstd.out == plain) << unzstd.err;
  }
  const std::string gz = readFile(dir.file("out.csv.gz"));
  ASSERT_GT(gz.size(), 20000u);
  EXPECT_LT(gz.size(), plain.size() / 2);
  writeFile(dir.file("gzip-named.csv"), gz);  // known by its first bytes
  const std::vector<std::string> expected = rows("select id, a, b from p order by id");
  for (const char *name : {"out.csv.gz", "out.csv.zst", "gzip-named.csv"}) {
    isql(db, "delete from p;");
    run('i', std::string("csv variables=3 file=") + name, insert);
    ASSERT_EQ(exitCode, 0) << name << out;
    EXPECT_NE(out.find(" 3000 input (or update) records"), std::string::npos) << name << out;
    EXPECT_TRUE(rows("select id, a, b from p order by id") == expected) << name;
  }

  // A full disk fails the unload, even when only the end of the compressed
  // data no longer fits.
  ASSERT_EQ(symlink("/dev/full", dir.file("full.csv.zst").c_str()), 0);
  run('o', "csv variables=3 file=full.csv.zst", "select first 1 id, a, b from p");
  EXPECT_EQ(exitCode, 1) << out;

  // Cut short, the file is a read error, not a shorter load.
  writeFile(dir.file("cut.csv.gz"), gz.substr(0, gz.size() / 2));
  isql(db, "delete from p;");
  run('i', "csv variables=3 file=cut.csv.gz", insert);
  EXPECT_EQ(exitCode, 1);
  EXPECT_NE(out.find("compressed data file <cut.csv.gz> is truncated"), std::string::npos) << out;
  EXPECT_EQ(rows("select count(*) from p"), std::vector<std::string>{"0"});
}

TEST_F(CsvRun, Compressed_UnreadFormatsRefusedBeforeAnyRecord) {
  const struct {
    const char *bytes;
    size_t length;
    const char *format;
  } cases[] = {{"BZh91AY&SY\x01\x02", 12, "bzip2"},
               {"\xFD" "7zXZ\x00\x00\x04", 8, "xz"},
               {"PK\x03\x04\x14\x00", 6, "zip"}};
  for (const auto &c : cases) {
    writeFile(dir.file("packed.csv"), std::string(c.bytes, c.length));
    run('i', "csv variables=3 file=packed.csv", "insert into p values (?, ?, ?)");
    EXPECT_EQ(exitCode, 1) << c.format;
    EXPECT_NE(out.find(std::string("data file <packed.csv> is compressed or packed as ") +
                       c.format + ", which lodrun does not read"),
              std::string::npos)
        << out;
  }
  // A text line that happens to start like one is still text.
  writeFile(dir.file("text.csv"), "BZh,a,b\n1,BZh,PK\n");
  run('i', "csv excel variables=3 file=text.csv", "insert into p values (?, ?, ?)");
  EXPECT_EQ(exitCode, 0) << out;
  EXPECT_EQ(rows("select id, a, b from p"), std::vector<std::string>{"1|BZh|PK"});
}

}  // namespace
