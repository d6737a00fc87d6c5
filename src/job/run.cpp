// run.cpp - placeholder run driver; the job front end replaces it.
#include "job/run.h"

#include <cstdio>
#include <cstdlib>

int runDriver(int, char **) {
  std::printf("Lodrun aborting due to fatal error(s), current record count: %d\r\n", 0);
  return 1;
}

void abortRun() { std::exit(1); }
