// blockstatement.h - the text of the EXECUTE BLOCK that runs the run's
// statement for several records in one execution.
//
//   statement text --findParameterMarkers--> marker offsets
//   described inputs --declareInput--> PSQL types
//   markers, types, slots --buildBlockText--> EXECUTE BLOCK (N INTEGER = ?,
//       V1 type = ?, ...) AS BEGIN IF (N > 0) THEN statement(:V1, ...); ... END
//
// Slot s (0-based) of the block holds record s of a batch in parameters
// V(s*n+1) .. V(s*n+n), n being the statement's input count; N says how many
// slots the execution runs, so one prepared block serves a short batch too.
// With BlockGuard::kWholeBlock a full block runs its statements behind one
// test of N instead of one test per slot:
//   IF (N = slots) THEN BEGIN statement(:V1, ...); ... END
//   ELSE BEGIN IF (N > 0) THEN statement(:V1, ...); ... END
#ifndef LODRUN_LOAD_BLOCKSTATEMENT_H
#define LODRUN_LOAD_BLOCKSTATEMENT_H

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "dblib/dbfuncs.h"

// A character set and one of its collations, as the database names them.
struct CollationName {
  int charsetId = 0;
  int collationId = 0;
  int bytesPerCharacter = 1;
  std::string charset;
  std::string collation;
};

// The statement's parameter markers as offsets into `sql`: every '?' outside
// string literals ('...', q'<...>'), quoted identifiers and comments. Sets
// *closed to false when the text ends inside a literal, identifier or block
// comment, and *lineComment when it ends inside a line comment.
std::vector<size_t> findParameterMarkers(std::string_view sql, bool *closed, bool *lineComment);

// Reads the database's character sets and collations (with their ids and
// the character set's bytes per character) through a statement of its own in
// transaction `tr`. Names that would need quotes are left out, so a
// parameter using them is not declared. False when the query fails.
bool readCollationNames(isc_tr_handle *tr, std::vector<CollationName> *names);

// The PSQL type that declares a described input variable exactly as the
// statement described it: "INTEGER", "NUMERIC(9,2)", "VARCHAR(10) CHARACTER
// SET UTF8 COLLATE UNICODE_CI", "BLOB SUB_TYPE 1 CHARACTER SET UTF8", ...
// Empty when there is none: arrays, booleans, unknown types, a character set
// or collation not in `names`, a text length that is no whole number of
// characters.
std::string declareInput(const DescribedInput &input, const std::vector<CollationName> &names);

// How the block decides which slots run. kPerSlot tests N before every
// statement; kWholeBlock tests it once when the block is full (the common
// case), at the price of twice the text and twice the statement's contexts,
// and falls back to the tests per slot for a short batch.
enum class BlockGuard { kPerSlot, kWholeBlock };

// The block's text for `slots` records of the statement `sql` with the
// markers found by findParameterMarkers (lineComment as it reported) and one
// type per marker.
std::string buildBlockText(std::string_view sql, const std::vector<size_t> &markers,
                           bool lineComment, const std::vector<std::string> &types, int slots,
                           BlockGuard guard = BlockGuard::kPerSlot);

// Firebird 3 limits of one statement: its text and its input message.
constexpr size_t kMaxStatementText = 65535;
constexpr size_t kMaxMessageBytes = 65535;

// Bytes one record's inputs take in the block's input message at most
// (value, varying length, null flag and alignment).
size_t messageBytesPerSlot(const std::vector<DescribedInput> &inputs);

#endif  // LODRUN_LOAD_BLOCKSTATEMENT_H
