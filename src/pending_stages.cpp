// pending_stages.cpp - stand-ins for the stages after the command file
// (layout validation, load loop) until they are built. Each
// says so and ends the run.
#include "job/messages.h"
#include "job/run.h"
#include "job/settings.h"
#include "layout/validate.h"
#include "load/loadloop.h"

void validateLayout() {
  LOCATED_MESSAGE("layout validation is not built yet%s", job.lineEnd);
  abortRun();
}

void loadRecords() {
  LOCATED_MESSAGE("the load loop is not built yet%s", job.lineEnd);
  abortRun();
}
