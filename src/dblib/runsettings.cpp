// runsettings.cpp - the run settings dblib reads, and its message stream.
#include "dblib/dbinternal.h"

namespace {
DblibRunSettings startUpSettings;
}

DblibRunSettings *runSettings = &startUpSettings;

void DBuseRunSettings(DblibRunSettings *settings) {
  runSettings = settings != nullptr ? settings : &startUpSettings;
}

DblibRunSettings &DBrunSettings() { return *runSettings; }

FILE *dbMessages() {
  if (runSettings->messageStream == nullptr) runSettings->messageStream = stdout;
  if (runSettings->beforeMessage != nullptr) runSettings->beforeMessage();
  return runSettings->messageStream;
}
