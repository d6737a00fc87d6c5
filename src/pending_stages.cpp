// pending_stages.cpp - stand-ins for the stages after the command file
// (layout validation, load loop, unload loop) until they are built. Each
// says so and ends the run.
#include "job/messages.h"
#include "job/run.h"
#include "job/settings.h"
#include "layout/validate.h"
#include "load/loadloop.h"
#include "unload/unload.h"

void validateLayout() {
  LOCATED_MESSAGE("layout validation is not built yet%s", job.lineEnd);
  abortRun();
}

void loadRecords() {
  LOCATED_MESSAGE("the load loop is not built yet%s", job.lineEnd);
  abortRun();
}

void unloadRows() {
  LOCATED_MESSAGE("the unload loop is not built yet%s", job.lineEnd);
  abortRun();
}
