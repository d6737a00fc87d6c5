// recordformat.cpp - the run's record format, set once by the driver.
//
//   chooseRecordFormat (format/) --useRecordFormat--> chosen --recordFormat()--> loops, validation
#include "job/recordformat.h"

namespace {

const RecordFormat *chosen = nullptr;

}  // namespace

const RecordFormat &recordFormat() { return *chosen; }

void useRecordFormat(const RecordFormat *format) { chosen = format; }
