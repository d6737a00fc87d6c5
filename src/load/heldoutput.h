// heldoutput.h - standard output held in memory while records wait in a
// batch, and released in the order the records execute.
//
// Whatever a record's reading and conversion write (messages, dblib reports,
// discards without a file) belongs after the execution of the records read
// before it. While such records wait, standard output and job.messageStream
// point at a memory stream; the batch releases each record's part just
// before that record counts as executed, and a part that belongs after a
// failing record is never released.
#ifndef LODRUN_LOAD_HELDOUTPUT_H
#define LODRUN_LOAD_HELDOUTPUT_H

// Starts holding from offset 0 (what an earlier hold left is forgotten).
// Standard output and job.messageStream (when it is standard output) write
// into memory until stopHolding.
void startHolding();

// Points standard output and job.messageStream back at the real stream. What
// was held stays readable for releaseHeld until the next startHolding.
void stopHolding();

bool holdingOutput();

// Bytes held so far (the offset the next byte goes to).
long heldLength();

// Writes held bytes [from, to) to the real standard output; nothing when
// to <= from. Needs stopHolding first.
void releaseHeld(long from, long to);

#endif  // LODRUN_LOAD_HELDOUTPUT_H
