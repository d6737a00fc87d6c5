// Fixed-size unloads end to end: record bytes at their positions, widths,
// binary values, dates, record failures and the checks that stop a run.
#include <algorithm>
#include <cstdint>
#include <string>

#include "dblib/dbfuncs.h"
#include "unload_fixture.h"

namespace {

template <typename T>
std::string bytesOf(T value) {
  return std::string(reinterpret_cast<const char *>(&value), sizeof value);
}

TEST_F(UnloadRun, Fixed_ComputedWidthLreclBinaryValuesAndFillers) {
  const char select[] =
      "select c4{position=1 size=5}, i{position=6 size=6}, s{position=12 size=2 external=int},"
      " f{position=14 size=4 external=float}, d{position=18 size=8 external=float},"
      " n{position=26 size=7} from t order by id";
  // The computed width is one byte beyond the furthest field.
  const std::string row1 = "ab   ******" + bytesOf<int16_t>(7) + bytesOf(1.5f) + bytesOf(2.25) +
                           "00012.5*";
  const std::string row2 = "*****000-42" + bytesOf<int16_t>(-1) + bytesOf(-0.5f) +
                           bytesOf(1e10) + "00-3.25*";
  const std::string row3(33, '*');
  unload("variables=6 pad=*", select);
  EXPECT_EQ(output(), row1 + "\r\n" + row2 + "\r\n" + row3 + "\r\n");
  EXPECT_EQ(out, selected(3));

  // With lrecl: no line ends, fillers of each kind beyond the columns.
  unload("variables=6 pad=* lrecl=60 xtra_fields=3 startcount=41 filler=34;36;+;7"
         " filler=37;41;enum;7 filler=42;51;sysdate;11", select);
  const std::string tail = runDate() + "*********";
  EXPECT_EQ(output(), row1 + "+++00042" + tail + row2 + "+++00043" + tail + row3 + "+++00044" +
                          tail);
}

// A field placed exactly over another is no overlap: a filler under a
// column shows through where the column is NULL or empty.
TEST_F(UnloadRun, Fixed_FillerUnderAColumnShowsWhereItIsNull) {
  unload("variables=2 lrecl=8 xtra_fields=1 filler=3;6;-;7",
         "select id{position=1 size=2}, c4{position=3 size=4} from t order by id");
  EXPECT_EQ(out, selected(3));
  EXPECT_EQ(output(), "01ab    02----  03----  ");
}

TEST_F(UnloadRun, Fixed_EveryDateFormatWithEitherSeparator) {
  const char select[] =
      "select ts{position=1 size=10 dateform=11}, ts{position=11 size=10 dateform=12},"
      " ts{position=21 size=19 dateform=13}, ts{position=40 size=19 dateform=14},"
      " ts{position=59 size=11 dateform=15}, ts{position=70 size=10 dateform=16},"
      " ts{position=80 size=19 dateform=17}, ts{position=99 size=8 external=float dateform=19},"
      " ts{position=107 size=4 external=int dateform=20},"
      " ts{position=111 size=4 external=int dateform=21},"
      " ts{position=115 size=8 external=int dateform=22} from t where id = 1";
  const std::string binary = bytesOf(20090112 + 140509 * 0.000001) + bytesOf<int32_t>(20090112) +
                             bytesOf<int32_t>(2009012) + bytesOf<int64_t>(20090112140509);
  for (const char *separator : {"/", "-"}) {
    std::string texts = "2009/01/1201/12/20092009/01/12 14:05:0901/12/2009 14:05:09"
                        "12/Jan/200912/01/200912/01/2009 14:05:09";
    std::replace(texts.begin(), texts.end(), '/', *separator);
    unload(*separator == '-' ? "variables=11 hyphenateDate" : "variables=11", select);
    EXPECT_EQ(output(), texts + binary + " \r\n");
  }
}

TEST_F(UnloadRun, Fixed_RecordTooLongForItsFieldFailsAgainstErrors) {
  // One byte holds -128 to 255: -244 and 256 do not fit, 6 does.
  unload("variables=2 errors=2",
         "select id{position=1 size=2}, (id - 2) * 250 + 6{position=3 size=1 external=int}"
         " from t order by id");
  EXPECT_EQ(exitCode, 1);
  EXPECT_EQ(out,
            "Lodrun #: output record 1, field 2 truncated from 2 to 1\r\n"
            "Lodrun #: output record 3, field 2 truncated from 2 to 1\r\n" +
                aborted(3));
  // The first failed record is still written as far as it was built.
  EXPECT_EQ(output(), "01  \r\n02\x06 \r\n");

  // A date text wider than its field fails the record the same way.
  unload("variables=1 errors=5", "select ts{position=1 size=8 dateform=11} from t order by id");
  EXPECT_EQ(out,
            "Lodrun #: output record 1, field 1 truncated from 10 to 8\r\n"
            "Lodrun #: output record 2, field 1 truncated from 10 to 8\r\n" + selected(3));
  const std::string blankRecord = std::string(9, ' ') + "\r\n";
  EXPECT_EQ(output(), blankRecord + blankRecord + blankRecord);
}

// Checks that stop a run: before any row (the layout), or at the row.
TEST_F(UnloadRun, Fixed_LayoutAndValueChecksStopTheRun) {
  const std::string tooLong =
      std::string("Got dblib error 20102 while doing GetField with SQL field 2: ") +
      DblibErrorText(20102) + "\r\n";
  struct Case {
    const char *options;
    const char *select;
    std::string printed;
  };
  const Case cases[] = {
      {"", "select id{position=1 size=10}, c4{position=5 size=10} from t",
       "Lodrun #: output fields 1 and 2 overlap\r\n" + aborted(0)},
      {"lrecl=12", "select id{position=1 size=4}, c4{position=5 size=10} from t",
       "Lodrun #: output field 2 too big for record\r\n" + aborted(0)},
      // With CR LF a field may end at byte 8181 at most.
      {"", "select id{position=1 size=4}, c4{position=8178 size=5} from t",
       "Lodrun #: output field 2 too big for record\r\n" + aborted(0)},
      {"", "select id{position=1 size=4}, c4{position=5 size=1} from t order by id",
       tooLong + aborted(1)},
      {"", "select id{position=1 size=4}, bt{position=5 size=5} from t order by id",
       "Lodrun #: blob for col 2, record 1 too long (9, max: 5)\r\n" + aborted(1)},
  };
  for (const Case &c : cases) {
    unload(std::string("variables=2 ") + c.options, c.select);
    EXPECT_EQ(exitCode, 1) << c.select;
    const size_t at = out.size() > c.printed.size() ? out.size() - c.printed.size() : 0;
    EXPECT_EQ(out.substr(at), c.printed) << c.select;
  }
}

TEST_F(UnloadRun, Fixed_WidestRecordAndBlobBytesFitTheirFields) {
  unload("variables=2",
         "select id{position=1 size=4}, c4{position=8178 size=4} from t where id = 1");
  EXPECT_EQ(output(), "0001" + std::string(8173, ' ') + "ab   \r\n");
  unload("variables=1", "select bt{position=1 size=10} from t order by id");
  EXPECT_EQ(output(), "some text  \r\n           \r\n           \r\n");
}

}  // namespace
