// harness.h - what every fuzz target shares: a quiet, fresh JobSettings per
// input, and fatal stops that unwind back to the target instead of ending
// the process, so one input's abortRun does not end the fuzzing run.
#ifndef LODRUN_TESTS_FUZZ_HARNESS_H
#define LODRUN_TESTS_FUZZ_HARNESS_H

#include <cstddef>
#include <cstdint>
#include <string>

// Thrown by the process exit hook in place of exit().
struct HarnessExit {
  int status;
};

// Puts `job` back to its start-up values with fresh buffers, releasing those
// of the previous input and closing the streams it left open. The first call
// also sends standard output to /dev/null and installs the exit hook.
void freshJob();

// Runs `step`, taking a fatal stop (HarnessExit) as an ordinary outcome.
template <typename Step>
void guarded(Step step) {
  try {
    step();
  } catch (const HarnessExit &) {
  }
}

// `text` with every keyword that would open, create or replace a file
// (logfile, discards, reasons, passwd_file) made harmless, letter case ignored:
// fuzzing must not write over files nor move the standard streams.
std::string withoutFileKeywords(std::string text);

#endif  // LODRUN_TESTS_FUZZ_HARNESS_H
