// main.cpp - the entry point: everything else is the run driver's.
#include "job/run.h"

int main(int argc, char **argv) { return runDriver(argc, argv); }
