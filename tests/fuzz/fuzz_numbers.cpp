// fuzz_numbers.cpp - number texts and binary numbers into the numeric pair,
// and the pair out again as text and into every numeric variable type; the
// same texts through CSV mode's strict grammar into every scale and both
// floating types.
//
// Input: settings byte (comma fractions, stop character, binary format),
// then the number's bytes.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "dblib/dbfuncs.h"
#include "dblib/exactvalues.h"
#include "harness.h"
#include "job/settings.h"
#include "dblib/convert.h"
#include "dblib/dbinternal.h"

namespace {

void storeEvery(const NumericPair &pair) {
  for (int type : {kSqlShort, kSqlLong, kSqlInt64, kSqlFloat, kSqlDouble}) {
    alignas(8) char variable[16];
    storeNumber(variable, &pair, type);
    storeNumber(variable, &pair, type & ~1);
  }
  formatNumber(&pair);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 1) return 0;
  freshJob();
  const uint8_t settings = data[0];
  job.fractComma = settings & 1;
  const char stop = (settings & 2) != 0 ? ',' : '\0';
  const std::string text(reinterpret_cast<const char *>(data + 1), size - 1);

  NumericPair pair;
  const int length = (settings & 4) != 0 ? 0 : static_cast<int>(text.size());
  if (scanNumber(&pair, length, text.c_str(), stop) == 0) storeEvery(pair);

  DecimalText decimal;
  if (scanDecimal(text.data(), static_cast<int>(text.size()), (settings & 1) != 0, &decimal) == 0) {
    long long value = 0;
    for (int digits = 0; digits <= kMaxScaleDigits; ++digits)
      decimalToScaled(decimal, digits, &value);
    double real = 0;
    float narrow = 0;
    decimalToDouble(decimal, &real);
    decimalToFloat(decimal, &narrow);
  }

  alignas(8) char binary[16] = {};
  std::memcpy(binary, text.data(), std::min(text.size(), sizeof binary));
  const int format = 1 + (settings >> 3) % 5;
  const int width = static_cast<int>(std::min<size_t>(text.size(), 8));
  NumericPair read;
  if (readBinaryNumber(binary, width, &read, format) == 0) storeEvery(read);
  return 0;
}
