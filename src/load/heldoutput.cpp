// heldoutput.cpp - standard output held in memory while records wait in a
// batch.
//
//   message()/printf/dblib --stdout--> memory stream (holding)
//   memory [from, to) --releaseHeld--> real standard output
//
// The C library's stdout is a variable; holding swaps it (and the dblib
// message stream that aliases it) for one memory stream, opened once and
// rewound at every hold, so a hold allocates nothing once the stream has
// grown to the largest output held.
#include "load/heldoutput.h"

#include <cstdio>
#include <cstdlib>

#include "job/settings.h"

namespace {

FILE *memory = nullptr;
char *memoryBytes = nullptr;
size_t memorySize = 0;
FILE *realOutput = nullptr;
bool messagesSwapped = false;

void openMemory() {
  if (memory != nullptr) return;
  memory = open_memstream(&memoryBytes, &memorySize);
  if (memory == nullptr) {
    std::perror("Unexpected system error holding output");
    std::exit(1);
  }
}

}  // namespace

void startHolding() {
  if (realOutput != nullptr) return;
  openMemory();
  std::fseek(memory, 0, SEEK_SET);
  // No flush of the real output here: what it buffers stays ahead of what
  // is released later, and a failed write is left for the commit point to
  // find and report with its cause.
  realOutput = stdout;
  stdout = memory;
  messagesSwapped = job.messageStream == realOutput;
  if (messagesSwapped) job.messageStream = memory;
}

void stopHolding() {
  if (realOutput == nullptr) return;
  std::fflush(memory);
  stdout = realOutput;
  if (messagesSwapped) job.messageStream = realOutput;
  realOutput = nullptr;
  messagesSwapped = false;
}

bool holdingOutput() { return realOutput != nullptr; }

long heldLength() { return memory != nullptr ? std::ftell(memory) : 0; }

void releaseHeld(long from, long to) {
  if (memory == nullptr || to <= from || holdingOutput()) return;
  // After the flush the buffer holds every byte up to the stream's position.
  std::fflush(memory);
  std::fwrite(memoryBytes + from, 1, static_cast<size_t>(to - from), stdout);
}
