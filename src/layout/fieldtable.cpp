// fieldtable.cpp - the field table: allocated once the variable count is
// known, indexed by delimited position once the layout is complete, so a
// record visits only the entries its fields feed.
#include "layout/fieldtable.h"

#include "dblib/dbfuncs.h"
#include "dblib/extras.h"
#include "job/settings.h"

void ensureFieldTable() {
  if (job.fieldCount > 0) return;
  const int count = job.sqlVariableCount + job.extraFieldCount;
  job.fieldCount = static_cast<short>(count);
  const long entries = count > 0 ? count : 0;
  job.fieldTable = static_cast<FieldSpec *>(
      allocZeroed(entries * static_cast<long>(sizeof(FieldSpec)), "field params"));
}

int prepareRecordFields() {
  FieldPositions &index = job.fieldPositions;
  index.highest = 0;
  for (int i = 0; i < job.fieldCount; ++i) {
    const FieldSpec &f = job.fieldTable[i];
    if (f.sqlField > 0 && f.position > index.highest) index.highest = f.position;
  }
  index.first.assign(static_cast<size_t>(index.highest) + 2, 0);
  index.entries.clear();
  index.unplaced.clear();
  for (int p = 1; p <= index.highest; ++p) {
    index.first[static_cast<size_t>(p)] = static_cast<int>(index.entries.size());
    for (int i = 0; i < job.fieldCount; ++i)
      if (job.fieldTable[i].position == p) index.entries.push_back(i);
  }
  index.first[static_cast<size_t>(index.highest) + 1] = static_cast<int>(index.entries.size());
  for (int i = 0; i < job.fieldCount; ++i) {
    const short position = job.fieldTable[i].position;
    if (position < 1 || position > index.highest) index.unplaced.push_back(i);
  }
  // The statement is prepared for the whole run: each variable is looked up
  // once, not for every record.
  index.inputs.assign(static_cast<size_t>(job.fieldCount > 0 ? job.fieldCount : 0), {});
  for (int i = 0; i < job.fieldCount; ++i) {
    const FieldSpec &f = job.fieldTable[i];
    if (f.sqlField > 0 && f.sqlType != kTypeBlob)
      LocateInputField(f.sqlField, &job.queryRecord, &index.inputs[static_cast<size_t>(i)]);
  }
  return index.highest;
}

const int *positionEntries(int position, int *count) {
  const FieldPositions &index = job.fieldPositions;
  if (position < 1 || position > index.highest) {
    *count = 0;
    return nullptr;
  }
  *count = index.first[position + 1] - index.first[position];
  return index.entries.data() + index.first[position];
}
