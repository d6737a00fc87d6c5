// formatTimestampText against the client's decoding and formatDate, over
// every day the database can hold, and formatWholeNumber against
// formatNumber.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <random>
#include <string>

#include "dblib/dbfuncs.h"
#include "dblib/convert.h"
#include "dblib/dbinternal.h"

namespace {

// ISC_DATE of 0001-01-01 and of 9999-12-31.
constexpr ISC_DATE kFirstDay = -678575;
constexpr ISC_DATE kLastDay = 2973483;
constexpr ISC_TIME kDay = 864000000;

std::string general(const ISC_TIMESTAMP &stamp, int format) {
  struct tm time = {};
  isc_decode_timestamp(const_cast<ISC_TIMESTAMP *>(&stamp), &time);
  char text[32] = {};
  EXPECT_EQ(formatDate(format, &time, text), kDbOk);
  return text;
}

std::string located(const ISC_TIMESTAMP &stamp, int format) {
  char data[sizeof stamp];
  std::memcpy(data, &stamp, sizeof stamp);
  char text[20];
  const int length = formatTimestampText(data, format, text);
  if (length < 0) return "<general>";
  EXPECT_EQ(static_cast<size_t>(length), std::strlen(text));
  return std::string(text, static_cast<size_t>(length));
}

class DateSeparatorGuard {
 public:
  explicit DateSeparatorGuard(char separator) : saved_(DBrunSettings().dateSeparator) {
    DBrunSettings().dateSeparator = separator;
  }
  ~DateSeparatorGuard() { DBrunSettings().dateSeparator = saved_; }

 private:
  char saved_;
};

TEST(TimestampText, EveryDayOfTheDatabaseRangeAsTheClientDecodesIt) {
  DateSeparatorGuard separator('/');
  ISC_TIMESTAMP stamp = {kFirstDay, 0};
  for (ISC_DATE day = kFirstDay; day <= kLastDay; ++day) {
    stamp.timestamp_date = day;
    const std::string want = general(stamp, FmtMDYdate);
    const std::string got = located(stamp, FmtMDYdate);
    if (got != want) {
      ADD_FAILURE() << "day " << day << ": " << got << " != " << want;
      break;
    }
  }
}

TEST(TimestampText, EveryTextFormatWithTimesOfDay) {
  std::mt19937 random(7);
  for (const char sep : {'/', '-', '.'}) {
    DateSeparatorGuard separator(sep);
    for (int format = FmtYMDdate; format <= FmtDMYtime; ++format) {
      for (int i = 0; i < 20000; ++i) {
        ISC_TIMESTAMP stamp;
        const auto days = static_cast<unsigned>(kLastDay - kFirstDay + 1);
        stamp.timestamp_date = kFirstDay + static_cast<ISC_DATE>(random() % days);
        stamp.timestamp_time =
            i % 4 == 0 ? kDay - 1 - static_cast<ISC_TIME>(i % 3) : random() % kDay;
        ASSERT_EQ(located(stamp, format), general(stamp, format))
            << "format " << format << " day " << stamp.timestamp_date << " time "
            << stamp.timestamp_time;
      }
    }
  }
}

TEST(TimestampText, OutsideTheDatabaseRangeOnlyTheGeneralWay) {
  const ISC_TIMESTAMP outside[] = {{kFirstDay - 1, 0}, {kLastDay + 1, 0}, {0, kDay}, {INT_MIN, 0}};
  for (const ISC_TIMESTAMP &stamp : outside)
    EXPECT_EQ(located(stamp, FmtMDYdate), "<general>") << stamp.timestamp_date;
  EXPECT_EQ(located({0, 0}, FmtTimestamp), "<general>");
  EXPECT_EQ(located({0, 0}, FmtInt64Date), "<general>");
}

TEST(WholeNumberText, SameAsFormatNumber) {
  std::mt19937_64 random(11);
  for (int i = 0; i < 200000; ++i) {
    long long value = static_cast<long long>(random());
    if (i % 4 == 1) value >>= (random() % 63);
    if (i % 4 == 2) value = static_cast<long long>(i) - 100000;
    if (i % 1000 == 3) value = i % 2 ? LLONG_MIN : LLONG_MAX;
    NumericPair pair;
    pair.whole = value;
    pair.real = static_cast<double>(value);
    const int expectedLength = formatNumber(&pair);
    const std::string expected(NumberText(), static_cast<size_t>(expectedLength));
    char text[24];
    const int length = formatWholeNumber(value, text);
    ASSERT_EQ(std::string(text, static_cast<size_t>(length)), expected) << value;
    ASSERT_EQ(text[length], '\0');
  }
}

}  // namespace
