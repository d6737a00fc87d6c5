// reader.h - the input record reader.
#ifndef LODRUN_LOAD_READER_H
#define LODRUN_LOAD_READER_H

#include <cstddef>
#include <cstdio>

#include "job/loadrecord.h"

// The reader's working state for one load (part of its run, loadloop.cpp):
// the read-ahead of job.dataStream. One getc per byte costs more than the
// rest of a record's parsing, so lines are cut from a block read with fread.
// A terminal is read byte by byte, a line at a time, so that typed records
// load as they come. As a RecordRest it reads the rest of a line too long
// for the buffer (readLineRest).
struct ReadAhead final : RecordRest {
  int read(char *buffer, int limit) override;

  bool started = false;  // byteByByte is decided for the run's data stream
  bool byteByByte = false;
  bool lineGoesOn = false;  // the record delivered is only the start of its line
  int delivered = 0;        // length of the record last delivered
  size_t begin = 0;
  size_t end = 0;
  char block[65536];
};

// Reads the next record from job.dataStream into job.inputBuffer and puts a
// NUL after it. Fixed-size records (job.recordLength > 0) are read whole;
// otherwise one line without its CR/LF, the bytes 0x01/0x02 turned into
// LF/CR. A line longer than kBufferSize - 1 bytes is one record too: its
// first kBufferSize - 1 bytes as they stand, recordIsCut() true, and its rest
// left for readLineRest (what is left unread there is passed over before the
// next record). Passes over the Excel heading
// (clearing job.excelFormat), blank lines (job.blankLineCount) and the first
// job.skipCount records (counting it down). Returns the record's length (> 0)
// and adds one to job.recordCount; returns 0 at the end of the data, or when
// the record just counted goes beyond job.maxRows. A short fixed record, a
// NUL byte in a delimited record and a read error end the run (abortRun).
// This is the read of the fixed and delimited formats; a CSV record is read
// by readCsvRecord (csv/csvreader.h) after beginRecordRead. `ahead` is the
// read-ahead of job.dataStream, the same one for every record of the run.
int readRecord(ReadAhead &ahead);

// The steps before every record read, whatever the format: confirms the last
// commit point, lets a stop asked for by a signal take effect
// (stopIfRequested), and clears the delivered length.
void beginRecordRead(ReadAhead &ahead);

// True when the next record cannot be read without waiting: the data come
// through a pipe or FIFO (datainput.h) whose producer has sent nothing more,
// and the bytes already read hold no whole line. The load executes what it
// has gathered before it waits. False for a regular file.
bool inputWouldBlock(const ReadAhead &ahead);

// Length of the record that the last readRecord delivered; 0 after it
// returned 0. Lines may hold NUL bytes, so this is not always strlen.
int currentRecordLength(const ReadAhead &ahead);

// True when the record that the last readRecord delivered is only the start
// of a line too long for job.inputBuffer (such a record is to be rejected).
bool recordIsCut(const ReadAhead &ahead);

// Reads up to `limit` bytes of the unread rest of that line into buffer,
// without its line end. Returns the count; 0 when the line is through (its
// line end consumed) or the record was not cut. (ahead.read does the same.)
int readLineRest(ReadAhead &ahead, char *buffer, int limit);

// Reads up to `limit` bytes of one line from `stream` into buffer, the line
// feed included; NUL bytes are content like any other. Returns the count,
// 0 at end of file. Shared by the record reader and the blob loader.
int readLineBytes(FILE *stream, char *buffer, int limit);

#endif  // LODRUN_LOAD_READER_H
