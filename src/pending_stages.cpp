// pending_stages.cpp - stand-in for the unload loop until it is built. It
// says so and ends the run.
#include "job/messages.h"
#include "job/run.h"
#include "job/settings.h"
#include "unload/unload.h"

void unloadRows() {
  LOCATED_MESSAGE("the unload loop is not built yet%s", job.lineEnd);
  abortRun();
}
