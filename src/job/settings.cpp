// settings.cpp - the single JobSettings instance.
#include "job/settings.h"

#include <new>

const char kLineEndMac[] = "\r";
const char kLineEndPc[] = "\r\n";
const char kLineEndUnix[] = "\n";

JobSettings job;

void resetJobSettings() {
  job.~JobSettings();
  new (&job) JobSettings();
  DBuseRunSettings(&job);
}
