// settings.cpp - the single JobSettings instance.
#include "job/settings.h"

#include <new>

#include "dblib/extras.h"
#include "job/commitpoint.h"

const char kLineEndMac[] = "\r";
const char kLineEndPc[] = "\r\n";
const char kLineEndUnix[] = "\n";

JobSettings job;

void resetJobSettings() {
  job.~JobSettings();
  new (&job) JobSettings();
  DBuseRunSettings(&job);
  resetCommitPoints();
}

void allocateJobBuffers() {
  job.inputBuffer = static_cast<char *>(allocZeroed(kBufferSize, "input buffer"));
  job.fieldBuffer = static_cast<char *>(allocZeroed(kBufferSize, "field buffer"));
  job.parseBuffer =
      static_cast<char *>(allocZeroed(kParseBufferSize, "Lodrun parsing"));
  job.sqlText = static_cast<char *>(allocZeroed(kBufferSize, "sql command buffer"));
}
