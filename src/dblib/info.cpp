// info.cpp - reading numeric items out of the client's information answers
// (database, statement and blob information), which land in infoBuffer.
//
//   infoBuffer: tag, 2-byte little-endian length, value ... isc_info_end
//   a cluster tag holds further clauses of the same form inside its value
#include <cstdio>

#include "common/messagesink.h"
#include "dblib/dbinternal.h"

namespace {

constexpr unsigned char kInfoEnd = isc_info_end;
constexpr unsigned char kInfoError = isc_info_error;
constexpr int kClauseHeader = 3;  // tag byte and 2-byte length

// The answer ends after its last non-zero byte (infoBuffer is zeroed before
// each information call).
int answerLength() {
  int end = kInfoBufferSize;
  while (end > 0 && infoBuffer[end - 1] == 0) --end;
  return end;
}

int clauseLength(int position) {
  return static_cast<int>(isc_vax_integer(infoBuffer + position + 1, 2));
}

}  // namespace

long ReadInfoItem(const char *label, int cluster, int item) {
  if (statusVector[0] == 1 && statusVector[1] != 0) {
    DumpStatusLongs(label);
    return -1;
  }
  int limit = answerLength();
  bool entered = false;
  int position = 0;
  while (position + kClauseHeader <= limit) {
    const int tag = static_cast<unsigned char>(infoBuffer[position]);
    if (tag == kInfoEnd) break;
    const int length = clauseLength(position);
    const int value = position + kClauseHeader;
    // A clause that claims more bytes than the answer holds ends the walk.
    if (length < 0 || value + length > limit) break;
    if (tag == item)
      return isc_vax_integer(infoBuffer + value, static_cast<short>(length));
    if (cluster != 0 && tag == cluster && !entered) {
      entered = true;
      limit = value + length;
      position = value;
      continue;
    }
    position = value + length;
  }
  if (static_cast<unsigned char>(infoBuffer[0]) == kInfoError) {
    const int length = clauseLength(0);
    const long code = length > 0 && kClauseHeader + length <= kInfoBufferSize
                          ? isc_vax_integer(infoBuffer + kClauseHeader, static_cast<short>(length))
                          : 0;
    printMessage(dbMessages(), "Error %d returned from isc_dsql_sql_info\r\n",
                 static_cast<int>(code));
  }
  return -1;
}
