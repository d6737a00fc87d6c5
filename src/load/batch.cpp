// batch.cpp - a load's records executed B at a time through one EXECUTE
// BLOCK.
//
//   converted record: job.queryRecord's input XSQLVARs
//     --MoveInputValues--> block slot s (s = 0 .. B-1)    [submitRecord]
//     ... B records, or a restart point, a rejected record, the end ...
//   block (N = records gathered) --ExecuteQuery--> database [flushBatch]
//     \--refused--> every slot --MoveInputValues--> job.queryRecord
//                   --executeRecord--> database (one by one, as without batches)
//   output of record s's reading and conversion --held--> released before s
//
// The block's parameters are declared with the types the statement
// described, so every value goes through the same conversions as alone.
#include "load/batch.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "csv/csvreader.h"
#include "dblib/dbfuncs.h"
#include "job/run.h"
#include "job/settings.h"
#include "load/blockstatement.h"
#include "load/heldoutput.h"
#include "load/loadloop.h"

namespace {

struct Batch {
  QueryRecord block;
  std::string blockText;
  int slots = 1;      // records per execution; 1: record by record
  int inputs = 0;     // input variables of the run's statement
  int gathered = 0;   // records waiting in slots 0 .. gathered-1
  int dirtySlots = 0; // slots that may hold values since they were made NULL
  int recordNumber[kMaxBatchSize] = {};
  int recordLength[kMaxBatchSize] = {};  // as submitRecord got it
  int rerunSlot = -1;                    // the slot running alone, or -1
  long heldEnd[kMaxBatchSize] = {};  // end of the output held before slot s
  // Each slot's record as read, so that a re-run record finds job.inputBuffer
  // as it was when the record was converted; kept for the run (no allocation
  // per record once they have grown).
  std::string recordText[kMaxBatchSize];
  std::string current;  // job.inputBuffer while the slots re-run
};
Batch batch;

bool wrappable(std::vector<DescribedInput> *inputs, std::vector<std::string> *types,
               std::vector<size_t> *markers, bool *lineComment);
bool prepareBlock(const std::vector<std::string> &types, const std::vector<size_t> &markers,
                  bool lineComment, int slots);
bool needsNames(const std::vector<DescribedInput> &inputs);
int fittingSlots(int wanted, const std::vector<DescribedInput> &inputs, size_t textPerSlot);
int slotVariable(int slot) { return 2 + slot * batch.inputs; }
void runOneByOne(int count, long held);

}  // namespace

void openBatch() {
  batch.slots = 1;
  batch.gathered = 0;
  const int wanted = job.batchSize > 0 ? job.batchSize : kDefaultBatchSize;
  batch.inputs = job.queryRecord.inputCount;
  if (wanted < 2 || batch.inputs < 1 || job.queryRecord.outputCount != 0) return;

  // Whatever dblib reports while the block is tried is not the run's.
  KeepClientStatus();
  startHolding();
  std::vector<DescribedInput> inputs;
  std::vector<std::string> types;
  std::vector<size_t> markers;
  bool lineComment = false;
  if (wrappable(&inputs, &types, &markers, &lineComment)) {
    const std::string one = buildBlockText(job.sqlText, markers, lineComment, types, 1);
    for (int slots = fittingSlots(wanted, inputs, one.size()); slots >= 2; slots /= 2)
      if (prepareBlock(types, markers, lineComment, slots)) break;
  }
  stopHolding();
  RestoreClientStatus();
  if (batch.slots > 1) setAbortHook(flushBatch);
}

void submitRecord(int length) {
  if (batch.slots < 2) {
    executeRecord();
    return;
  }
  const int slot = batch.gathered;
  MoveInputValues(&job.queryRecord, 1, &batch.block, slotVariable(slot), batch.inputs);
  batch.recordNumber[slot] = job.recordCount;
  batch.recordLength[slot] = length;
  // A CSV record may be far longer than job.inputBuffer: keep its raw text.
  int bytes = job.recordLength > 0 ? job.recordLength : length;
  const char *text = job.csvMode ? csvRecordText(&bytes) : job.inputBuffer;
  batch.recordText[slot].assign(text, static_cast<size_t>(bytes < 0 ? 0 : bytes));
  batch.heldEnd[slot] = holdingOutput() ? heldLength() : 0;
  ++batch.gathered;
  if (batch.dirtySlots < batch.gathered) batch.dirtySlots = batch.gathered;
  if (batch.gathered == 1) startHolding();
  if (batch.gathered == batch.slots) flushBatch();
}

void flushBatch() {
  const int count = batch.gathered;
  if (count == 0) return;
  // Settled from here on: a failure below ends the run through abortRun,
  // whose hook must find nothing left to execute.
  batch.gathered = 0;
  const long held = heldLength();
  if (batch.dirtySlots > count) {
    // Slots past the records keep no values: they are not executed, but
    // their parameters are still read.
    SetInputsNull(&batch.block, slotVariable(count), (batch.dirtySlots - count) * batch.inputs);
    batch.dirtySlots = count;
  }
  const int32_t records = count;
  PutField(FmtLong, &batch.block, 1, static_cast<int>(sizeof records),
           reinterpret_cast<const char *>(&records));
  KeepClientStatus();
  const int result = ExecuteQuery(&batch.block, &job.transactionHandle);
  // A refused block's report lies past `held` and is never released.
  stopHolding();
  if (result == kDbOk) {
    releaseHeld(0, held);
    return;
  }
  RestoreClientStatus();
  runOneByOne(count, held);
}

bool rerunRecord(const char **text, int *length) {
  if (batch.rerunSlot < 0) return false;
  const std::string &record = batch.recordText[batch.rerunSlot];
  *text = record.data();
  *length = job.csvMode ? static_cast<int>(record.size()) : batch.recordLength[batch.rerunSlot];
  return true;
}

namespace {

// The records of a refused block, one by one, each after its held output,
// with job.recordCount and job.inputBuffer as when it was read. When they all
// pass, the block itself is what the database refuses, and the rest of the
// run goes record by record.
void runOneByOne(int count, long held) {
  const int current = job.recordCount;
  batch.current.assign(job.inputBuffer, kBufferSize);
  bool allExecuted = true;
  long from = 0;
  for (int s = 0; s < count; ++s) {
    releaseHeld(from, batch.heldEnd[s]);
    from = batch.heldEnd[s];
    MoveInputValues(&batch.block, slotVariable(s), &job.queryRecord, 1, batch.inputs);
    job.recordCount = batch.recordNumber[s];
    const std::string &record = batch.recordText[s];
    if (!job.csvMode) {
      std::memcpy(job.inputBuffer, record.data(), record.size());
      job.inputBuffer[record.size()] = '\0';
    }
    batch.rerunSlot = s;
    allExecuted = executeRecord() && allExecuted;
    batch.rerunSlot = -1;
  }
  releaseHeld(from, held);
  std::memcpy(job.inputBuffer, batch.current.data(), kBufferSize);
  job.recordCount = current;
  if (allExecuted) batch.slots = 1;
}

// The statement's markers, one per input variable, each with a type a block
// parameter can declare.
bool wrappable(std::vector<DescribedInput> *inputs, std::vector<std::string> *types,
               std::vector<size_t> *markers, bool *lineComment) {
  bool closed = false;
  *markers = findParameterMarkers(job.sqlText, &closed, lineComment);
  if (!closed || static_cast<int>(markers->size()) != batch.inputs) return false;
  inputs->assign(static_cast<size_t>(batch.inputs), DescribedInput{});
  if (DescribeInputs(&job.queryRecord, inputs->data(), batch.inputs) != kDbOk) return false;
  // A refused block has used up the blobs its records created, so they could
  // not run again one by one: blob statements go record by record.
  for (const DescribedInput &input : *inputs)
    if ((input.sqltype & ~1) == SQL_BLOB) return false;
  std::vector<CollationName> names;
  if (needsNames(*inputs) && !readCollationNames(&job.transactionHandle, &names)) return false;
  for (const DescribedInput &input : *inputs) {
    types->push_back(declareInput(input, names));
    if (types->back().empty()) return false;
  }
  return true;
}

bool needsNames(const std::vector<DescribedInput> &inputs) {
  for (const DescribedInput &input : inputs) {
    const int type = input.sqltype & ~1;
    if (type == SQL_TEXT || type == SQL_VARYING) return true;
  }
  return false;
}

// The most slots under `wanted` whose block text and input message stay
// within Firebird's limits.
int fittingSlots(int wanted, const std::vector<DescribedInput> &inputs, size_t textPerSlot) {
  int slots = wanted < kMaxBatchSize ? wanted : kMaxBatchSize;
  const size_t message = messageBytesPerSlot(inputs);
  // The text of one slot, with room for longer parameter numbers.
  const size_t text = textPerSlot + 8 * inputs.size() + 16;
  while (slots >= 2 && (message * static_cast<size_t>(slots) + 16 > kMaxMessageBytes ||
                        text * static_cast<size_t>(slots) > kMaxStatementText))
    --slots;
  return slots;
}

// Prepares the block for `slots` records; true when the database took it and
// every slot's variables have the forms of the statement's own.
bool prepareBlock(const std::vector<std::string> &types, const std::vector<size_t> &markers,
                  bool lineComment, int slots) {
  batch.blockText = buildBlockText(job.sqlText, markers, lineComment, types, slots);
  if (batch.blockText.size() > kMaxStatementText) return false;
  batch.block = QueryRecord{};
  batch.block.sqlText = batch.blockText.c_str();
  batch.block.inputCount = static_cast<short>(1 + slots * batch.inputs);
  if (PrepareQuery(&batch.block, &job.transactionHandle) != kDbOk) return false;
  for (int s = 0; s < slots; ++s)
    if (SameInputForms(&job.queryRecord, 1, &batch.block, 2 + s * batch.inputs, batch.inputs) !=
        kDbOk)
      return false;
  batch.slots = slots;
  batch.dirtySlots = 0;
  return true;
}

}  // namespace
