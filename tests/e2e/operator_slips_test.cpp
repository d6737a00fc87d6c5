// Operator slips and hostile inputs: an output naming an input, standard
// output that cannot be written, passwords left in memory, blob names that
// leave their folder.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "background.h"
#include "load_fixture.h"
#include "testsupport.h"

namespace {

class Slips : public LoadRun {};

}  // namespace

TEST_F(Slips, AnOutputNamingAnInputOrAnotherOutputStopsTheRunBeforeWriting) {
  const std::string data = "1,a\n2,b\n";
  const struct {
    std::string options;            // added to the options line
    std::vector<std::string> args;  // added to the command line
    std::string message;
  } cases[] = {
      {"reasons=in.csv", {}, "reasons file <in.csv> (reasons=) is also the data file (file=)"},
      {"discards=in.csv", {}, "discards file <in.csv> (discards=) is also the data file (file=)"},
      {"logfile=in.csv", {}, "log file <in.csv> (logfile=) is also the data file (file=)"},
      {"", {"-s", "in.csv"}, "log file <in.csv> (-s) is also the data file (file=)"},
      {"discards=run.cmd", {}, "discards file <run.cmd> (discards=) is also the command file (-x)"},
      {"reasons=./run.cmd", {}, "reasons file <./run.cmd> (reasons=) is also the command file (-x)"},
      {"logfile=run.cmd", {}, "log file <run.cmd> (logfile=) is also the command file (-x)"},
      {"", {"-s", "run.cmd"}, "log file <run.cmd> (-s) is also the command file (-x)"},
      {"discards=" + db, {}, "discards file <" + db + "> (discards=) is also the database file (db=)"},
      {"reasons=load.fdb", {}, "reasons file <load.fdb> (reasons=) is also the database file (db=)"},
      {"logfile=load.fdb", {}, "log file <load.fdb> (logfile=) is also the database file (db=)"},
      {"discards=out.txt reasons=out.txt", {},
       "reasons file <out.txt> (reasons=) is also the discards file (discards=)"},
      {"discards=out.txt", {"-s", "out.txt"},
       "discards file <out.txt> (discards=) is also the log file (-s)"},
  };
  for (const auto &row : cases) {
    writeFile(dir.file("in.csv"), data);
    writeFile(dir.file("out.txt"), "kept\n");
    const std::string commands = header("delimiter=, variables=2 file=in.csv " + row.options) +
                                 "insert into p (id, name) values (?, ?)\n";
    const std::string before = readFile(db);
    run(commands, row.args);
    EXPECT_EQ(out, "Lodrun #: " + row.message + "\r\n" + aborted(0, false)) << row.options;
    EXPECT_EQ(exitCode, 1) << row.options;
    EXPECT_EQ(readFile(dir.file("in.csv")), data) << row.options;
    EXPECT_EQ(readFile(dir.file("run.cmd")), commands) << row.options;
    EXPECT_EQ(readFile(dir.file("out.txt")), "kept\n") << row.options;
    EXPECT_TRUE(readFile(db) == before) << row.options;
  }
  EXPECT_EQ(rows("select count(*) from p"), std::vector<std::string>{"0"});
}

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitizerBuild = true;
#else
constexpr bool kSanitizerBuild = false;
#endif

// Every place in the memory of process `pid` where `needle` occurs, as
// "start-end path+offset" lines of its /proc/<pid>/maps region.
std::string occurrences(pid_t pid, const std::string &needle) {
  std::ifstream maps("/proc/" + std::to_string(pid) + "/maps");
  const int mem = open(("/proc/" + std::to_string(pid) + "/mem").c_str(), O_RDONLY);
  EXPECT_GE(mem, 0) << "cannot read the memory of the run";
  std::string found;
  std::string line;
  // Chunks overlap by the needle's length less one, so none is cut in two.
  constexpr unsigned long kChunk = 1 << 20;
  std::vector<char> bytes(kChunk + needle.size());
  while (mem >= 0 && std::getline(maps, line)) {
    unsigned long start = 0, end = 0;
    char perms[5] = {};
    // The sanitizer build reserves terabytes of shadow memory: skip such.
    if (std::sscanf(line.c_str(), "%lx-%lx %4s", &start, &end, perms) != 3 ||
        perms[0] != 'r' || end - start > (1ul << 32))
      continue;
    for (unsigned long at = start; at < end; at += kChunk) {
      const size_t wanted = std::min<unsigned long>(end - at, kChunk + needle.size() - 1);
      const ssize_t got = pread(mem, bytes.data(), wanted, static_cast<off_t>(at));
      if (got <= 0) break;
      const std::string_view chunk(bytes.data(), static_cast<size_t>(got));
      for (size_t k = chunk.find(needle); k != std::string_view::npos && k < kChunk;
           k = chunk.find(needle, k + 1))
        found += line + " +" + std::to_string(at - start + k) + "\n";
    }
  }
  if (mem >= 0) close(mem);
  return found;
}

}  // namespace

// The run is held after the attach: its commands come through a pipe, and
// its data either from a FIFO data file or after STARTDATA in that pipe,
// which the test keeps open without sending the records yet. Every password
// the run was given must be gone from its memory by then.
TEST_F(Slips, NoPasswordIsLeftInMemoryAfterTheAttach) {
  const std::string oldPassword = "Qz7-overridden-pw";
  const std::string password = "Qz7-stdin-pw-4711";
  const std::string options = "options db=" + db + " user=SYSDBA passwd=" + password +
                              " direction=i delimiter=, variables=2";
  const std::string insert = "insert into p (id, name) values (?, ?)\n";
  ASSERT_EQ(mkfifo(dir.file("held.csv").c_str(), 0600), 0);
  ASSERT_EQ(mkfifo(dir.file("stdin.cmd").c_str(), 0600), 0);
  for (const bool startData : {false, true}) {
    BackgroundRun lodrun(
        "/bin/sh", {"-c", "exec '" + lodrunBinary() + "' -p " + oldPassword + " < stdin.cmd"},
        dir.path(), dir.file("out.txt"), dir.file("err.txt"));
    const int commands = open(dir.file("stdin.cmd").c_str(), O_WRONLY);
    ASSERT_GE(commands, 0);
    const std::string text = startData ? options + "\n" + insert + "STARTDATA\n"
                                       : options + " file=held.csv\n" + insert;
    ASSERT_EQ(write(commands, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    int data = commands;
    if (!startData) {
      close(commands);
      // Opening the FIFO for writing succeeds once the run has opened it to read.
      data = -1;
      for (const double until = secondsNow() + 60; data < 0 && secondsNow() < until;) {
        data = open(dir.file("held.csv").c_str(), O_WRONLY | O_NONBLOCK);
        if (data < 0) usleep(20000);
      }
      ASSERT_GE(data, 0) << readFile(dir.file("out.txt"));
    } else {
      // The run waits in read(0, ...) for the data once the engine has
      // attached the database.
      const std::string proc = "/proc/" + std::to_string(lodrun.pid());
      for (const double until = secondsNow() + 60;
           (readFile(proc + "/maps").find("libEngine") == std::string::npos ||
            readFile(proc + "/syscall").rfind("0 0x0 ", 0) != 0) &&
           secondsNow() < until;)
        usleep(20000);
    }
    EXPECT_EQ(occurrences(lodrun.pid(), password), "") << startData;
    // The sanitizer runtime keeps a -p word of its own in a mapping of its
    // own (seen at the top of an 8 MiB region): checked in the plain build.
    if (!kSanitizerBuild) {
      EXPECT_EQ(occurrences(lodrun.pid(), oldPassword), "") << startData;
    }
    EXPECT_NE(occurrences(lodrun.pid(), "SYSDBA"), "");  // the scan does see the heap
    const std::string record = startData ? "2,b\n" : "1,a\n";
    ASSERT_EQ(write(data, record.data(), 4), 4);
    close(data);
    EXPECT_EQ(lodrun.wait(60), 0) << readFile(dir.file("out.txt"));
  }
  EXPECT_EQ(rows("select count(*) from p"), std::vector<std::string>{"2"});
}

// The bound on the command stream covers the commands, not the records after
// STARTDATA.
TEST_F(Slips, RecordsAfterStartDataMayGoBeyondTheCommandBound) {
  std::string data;
  for (int i = 1; i <= 120000; ++i) data += std::to_string(i) + ",xyz\n";
  ASSERT_GT(data.size(), 1u << 20);
  run(header("delimiter=, variables=2") + "insert into p (id, name) values (?, ?)\nSTARTDATA\n" +
      data);
  EXPECT_EQ(out, summary(120000, 0, 0));
  EXPECT_EQ(rows("select count(*) from p"), std::vector<std::string>{"120000"});
}

// Standard output on a full device fails loudly on standard error whatever
// ended the run; closed, it is /dev/null and no library file takes its place.
TEST_F(Slips, StandardOutputFullOrClosed) {
  writeFile(dir.file("data.csv"), "1,a\nx,b\n3,c\n");
  writeFile(dir.file("run.cmd"), header("delimiter=, variables=2 file=data.csv") +
                                     "insert into p (id, name) values (?, ?)\n");
  const std::string lodrun = "'" + lodrunBinary() + "' -x run.cmd";
  // errors=1: the reject of record 2 stops the run before any commit point.
  RunResult r = runProgram("/bin/bash", {"-c", lodrun + " > /dev/full"}, "", {}, dir.path());
  EXPECT_EQ(r.exitCode, 1);
  const std::string err = withoutLineNumbers(r.err);
  EXPECT_EQ(err.rfind("Lodrun #: could not write standard output </dev/full>: ", 0), 0u) << err;
  EXPECT_NE(err.find(" - the run's messages and its 1 rejected records are lost\r\n"),
            std::string::npos)
      << err;

  // Closed: the engine's lock file must not become standard output.
  ASSERT_EQ(mkdir(dir.file("lock").c_str(), 0700), 0);
  writeFile(dir.file("run.cmd"), header("delimiter=, variables=2 file=data.csv errors=5") +
                                     "insert into p (id, name) values (?, ?)\n");
  r = runProgram("/bin/bash", {"-c", lodrun + " >&-"}, "", {"FIREBIRD_LOCK=" + dir.file("lock")},
                 dir.path());
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(readFile(dir.file("lock/fb_init")).find("records"), std::string::npos);
  EXPECT_EQ(rows("select id from p order by id"), (std::vector<std::string>{"1", "3"}));
}

// blobdir: a blob name from the data is resolved under the folder, and one
// that leaves it rejects its record with a reason.
TEST_F(Slips, BlobDirFencesTheBlobFileNames) {
  ASSERT_TRUE(createDatabase(dir.file("blob.fdb"), "create table b (id integer, bt blob "
                                                    "sub_type text);"));
  ASSERT_EQ(mkdir(dir.file("blobs").c_str(), 0700), 0);
  ASSERT_EQ(mkdir(dir.file("blobs/sub").c_str(), 0700), 0);
  writeFile(dir.file("blobs/a.txt"), "inside");
  writeFile(dir.file("blobs/sub/b.txt"), "below");
  writeFile(dir.file("secret.txt"), "SECRET");
  ASSERT_EQ(symlink("../secret.txt", dir.file("blobs/out.lnk").c_str()), 0);
  ASSERT_EQ(symlink("sub/b.txt", dir.file("blobs/in.lnk").c_str()), 0);
  writeFile(dir.file("in.csv"), "1,a.txt\n2,sub/b.txt\n3,../secret.txt\n4," +
                                    dir.file("secret.txt") + "\n5,out.lnk\n6,in.lnk\n"
                                    "7,sub/../a.txt\n8,sub/../../secret.txt\n");
  const std::string load = "options db=blob.fdb user=SYSDBA passwd=masterkey direction=i "
                           "delimiter=, variables=2 file=in.csv errors=10 reasons=r.txt ";
  const std::string insert = "\ninsert into b (id, bt {blob_stream}) values (?, ?)\n";
  run(load + "blobdir=blobs" + insert);
  const std::string leaves = "blob file name of record ";
  const std::vector<std::string> refused = {"3\t../secret.txt", "4\t" + dir.file("secret.txt"),
                                            "5\tout.lnk", "8\tsub/../../secret.txt"};
  std::string messages, reasons;
  for (const std::string &r : refused) {
    const std::string record = r.substr(0, 1), name = r.substr(2);
    messages += "Lodrun #: " + leaves + record + " leaves blobdir <blobs>: " + name + "\r\n" +
                record + "," + name + "\r\n";
    reasons += record + "\t2\tbt\t" + leaves + record + " leaves blobdir <blobs>: " + name +
               "\t" + name + "\r\n";
  }
  EXPECT_EQ(out, messages + " 8 input (or update) records (short: 0, skipped: 4)\r\n"
                            "\tBlobs loaded 4, no filename: 0, errors 0\r\n"
                            "\tprocessed from file in.csv\r\n");
  EXPECT_EQ(readFile(dir.file("r.txt")), reasons);
  EXPECT_EQ(queryRows(dir.file("blob.fdb"), "select id, cast(bt as varchar(20)) from b order by id"),
            (std::vector<std::string>{"1|inside", "2|below", "6|below", "7|inside"}));

  // A folder that is not there stops the run before anything loads.
  run(load + "blobdir=nowhere" + insert);
  EXPECT_EQ(out, "Lodrun #: blobdir <nowhere> cannot be opened as a folder: No such file or "
                 "directory\r\n"
                 "Lodrun #: NO SQL string supplied, there is nothing to do\r\n" +
                     aborted(0, false));
}
