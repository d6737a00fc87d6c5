// batch.cpp - a load's records executed B at a time through one EXECUTE
// BLOCK.
//
//   converted record: job.queryRecord's input XSQLVARs
//     --MoveResolvedInputs--> block slot s (s = 0 .. B-1)    [submitRecord]
//     ... B records, or a restart point, a rejected record, the end ...
//   LoadRecord (number, text) --copied--> records[s], its text into texts
//   block (N = records gathered) --ExecuteQuery--> database [flushBatch]
//     \--refused--> every slot --MoveInputValues--> job.queryRecord
//                   --executeRecord(records[s])--> database (one by one, as
//                   without batches; a refused one is discarded as stored)
//   output of record s's reading and conversion --held (common/messagesink.h)-->
//     released before s executes, dropped behind a refused block
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
#include "job/run.h"
#include "job/settings.h"
#include "load/blockstatement.h"
#include "load/loadloop.h"

namespace {

// The prepared block. dblib keeps it registered until the session closes,
// so it lives as long as the process, not as one run's batch.
QueryRecord block;
std::string blockText;
// The statement's input variables into each slot's, looked up once.
std::vector<InputMove> slotMoves;
// The batch between openBatch and closeBatch, for the stops.
Batch *openedBatch = nullptr;

bool wrappable(int count, std::vector<DescribedInput> *inputs, std::vector<std::string> *types,
               std::vector<size_t> *markers, bool *lineComment);
bool prepareBlock(Batch *batch, const std::vector<std::string> &types,
                  const std::vector<size_t> &markers, bool lineComment, int slots,
                  BlockGuard guard);
bool needsNames(const std::vector<DescribedInput> &inputs);
int fittingSlots(int wanted, const std::vector<DescribedInput> &inputs, size_t textPerSlot);
int slotVariable(const Batch &batch, int slot) { return 2 + slot * batch.inputs; }
void runOneByOne(Batch *batch, int count, long held);
void flushOpenedBatch();
void showGatheredOutput();

}  // namespace

void openBatch(Batch *batch) {
  batch->slots = 1;
  batch->gathered = 0;
  const bool remote = job.dbName != nullptr && !localDatabase(job.dbName);
  const int wanted = job.batchSize > 0 ? job.batchSize
                     : remote          ? kDefaultRemoteBatchSize
                                       : kDefaultBatchSize;
  batch->inputs = job.queryRecord.inputCount;
  if (wanted < 2 || batch->inputs < 1 || job.queryRecord.outputCount != 0) return;

  // Whatever dblib reports while the block is tried is not the run's.
  KeepClientStatus();
  holdStandardOutput();
  std::vector<DescribedInput> inputs;
  std::vector<std::string> types;
  std::vector<size_t> markers;
  bool lineComment = false;
  if (wrappable(batch->inputs, &inputs, &types, &markers, &lineComment)) {
    const std::string one = buildBlockText(job.sqlText, markers, lineComment, types, 1);
    // The whole-block guard doubles the text and the contexts, which a
    // large block or statement may not have room for.
    for (int slots = fittingSlots(wanted, inputs, one.size()); slots >= 2; slots /= 2)
      if (prepareBlock(batch, types, markers, lineComment, slots, BlockGuard::kWholeBlock) ||
          prepareBlock(batch, types, markers, lineComment, slots, BlockGuard::kPerSlot))
        break;
  }
  stopHoldingStandardOutput();
  RestoreClientStatus();
  openedBatch = batch;
  if (batch->slots > 1) setAbortHook(flushOpenedBatch);
  setStopHook(showGatheredOutput);
}

void closeBatch(Batch *batch) {
  if (openedBatch != batch) return;
  openedBatch = nullptr;
  setAbortHook(nullptr);
  setStopHook(nullptr);
}

void submitRecord(Batch *batch, const LoadRecord &record) {
  if (batch->slots < 2) {
    executeRecord(record);
    return;
  }
  const int slot = batch->gathered;
  MoveResolvedInputs(slotMoves[static_cast<size_t>(slot)]);
  // The record's text is the reader's until the next read (a CSV record may
  // be far longer than job.inputBuffer): the batch keeps a copy.
  const size_t length = static_cast<size_t>(record.length < 0 ? 0 : record.length);
  // (One byte more: a re-run's text is never a null pointer.)
  if (batch->texts.size() <= batch->textsUsed + length)
    batch->texts.resize(2 * (batch->textsUsed + length) + 1);
  if (length > 0) std::memcpy(batch->texts.data() + batch->textsUsed, record.text, length);
  batch->textStart[slot] = batch->textsUsed;
  batch->textsUsed += length;
  LoadRecord &stored = batch->records[slot];
  stored.number = record.number;
  stored.length = record.length;
  batch->heldEnd[slot] = standardOutputHeld() ? heldOutputLength() : 0;
  ++batch->gathered;
  if (batch->dirtySlots < batch->gathered) batch->dirtySlots = batch->gathered;
  if (batch->gathered == 1) holdStandardOutput();
  if (batch->gathered == batch->slots) flushBatch(batch);
}

void flushBatch(Batch *batch) {
  const int count = batch->gathered;
  if (count == 0) return;
  // Settled from here on: a failure below ends the run through abortRun,
  // whose hook must find nothing left to execute.
  batch->gathered = 0;
  batch->textsUsed = 0;
  const long held = heldOutputLength();
  if (batch->dirtySlots > count) {
    // Slots past the records keep no values: they are not executed, but
    // their parameters are still read.
    SetInputsNull(&block, slotVariable(*batch, count),
                  (batch->dirtySlots - count) * batch->inputs);
    batch->dirtySlots = count;
  }
  const int32_t records = count;
  PutField(FmtLong, &block, 1, static_cast<int>(sizeof records),
           reinterpret_cast<const char *>(&records));
  KeepClientStatus();
  const int result = ExecuteQuery(&block, &job.transactionHandle);
  // A refused block's report lies past `held` and is never released.
  stopHoldingStandardOutput();
  if (result == kDbOk) {
    releaseHeldOutput(0, held);
    return;
  }
  RestoreClientStatus();
  runOneByOne(batch, count, held);
}

namespace {

// A fatal stop executes the gathered records first, as it would have
// without batches.
void flushOpenedBatch() {
  if (openedBatch != nullptr) flushBatch(openedBatch);
}

// A stop by signal: the gathered records are never executed (they would
// only be rolled back), but what their reading wrote shows before the stop
// line, as it does without batches.
void showGatheredOutput() {
  if (!standardOutputHeld()) return;
  const long held = heldOutputLength();
  stopHoldingStandardOutput();
  releaseHeldOutput(0, held);
}

// The records of a refused block, one by one, each after its held output
// and as it was stored. When they all pass, the block itself is what the
// database refuses, and the rest of the run goes record by record.
void runOneByOne(Batch *batch, int count, long held) {
  bool allExecuted = true;
  long from = 0;
  for (int s = 0; s < count; ++s) {
    releaseHeldOutput(from, batch->heldEnd[s]);
    from = batch->heldEnd[s];
    MoveInputValues(&block, slotVariable(*batch, s), &job.queryRecord, 1, batch->inputs);
    batch->records[s].text = batch->texts.data() + batch->textStart[s];
    allExecuted = executeRecord(batch->records[s]) && allExecuted;
  }
  releaseHeldOutput(from, held);
  if (allExecuted) batch->slots = 1;
}

// The statement's markers, one per input variable (`count`), each with a type a block
// parameter can declare.
bool wrappable(int count, std::vector<DescribedInput> *inputs, std::vector<std::string> *types,
               std::vector<size_t> *markers, bool *lineComment) {
  bool closed = false;
  *markers = findParameterMarkers(job.sqlText, &closed, lineComment);
  if (!closed || static_cast<int>(markers->size()) != count) return false;
  inputs->assign(static_cast<size_t>(count), DescribedInput{});
  if (DescribeInputs(&job.queryRecord, inputs->data(), count) != kDbOk) return false;
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
bool prepareBlock(Batch *batch, const std::vector<std::string> &types,
                  const std::vector<size_t> &markers, bool lineComment, int slots,
                  BlockGuard guard) {
  blockText = buildBlockText(job.sqlText, markers, lineComment, types, slots, guard);
  if (blockText.size() > kMaxStatementText) return false;
  block = QueryRecord{};
  block.sqlText = blockText.c_str();
  block.inputCount = static_cast<short>(1 + slots * batch->inputs);
  if (PrepareQuery(&block, &job.transactionHandle) != kDbOk) return false;
  for (int s = 0; s < slots; ++s)
    if (SameInputForms(&job.queryRecord, 1, &block, 2 + s * batch->inputs,
                       batch->inputs) != kDbOk)
      return false;
  // The statement's own forms in the block: the engine then copies each
  // value instead of converting it, and the client copies the message whole.
  if (UseMessageLayout(&block) != kDbOk) return false;
  slotMoves.assign(static_cast<size_t>(slots), InputMove{});
  for (int s = 0; s < slots; ++s)
    if (ResolveInputMove(&job.queryRecord, 1, &block, 2 + s * batch->inputs, batch->inputs,
                         &slotMoves[static_cast<size_t>(s)]) != kDbOk)
      return false;
  batch->slots = slots;
  batch->dirtySlots = 0;
  return true;
}

}  // namespace
