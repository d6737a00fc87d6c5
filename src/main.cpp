// main.cpp - the entry point: everything else is the run driver's.
#include "driver/driver.h"

int main(int argc, char **argv) {
  openMissingStandardDescriptors();
  return runDriver(argc, argv);
}
