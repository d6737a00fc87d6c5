// front_fixture.h - runs of the built lodrun binary in a temp directory,
// with the location prefixes' line numbers replaced by '#'.
#ifndef LODRUN_TESTS_E2E_FRONT_FIXTURE_H
#define LODRUN_TESTS_E2E_FRONT_FIXTURE_H

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "testsupport.h"

class FrontRun : public ::testing::Test {
 protected:
  void run(const std::vector<std::string> &args, const std::string &input = "") {
    RunResult r = runLodrun(args, input, {}, dir.path());
    out = withoutLineNumbers(r.out);
    exitCode = r.exitCode;
  }
  // Writes a command file into the temp directory; returns its name.
  std::string commands(const std::string &text) {
    writeFile(dir.file("run.cmd"), text);
    return "run.cmd";
  }
  TempDir dir;
  std::string out;
  int exitCode = -1;
};

inline const char kAbort[] = "Lodrun aborting due to fatal error(s), current record count: 0\r\n";
// Where a command file without database settings stops: layout validation
// finds the essentials missing and prints the usage text.
inline const char kLayoutStop[] =
    "Lodrun Usage: Lodrun loads or unloads fixed-size or delimited file\r\n"
    "Lodrun \t-a <nothing> => Ascii blob segments, LINE oriented (NL,NL/CR,CR; see -l param)\r\n"
    "Lodrun \t-b blob_seg_sz max size of an output blob segment (default 80)\r\n"
    "Lodrun \t-c character_separator (use xNN notation for special chars; e.g. x08 for tab)\r\n"
    "Lodrun \t-d dbName\r\n"
    "Lodrun \t-e <nothing> => I/O file in EXCEL format (ignore first line in or gen. names out)\r\n"
    "Lodrun \t-f external_date_format  (default FmtMDYdate, see dbfuncs for more)\r\n"
    "Lodrun \t-h use hyphen instead of slash for output dates\r\n"
    "Lodrun \t-i input_file_name\t    OR   -o output_file_name\r\n"
    "Lodrun \t-l m/p/u - one char to specify line ending type (Mac, Pc, Unix; default U\r\n"
    "Lodrun \t-m comma separates fractions (yuck!)\r\n"
    "Lodrun \t-n number_of_variables in/out (may be '?' - but escape it so cmd parser ignores)\r\n"
    "Lodrun \t-p password for DB - optional for Unix/Linux (environment variables OK)\r\n"
    "Lodrun \t-q <nothing> => quote strings using double quotes - (use if -c option only)\r\n"
    "Lodrun \t-r overRide blob style (1 - force segmented (default), 2 force stream style)\r\n"
    "Lodrun \t-t character_string from translation character set (must be known to DB)\r\n"
    "Lodrun \t-u username for DB - optional for Unix/Linux (environment variables OK)\r\n"
    "Lodrun \t-v 0/1/2/3 - verbose (0 silent, 1 errors only (default), 2 warnings, 3 prattle)\r\n"
    "Lodrun \t-x filename for control file (if not stdin for commands)\r\n"
    "Lodrun \t-y NN (treat 2 digit dates after this number as prior century)\r\n"
    "Lodrun \t-z load short data records (if too few fields, treat trailing as null)\r\n"
    "Lodrun  All above switches are accepted in upper or lower case (MS compatible)\r\n"
    "Lodrun  Blobs are supported for input files - where the in-field is the blob file name\r\n"
    "Lodrun      or if the file is not found - the actual text will be loaded into the blog\r\n"
    "Lodrun   N.B. You may only specify one blob_seg_sz or date format here, so all blobs must\r\n"
    "Lodrun    use the same blob-parameters and all dates must use the same style format too\r\n"
    "Lodrun   Do NOT try to load two or more blobs (or dates) of different types in one load.\r\n"
    "Lodrun   But you may use the command file interface (allows features at the field level).\r\n";

#endif  // LODRUN_TESTS_E2E_FRONT_FIXTURE_H
