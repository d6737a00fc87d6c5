// Random scaled values of every precision and scale through the built
// lodrun: loaded from their canonical texts, unloaded, loaded into an empty
// copy and unloaded again; every text must come back exactly.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "testsupport.h"

namespace {

// 10 000 rows a column; the sanitizer build, several times slower, takes
// fewer so the suite stays quick.
#ifdef __SANITIZE_ADDRESS__
constexpr int kRows = 2000;
#else
constexpr int kRows = 10000;
#endif

struct Column {
  int precision, scale;
};

// Every scale of the precisions first to last.
std::vector<Column> everyScale(int first, int last) {
  std::vector<Column> columns;
  for (int p = first; p <= last; ++p)
    for (int s = 0; s <= p; ++s) columns.push_back({p, s});
  return columns;
}

std::string columnList(const std::vector<Column> &columns) {
  std::string list = "id integer not null primary key";
  for (const Column &c : columns)
    list += ", n" + std::to_string(c.precision) + "_" + std::to_string(c.scale) + " numeric(" +
            std::to_string(c.precision) + "," + std::to_string(c.scale) + ")";
  return list;
}

// The text an unload writes for the integer `digits` of a column with
// `scale` fraction digits: no trailing fraction zeros, no bare point.
std::string canonicalText(bool negative, const std::string &digits, int scale) {
  std::string padded = digits;
  if (static_cast<int>(padded.size()) <= scale)
    padded.insert(0, static_cast<size_t>(scale + 1) - padded.size(), '0');
  const std::string whole = padded.substr(0, padded.size() - static_cast<size_t>(scale));
  std::string fraction = padded.substr(padded.size() - static_cast<size_t>(scale));
  while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
  const bool zero = digits.find_first_not_of('0') == std::string::npos;
  return (negative && !zero ? "-" : "") + whole + (fraction.empty() ? "" : "." + fraction);
}

// A value of at most `precision` digits: the first rows hold the ends of
// the column and the units of its last digit, the rest random values whose
// digit count is itself random, so small and large magnitudes both occur.
std::string randomText(std::mt19937_64 &random, const Column &c, int row) {
  std::string digits;
  bool negative = random() & 1;
  switch (row) {
    case 0: digits = std::string(static_cast<size_t>(c.precision), '9'); negative = false; break;
    case 1: digits = std::string(static_cast<size_t>(c.precision), '9'); negative = true; break;
    case 2: digits = "1"; negative = false; break;
    case 3: digits = "1"; negative = true; break;
    case 4: digits = "0"; break;
    default: {
      const int count = 1 + static_cast<int>(random() % static_cast<unsigned>(c.precision));
      for (int i = 0; i < count; ++i) digits += static_cast<char>('0' + random() % 10);
      digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size() - 1));
    }
  }
  return canonicalText(negative, digits, c.scale);
}

// Loads kRows random rows of the columns, unloads them, loads the unload
// into an empty copy and unloads that: both unloads must give the texts
// loaded. The database stays in dir as random.fdb.
void roundTrip(const std::vector<Column> &columns, const TempDir &dir) {
  const std::string db = dir.file("random.fdb");
  const std::string list = columnList(columns);
  ASSERT_TRUE(createDatabase(db, "create table r (" + list + "); create table r2 (" + list + ");"));

  std::mt19937_64 random(18);
  std::string expected;
  for (int row = 0; row < kRows; ++row) {
    expected += std::to_string(row);
    for (const Column &c : columns) expected += "," + randomText(random, c, row);
    expected += "\n";
  }
  writeFile(dir.file("in.csv"), expected);

  const std::string variables = std::to_string(columns.size() + 1);
  std::string markers = "?";
  for (size_t i = 0; i < columns.size(); ++i) markers += i % 20 == 19 ? ",\n?" : ", ?";
  auto run = [&](const std::string &options, const std::string &statement) {
    writeFile(dir.file("run.cmd"), "options db=" + db + " user=SYSDBA passwd=masterkey" +
                                       " variables=" + variables + " delimiter=, lineend=u " +
                                       options + "\n" + statement + "\n");
    const RunResult r = runLodrun({"-x", "run.cmd"}, "", {}, dir.path());
    EXPECT_EQ(r.exitCode, 0) << r.out;
    return r.exitCode == 0;
  };
  ASSERT_TRUE(run("direction=i file=in.csv trans=5000", "insert into r values (" + markers + ")"));
  ASSERT_TRUE(run("direction=o file=out.csv", "select * from r order by id"));
  const std::string unloaded = readFile(dir.file("out.csv"));
  EXPECT_TRUE(unloaded == expected) << "the unload differs from the texts loaded";
  ASSERT_TRUE(run("direction=i file=out.csv trans=5000", "insert into r2 values (" + markers + ")"));
  ASSERT_TRUE(run("direction=o file=copy.csv", "select * from r2 order by id"));
  EXPECT_TRUE(readFile(dir.file("copy.csv")) == expected) << "the copy differs";
}

}  // namespace

// Two halves of about 95 columns each, so that ctest can run them side by
// side.
TEST(ExactValuesRandom, Precisions1To12SurviveUnloadAndLoad) {
  TempDir dir;
  roundTrip(everyScale(1, 12), dir);
  EXPECT_EQ(queryRows(dir.file("random.fdb"),
                      "select n1_0, n1_1, n4_1, n12_6 from r2 where id < 5 order by id"),
            (std::vector<std::string>{
                "9|0.9|999.9|999999.999999",
                "-9|-0.9|-999.9|-999999.999999",
                "1|0.1|0.1|0.000001",
                "-1|-0.1|-0.1|-0.000001",
                "0|0.0|0.0|0.000000",
            }));
}

TEST(ExactValuesRandom, Precisions13To18SurviveUnloadAndLoad) {
  TempDir dir;
  roundTrip(everyScale(13, 18), dir);
  EXPECT_EQ(queryRows(dir.file("random.fdb"),
                      "select n18_0, n18_18 from r2 where id < 5 order by id"),
            (std::vector<std::string>{
                "999999999999999999|0.999999999999999999",
                "-999999999999999999|-0.999999999999999999",
                "1|0.000000000000000001",
                "-1|-0.000000000000000001",
                "0|0.000000000000000000",
            }));
}
