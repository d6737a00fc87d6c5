// extras.h - memory and list helpers used by every module.
//
// Every allocation of the program goes through allocZeroed or growList. Both
// hand out zero-filled memory and never return on failure: they report to
// the message stream, call PanicExitDb (rolling back whatever is open) and
// abort the process.
#ifndef LODRUN_DBLIB_EXTRAS_H
#define LODRUN_DBLIB_EXTRAS_H

#include <cstddef>

// Size allocZeroed really takes for a request of `size` bytes: the smallest
// k * unit - 8 greater than size, unit 128 below 1024 bytes, else 256
// (8184 -> 8440, 504 -> 632, 100 -> 120). At least one spare byte remains
// for a terminator.
long allocationSize(long size);

// Zero-filled block of allocationSize(size) bytes. On failure writes
// "Err at extras line %d" and "No memory for <label> of size: %d", calls
// PanicExitDb and aborts.
void *allocZeroed(long size, const char *label);

// Makes room for one more element in a list of fixed-size elements. The
// caller keeps count, capacity and the list pointer and sets the first
// capacity before the first call. When the list exists and count < capacity
// nothing happens; otherwise the capacity doubles (an existing list) and the
// list is reallocated with the new part zero-filled, or first allocated with
// allocZeroed ("handle list"). Never returns on failure; the old list is
// untouched then.
void growList(int count, int *capacity, void **list, int elementSize);

#endif  // LODRUN_DBLIB_EXTRAS_H
