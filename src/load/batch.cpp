// batch.cpp - a load's records executed B at a time through one EXECUTE
// BLOCK.
//
//   converted record: job.queryRecord's input XSQLVARs
//     --MoveInputValues--> block slot s (s = 0 .. B-1)    [submitRecord]
//     ... B records, or a restart point, a rejected record, the end ...
//   block (N = records gathered) --ExecuteQuery--> database [flushBatch]
//     \--refused--> every slot --MoveInputValues--> job.queryRecord
//                   --executeRecord--> database (one by one, as without batches)
//   output of record s's reading and conversion --held (common/messagesink.h)-->
//     released before s executes, dropped behind a refused block
//   record s as read --format.rawText--> recordText[s] (discards of a re-run,
//     and back into inputBuffer when the format reads there)
//
// The block's parameters are declared with the types the statement
// described, so every value goes through the same conversions as alone.
#include "load/batch.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "common/messagesink.h"
#include "dblib/dbfuncs.h"
#include "job/fileclash.h"
#include "job/interrupt.h"
#include "job/recordformat.h"
#include "job/run.h"
#include "job/settings.h"
#include "load/blockstatement.h"
#include "load/loadloop.h"

namespace {

bool wrappable(std::vector<DescribedInput> *inputs, std::vector<std::string> *types,
               std::vector<size_t> *markers, bool *lineComment);
bool prepareBlock(const std::vector<std::string> &types, const std::vector<size_t> &markers,
                  bool lineComment, int slots, BlockGuard guard);
bool needsNames(const std::vector<DescribedInput> &inputs);
int fittingSlots(int wanted, const std::vector<DescribedInput> &inputs, size_t textPerSlot);
int slotVariable(int slot) { return 2 + slot * job.batch.inputs; }
void runOneByOne(int count, long held);
void showGatheredOutput();

}  // namespace

void openBatch() {
  job.batch.slots = 1;
  job.batch.gathered = 0;
  const bool remote = job.dbName != nullptr && !localDatabase(job.dbName);
  const int wanted = job.batchSize > 0 ? job.batchSize
                     : remote          ? kDefaultRemoteBatchSize
                                       : kDefaultBatchSize;
  job.batch.inputs = job.queryRecord.inputCount;
  if (wanted < 2 || job.batch.inputs < 1 || job.queryRecord.outputCount != 0) return;

  // Whatever dblib reports while the block is tried is not the run's.
  KeepClientStatus();
  holdStandardOutput();
  std::vector<DescribedInput> inputs;
  std::vector<std::string> types;
  std::vector<size_t> markers;
  bool lineComment = false;
  if (wrappable(&inputs, &types, &markers, &lineComment)) {
    const std::string one = buildBlockText(job.sqlText, markers, lineComment, types, 1);
    // The whole-block guard doubles the text and the contexts, which a
    // large block or statement may not have room for.
    for (int slots = fittingSlots(wanted, inputs, one.size()); slots >= 2; slots /= 2)
      if (prepareBlock(types, markers, lineComment, slots, BlockGuard::kWholeBlock) ||
          prepareBlock(types, markers, lineComment, slots, BlockGuard::kPerSlot))
        break;
  }
  stopHoldingStandardOutput();
  RestoreClientStatus();
  if (job.batch.slots > 1) setAbortHook(flushBatch);
  setStopHook(showGatheredOutput);
}

void submitRecord(int length) {
  if (job.batch.slots < 2) {
    executeRecord();
    return;
  }
  const int slot = job.batch.gathered;
  MoveInputValues(&job.queryRecord, 1, &job.batch.block, slotVariable(slot), job.batch.inputs);
  job.batch.recordNumber[slot] = job.recordCount;
  // The record as the format read it (a CSV record may be far longer than
  // job.inputBuffer), as the discards would take it.
  int bytes = length;
  const char *text = recordFormat().rawText(&bytes);
  job.batch.recordLength[slot] = bytes;
  job.batch.recordText[slot].assign(text, static_cast<size_t>(bytes < 0 ? 0 : bytes));
  job.batch.heldEnd[slot] = standardOutputHeld() ? heldOutputLength() : 0;
  ++job.batch.gathered;
  if (job.batch.dirtySlots < job.batch.gathered) job.batch.dirtySlots = job.batch.gathered;
  if (job.batch.gathered == 1) holdStandardOutput();
  if (job.batch.gathered == job.batch.slots) flushBatch();
}

void flushBatch() {
  const int count = job.batch.gathered;
  if (count == 0) return;
  // Settled from here on: a failure below ends the run through abortRun,
  // whose hook must find nothing left to execute.
  job.batch.gathered = 0;
  const long held = heldOutputLength();
  if (job.batch.dirtySlots > count) {
    // Slots past the records keep no values: they are not executed, but
    // their parameters are still read.
    SetInputsNull(&job.batch.block, slotVariable(count),
                  (job.batch.dirtySlots - count) * job.batch.inputs);
    job.batch.dirtySlots = count;
  }
  const int32_t records = count;
  PutField(FmtLong, &job.batch.block, 1, static_cast<int>(sizeof records),
           reinterpret_cast<const char *>(&records));
  KeepClientStatus();
  const int result = ExecuteQuery(&job.batch.block, &job.transactionHandle);
  // A refused block's report lies past `held` and is never released.
  stopHoldingStandardOutput();
  if (result == kDbOk) {
    releaseHeldOutput(0, held);
    return;
  }
  RestoreClientStatus();
  runOneByOne(count, held);
}

bool rerunRecord(const char **text, int *length) {
  if (job.batch.rerunSlot < 0) return false;
  const std::string &record = job.batch.recordText[job.batch.rerunSlot];
  *text = record.data();
  *length = job.batch.recordLength[job.batch.rerunSlot];
  return true;
}

namespace {

// A stop by signal: the gathered records are never executed (they would
// only be rolled back), but what their reading wrote shows before the stop
// line, as it does without batches.
void showGatheredOutput() {
  if (!standardOutputHeld()) return;
  const long held = heldOutputLength();
  stopHoldingStandardOutput();
  releaseHeldOutput(0, held);
}

// The records of a refused block, one by one, each after its held output,
// with job.recordCount and job.inputBuffer as when it was read. When they all
// pass, the block itself is what the database refuses, and the rest of the
// run goes record by record.
void runOneByOne(int count, long held) {
  const int current = job.recordCount;
  job.batch.current.assign(job.inputBuffer, kBufferSize);
  const bool restoreText = recordFormat().rawTextInInputBuffer;
  bool allExecuted = true;
  long from = 0;
  for (int s = 0; s < count; ++s) {
    releaseHeldOutput(from, job.batch.heldEnd[s]);
    from = job.batch.heldEnd[s];
    MoveInputValues(&job.batch.block, slotVariable(s), &job.queryRecord, 1, job.batch.inputs);
    job.recordCount = job.batch.recordNumber[s];
    const std::string &record = job.batch.recordText[s];
    if (restoreText) {
      std::memcpy(job.inputBuffer, record.data(), record.size());
      job.inputBuffer[record.size()] = '\0';
    }
    job.batch.rerunSlot = s;
    allExecuted = executeRecord() && allExecuted;
    job.batch.rerunSlot = -1;
  }
  releaseHeldOutput(from, held);
  std::memcpy(job.inputBuffer, job.batch.current.data(), kBufferSize);
  job.recordCount = current;
  if (allExecuted) job.batch.slots = 1;
}

// The statement's markers, one per input variable, each with a type a block
// parameter can declare.
bool wrappable(std::vector<DescribedInput> *inputs, std::vector<std::string> *types,
               std::vector<size_t> *markers, bool *lineComment) {
  bool closed = false;
  *markers = findParameterMarkers(job.sqlText, &closed, lineComment);
  if (!closed || static_cast<int>(markers->size()) != job.batch.inputs) return false;
  inputs->assign(static_cast<size_t>(job.batch.inputs), DescribedInput{});
  if (DescribeInputs(&job.queryRecord, inputs->data(), job.batch.inputs) != kDbOk) return false;
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
                  bool lineComment, int slots, BlockGuard guard) {
  job.batch.blockText = buildBlockText(job.sqlText, markers, lineComment, types, slots, guard);
  if (job.batch.blockText.size() > kMaxStatementText) return false;
  job.batch.block = QueryRecord{};
  job.batch.block.sqlText = job.batch.blockText.c_str();
  job.batch.block.inputCount = static_cast<short>(1 + slots * job.batch.inputs);
  if (PrepareQuery(&job.batch.block, &job.transactionHandle) != kDbOk) return false;
  for (int s = 0; s < slots; ++s)
    if (SameInputForms(&job.queryRecord, 1, &job.batch.block, 2 + s * job.batch.inputs,
                       job.batch.inputs) != kDbOk)
      return false;
  // The statement's own forms in the block: the engine then copies each
  // value instead of converting it, and the client copies the message whole.
  if (UseMessageLayout(&job.batch.block) != kDbOk) return false;
  job.batch.slots = slots;
  job.batch.dirtySlots = 0;
  return true;
}

}  // namespace
