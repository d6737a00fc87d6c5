/* minimal_client.c - the benchmark's lower bound for per-record execution.
 *
 * The least a per-record loader or unloader can do through the client
 * library: the fastest client we can write that executes once per record,
 * so that its time is a floor for lodrun's:
 *
 *   load:   file --fread 64 KiB blocks--> line --hand-split--> bound XSQLVARs
 *                (numbers, cents and day numbers computed in place)
 *                --isc_dsql_execute (one per record)--> bench_rows
 *   unload: bench_rows --isc_dsql_fetch (one per row)--> XSQLVARs
 *                --digits and dates written by hand--> 64 KiB block --> file
 *
 * No stdio formatting on the data path. One attach (SYSDBA, or ISC_USER and
 * ISC_PASSWORD from the environment; a host:/path name goes through the
 * server), one transaction (write, concurrency, wait), one statement prepared
 * once. Loads commit retaining every 5000 records and commit at the end. No
 * batching and no multi-row inserts: the point is the cost of one execute
 * per record.
 *
 * Usage: minimal_client load-delimited|load-fixed|unload DATABASE FILE
 *   load-delimited  FILE holds lines id,name,amount,DD/MM/YYYY,note
 *   load-fixed      FILE holds 126-byte records: id 1-10, name 11-40,
 *                   amount 41-55, born 56-65 (YYYY-MM-DD), note 66-125,
 *                   line feed
 *   unload          writes the table as CSV lines in the same field order:
 *                   texts without trailing blanks, numbers in their
 *                   shortest form, dates DD/MM/YYYY, NULL as an empty field
 * Exit status 0 after a complete run; 1 with a message on standard error at
 * the first failure (bad record, client error), after rolling back.
 */
#include <ibase.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

enum { kFieldCount = 5, kCommitEvery = 5000, kFixedLrecl = 126 };

static const char kInsertSql[] =
    "insert into bench_rows (id, name, amount, born, note) values (?, ?, ?, ?, ?)";
static const char kSelectSql[] = "select id, name, amount, born, note from bench_rows";

/* Fixed-record layout: 0-based offset and width of each field. */
static const int kFixedOffset[kFieldCount] = {0, 10, 40, 55, 65};
static const int kFixedWidth[kFieldCount] = {10, 30, 15, 10, 60};

/* The variable-length text form the client takes: count, then bytes. */
typedef struct {
  ISC_USHORT length;
  char text[64];
} VaryingText;

/* The bound input values of one record. */
typedef struct {
  ISC_LONG id;
  VaryingText name;
  ISC_INT64 amount; /* cents: NUMERIC(12,2) bound as int64 with scale -2 */
  ISC_DATE born;
  VaryingText note;
  short nullFlags[kFieldCount];
} RowValues;

static ISC_STATUS_ARRAY status;
static isc_db_handle database;
static isc_tr_handle transaction;
static long recordNumber; /* for messages: the record or row being handled */

/* Prints the client's status report under `what`, rolls back, detaches and
 * ends the process with status 1. */
static void failClient(const char *what) {
  char text[512];
  const ISC_STATUS *vector = status;
  fprintf(stderr, "minimal_client: %s failed at record %ld\n", what, recordNumber);
  while (fb_interpret(text, sizeof text, &vector) > 0) fprintf(stderr, "  %s\n", text);
  ISC_STATUS_ARRAY ignored;
  if (transaction) isc_rollback_transaction(ignored, &transaction);
  if (database) isc_detach_database(ignored, &database);
  exit(1);
}

/* Reports a record the client cannot read and ends like failClient. */
static void failRecord(const char *why) {
  ISC_STATUS_ARRAY ignored;
  fprintf(stderr, "minimal_client: record %ld: %s\n", recordNumber, why);
  if (transaction) isc_rollback_transaction(ignored, &transaction);
  if (database) isc_detach_database(ignored, &database);
  exit(1);
}

/* Appends one parameter to a parameter block; returns the new end. */
static char *addParameter(char *at, char tag, const char *value) {
  size_t length = strlen(value);
  *at++ = tag;
  *at++ = (char)length;
  memcpy(at, value, length);
  return at + length;
}

/* The environment's value of `name`, or `fallback`. */
static const char *setting(const char *name, const char *fallback) {
  const char *value = getenv(name);
  return value && *value ? value : fallback;
}

/* Attaches `path` (as ISC_USER, default SYSDBA) and starts the one write
 * transaction. */
static void openSession(const char *path) {
  char dpb[600];
  char *end = dpb;
  const char *user = setting("ISC_USER", "SYSDBA");
  const char *password = setting("ISC_PASSWORD", "masterkey");
  if (strlen(user) > 255 || strlen(password) > 255) failRecord("credentials too long");
  *end++ = isc_dpb_version1;
  end = addParameter(end, isc_dpb_user_name, user);
  end = addParameter(end, isc_dpb_password, password);
  if (isc_attach_database(status, 0, path, &database, (short)(end - dpb), dpb))
    failClient("attach");
  static const char tpb[] = {isc_tpb_version3, isc_tpb_write, isc_tpb_concurrency,
                             isc_tpb_wait};
  if (isc_start_transaction(status, &transaction, 1, &database, (unsigned short)sizeof tpb,
                            tpb))
    failClient("start transaction");
}

/* Commits, frees the statement and detaches. */
static void closeSession(isc_stmt_handle *statement) {
  if (isc_commit_transaction(status, &transaction)) failClient("commit");
  if (isc_dsql_free_statement(status, statement, DSQL_drop)) failClient("free statement");
  if (isc_detach_database(status, &database)) failClient("detach");
}

/* Allocates and prepares `sql`; returns the statement handle. */
static isc_stmt_handle prepare(const char *sql, XSQLDA *output) {
  isc_stmt_handle statement = 0;
  if (isc_dsql_allocate_statement(status, &database, &statement)) failClient("allocate");
  if (isc_dsql_prepare(status, &transaction, &statement, 0, sql, SQL_DIALECT_V6, output))
    failClient("prepare");
  return statement;
}

static XSQLDA *allocDescriptor(void) {
  XSQLDA *sqlda = calloc(1, XSQLDA_LENGTH(kFieldCount));
  if (!sqlda) {
    fputs("minimal_client: out of memory\n", stderr);
    exit(1);
  }
  sqlda->version = SQLDA_VERSION1;
  sqlda->sqln = kFieldCount;
  return sqlda;
}

/* ---- load ---- */

/* Points the five input variables at `row`, in the types we bind. */
static void bindInput(XSQLDA *input, RowValues *row) {
  static const short types[kFieldCount] = {SQL_LONG, SQL_VARYING, SQL_INT64, SQL_TYPE_DATE,
                                           SQL_VARYING};
  static const short lengths[kFieldCount] = {sizeof(ISC_LONG), 30, sizeof(ISC_INT64),
                                             sizeof(ISC_DATE), 60};
  void *data[kFieldCount] = {&row->id, &row->name, &row->amount, &row->born, &row->note};
  for (int i = 0; i < kFieldCount; i++) {
    XSQLVAR *var = &input->sqlvar[i];
    var->sqltype = (short)(types[i] | 1);
    var->sqllen = lengths[i];
    var->sqlscale = (short)(i == 2 ? -2 : 0);
    var->sqlsubtype = 0;
    var->sqldata = data[i];
    var->sqlind = &row->nullFlags[i];
  }
}

/* Reads an optionally signed whole number of `length` bytes; 0 on success. */
static int parseLong(const char *text, int length, ISC_LONG *out) {
  int i = 0, negative = 0;
  long long value = 0;
  if (i < length && text[i] == '-') negative = 1, i++;
  if (i == length) return 1;
  for (; i < length; i++) {
    if (text[i] < '0' || text[i] > '9') return 1;
    value = value * 10 + (text[i] - '0');
    if (value > 2147483648LL) return 1;
  }
  if (negative) value = -value;
  if (value > 2147483647LL) return 1;
  *out = (ISC_LONG)value;
  return 0;
}

/* Reads [-]digits[.d[d]] as a count of cents; 0 on success. */
static int parseCents(const char *text, int length, ISC_INT64 *out) {
  int i = 0, negative = 0, decimals = -1, digits = 0;
  ISC_INT64 value = 0;
  if (i < length && text[i] == '-') negative = 1, i++;
  for (; i < length; i++) {
    char c = text[i];
    if (c == '.' && decimals < 0) {
      decimals = 0;
    } else if (c >= '0' && c <= '9' && decimals < 2 && digits < 16) {
      value = value * 10 + (c - '0');
      digits++;
      if (decimals >= 0) decimals++;
    } else {
      return 1;
    }
  }
  if (digits == 0) return 1;
  for (int d = decimals < 0 ? 0 : decimals; d < 2; d++) value *= 10;
  *out = negative ? -value : value;
  return 0;
}

/* Days since 1 March of year 0 of the proleptic Gregorian calendar (the
 * civil-from-days arithmetic), and back. */
static long daysFromCivil(long year, int month, int day) {
  year -= month <= 2;
  const long era = (year >= 0 ? year : year - 399) / 400;
  const long yearOfEra = year - era * 400;
  const long dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra;
}

static void civilFromDays(long days, long *year, int *month, int *day) {
  const long era = (days >= 0 ? days : days - 146096) / 146097;
  const long dayOfEra = days - era * 146097;
  const long yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const long monthIndex = (5 * dayOfYear + 2) / 153;
  *day = (int)(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
  *month = (int)(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
  *year = yearOfEra + era * 400 + (*month <= 2);
}

/* The database counts dates from 17 November 1858. */
static long kModifiedJulianEpoch;

/* Reads DD/MM/YYYY, or YYYY-MM-DD when `iso`, into the client's date form;
 * 0 on success. */
static int parseDate(const char *text, int length, int iso, ISC_DATE *out) {
  /* day, month, year: where each starts */
  static const int dayFirst[3] = {0, 3, 6}, yearFirst[3] = {8, 5, 0}, widths[3] = {2, 2, 4};
  const int *starts = iso ? yearFirst : dayFirst;
  const char separator = iso ? '-' : '/';
  if (length != 10 || text[iso ? 4 : 2] != separator || text[iso ? 7 : 5] != separator) return 1;
  int parts[3] = {0, 0, 0};
  for (int p = 0; p < 3; p++)
    for (int i = starts[p]; i < starts[p] + widths[p]; i++) {
      if (text[i] < '0' || text[i] > '9') return 1;
      parts[p] = parts[p] * 10 + (text[i] - '0');
    }
  static const int monthDays[12] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (parts[1] < 1 || parts[1] > 12 || parts[0] < 1 || parts[0] > monthDays[parts[1] - 1])
    return 1;
  int leap = (parts[2] % 4 == 0 && parts[2] % 100 != 0) || parts[2] % 400 == 0;
  if (parts[1] == 2 && parts[0] == 29 && !leap) return 1;
  *out = (ISC_DATE)(daysFromCivil(parts[2], parts[1], parts[0]) - kModifiedJulianEpoch);
  return 0;
}

/* Copies a text of at most `capacity` bytes; 0 on success. */
static int setText(VaryingText *to, int capacity, const char *text, int length) {
  if (length > capacity) return 1;
  memcpy(to->text, text, (size_t)length);
  to->length = (ISC_USHORT)length;
  return 0;
}

/* Converts the five field texts into `row`; an empty field is a NULL. */
static void setRow(RowValues *row, const char *const text[kFieldCount],
                   const int length[kFieldCount], int isoDate) {
  int bad = 0;
  for (int i = 0; i < kFieldCount; i++) row->nullFlags[i] = (short)(length[i] == 0 ? -1 : 0);
  if (length[0]) bad |= parseLong(text[0], length[0], &row->id);
  if (length[1]) bad |= setText(&row->name, 30, text[1], length[1]);
  if (length[2]) bad |= parseCents(text[2], length[2], &row->amount);
  if (length[3]) bad |= parseDate(text[3], length[3], isoDate, &row->born);
  if (length[4]) bad |= setText(&row->note, 60, text[4], length[4]);
  if (bad) failRecord("a field cannot be converted");
}

/* Splits a delimited line at its commas; the line end is already cut. */
static void splitDelimited(const char *line, const char *text[kFieldCount],
                           int length[kFieldCount]) {
  const char *at = line;
  for (int i = 0; i < kFieldCount; i++) {
    const char *comma = strchr(at, ',');
    if (i < kFieldCount - 1 && !comma) failRecord("too few fields");
    if (i == kFieldCount - 1) comma = at + strlen(at);
    text[i] = at;
    length[i] = (int)(comma - at);
    at = comma + 1;
  }
}

/* Cuts the fields of a fixed record at their offsets, less trailing blanks. */
static void splitFixed(const char *record, const char *text[kFieldCount],
                       int length[kFieldCount]) {
  for (int i = 0; i < kFieldCount; i++) {
    text[i] = record + kFixedOffset[i];
    int n = kFixedWidth[i];
    while (n > 0 && text[i][n - 1] == ' ') n--;
    length[i] = n;
  }
}

/* Buffered input: 64 KiB blocks, lines handed out in place. */
typedef struct {
  FILE *file;
  char block[1 << 16];
  size_t start, end;
  int eof;
} Input;

/* Moves the unread rest to the front and fills the block behind it. */
static void refill(Input *in) {
  memmove(in->block, in->block + in->start, in->end - in->start);
  in->end -= in->start;
  in->start = 0;
  size_t got = fread(in->block + in->end, 1, sizeof in->block - 1 - in->end, in->file);
  if (got == 0) in->eof = 1;
  in->end += got;
}

/* The next record, NUL-ended in the block (valid until the next call), or
 * NULL at the end of the file. Fixed records are kFixedLrecl bytes; lines
 * lose their line end, and empty lines are passed over. */
static char *nextRecord(Input *in, int fixed) {
  for (;;) {
    char *at = in->block + in->start;
    size_t left = in->end - in->start;
    if (fixed) {
      if (left >= kFixedLrecl) {
        in->start += kFixedLrecl;
        /* the line feed of the record becomes its end */
        at[kFixedLrecl - 1] = '\0';
        return at;
      }
    } else {
      char *newline = memchr(at, '\n', left);
      if (newline || (in->eof && left > 0)) {
        char *stop = newline ? newline : at + left;
        in->start += (size_t)(stop - at) + (newline ? 1 : 0);
        if (stop > at && stop[-1] == '\r') stop--;
        *stop = '\0';
        if (stop == at) continue;
        return at;
      }
    }
    if (in->eof) {
      if (left > 0) failRecord(fixed ? "short fixed record" : "unreadable line");
      return NULL;
    }
    if (left >= sizeof in->block - 1) failRecord("record too long");
    refill(in);
  }
}

static int load(const char *path, const char *dataPath, int fixed) {
  FILE *file = fopen(dataPath, "rb");
  if (!file) {
    perror(dataPath);
    return 1;
  }
  openSession(path);
  XSQLDA *input = allocDescriptor();
  isc_stmt_handle statement = prepare(kInsertSql, NULL);
  if (isc_dsql_describe_bind(status, &statement, SQL_DIALECT_V6, input))
    failClient("describe bind");
  if (input->sqld != kFieldCount) failRecord("the insert does not take five parameters");
  RowValues row;
  memset(&row, 0, sizeof row);
  bindInput(input, &row);

  static Input in;
  in.file = file;
  const char *text[kFieldCount];
  int length[kFieldCount];
  char *buffer;
  while ((buffer = nextRecord(&in, fixed)) != NULL) {
    recordNumber++;
    if (fixed)
      splitFixed(buffer, text, length);
    else
      splitDelimited(buffer, text, length);
    setRow(&row, text, length, fixed);
    if (isc_dsql_execute(status, &transaction, &statement, SQL_DIALECT_V6, input))
      failClient("execute");
    if (recordNumber % kCommitEvery == 0 && isc_commit_retaining(status, &transaction))
      failClient("commit retaining");
  }
  if (ferror(file)) failRecord("read error");
  fclose(file);
  closeSession(&statement);
  free(input);
  printf("%ld records loaded\n", recordNumber);
  return 0;
}

/* ---- unload ---- */

/* Gives every output column a data area and a null flag. */
static void allocateOutput(XSQLDA *output, short *nullFlags) {
  for (int i = 0; i < output->sqld; i++) {
    XSQLVAR *var = &output->sqlvar[i];
    size_t size = (size_t)var->sqllen + ((var->sqltype & ~1) == SQL_VARYING ? 2 : 0);
    var->sqldata = calloc(1, size + 8);
    if (!var->sqldata) {
      fputs("minimal_client: out of memory\n", stderr);
      exit(1);
    }
    var->sqlind = &nullFlags[i];
  }
}

/* Buffered output: rows are written into a 64 KiB block by hand. */
typedef struct {
  FILE *file;
  char block[1 << 16];
  size_t used;
} Output;

static void drain(Output *out) {
  if (out->used && fwrite(out->block, 1, out->used, out->file) != out->used)
    failRecord("write error");
  out->used = 0;
}

/* Room for `bytes` more; a row's column is never longer than 128 bytes. */
static char *room(Output *out, size_t bytes) {
  if (out->used + bytes > sizeof out->block) drain(out);
  return out->block + out->used;
}

/* Writes a scaled integer (scale 0 to -18) as the shortest decimal text:
 * 12.50 -> 12.5, 7.00 -> 7. */
static void writeScaled(Output *out, ISC_INT64 value, int scale) {
  int places = scale < 0 ? (scale < -18 ? 18 : -scale) : 0;
  unsigned long long magnitude =
      value < 0 ? 0ULL - (unsigned long long)value : (unsigned long long)value;
  char digits[24];
  int n = 0;
  do {
    digits[n++] = (char)('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0 || n <= places);
  /* digits hold the number backwards; the fraction is digits[0..places) */
  int cut = 0;
  while (cut < places && digits[cut] == '0') cut++;
  char *at = room(out, 48);
  if (value < 0) *at++ = '-';
  for (int i = n - 1; i >= places; i--) *at++ = digits[i];
  if (cut < places) {
    *at++ = '.';
    for (int i = places - 1; i >= cut; i--) *at++ = digits[i];
  }
  out->used = (size_t)(at - out->block);
}

static void writeBytes(Output *out, const char *data, size_t length) {
  char *at = room(out, length);
  memcpy(at, data, length);
  out->used += length;
}

static void writeByte(Output *out, char byte) {
  *room(out, 1) = byte;
  out->used++;
}

static char *twoDigits(char *at, int value) {
  at[0] = (char)('0' + value / 10);
  at[1] = (char)('0' + value % 10);
  return at + 2;
}

/* Writes one column of the fetched row in its CSV form. */
static void writeColumn(Output *out, const XSQLVAR *var) {
  if (*var->sqlind < 0) return;
  const char *data = var->sqldata;
  switch (var->sqltype & ~1) {
    case SQL_VARYING: { /* trailing blanks dropped, as lodrun writes texts */
      ISC_USHORT length;
      memcpy(&length, data, sizeof length);
      while (length > 0 && data[2 + length - 1] == ' ') length--;
      writeBytes(out, data + 2, length);
      break;
    }
    case SQL_TEXT: {
      int n = var->sqllen;
      while (n > 0 && data[n - 1] == ' ') n--;
      writeBytes(out, data, (size_t)n);
      break;
    }
    case SQL_LONG: {
      ISC_LONG value;
      memcpy(&value, data, sizeof value);
      writeScaled(out, value, var->sqlscale);
      break;
    }
    case SQL_INT64: {
      ISC_INT64 value;
      memcpy(&value, data, sizeof value);
      writeScaled(out, value, var->sqlscale);
      break;
    }
    case SQL_TYPE_DATE: {
      ISC_DATE days;
      memcpy(&days, data, sizeof days);
      long year;
      int month, day;
      civilFromDays(days + kModifiedJulianEpoch, &year, &month, &day);
      if (year < 1 || year > 9999) failRecord("date out of range");
      char *at = room(out, 10);
      at = twoDigits(at, day);
      *at++ = '/';
      at = twoDigits(at, month);
      *at++ = '/';
      at = twoDigits(at, (int)(year / 100));
      at = twoDigits(at, (int)(year % 100));
      out->used = (size_t)(at - out->block);
      break;
    }
    default:
      failRecord("column type not handled");
  }
}

static int unload(const char *path, const char *dataPath) {
  static Output out;
  out.file = fopen(dataPath, "wb");
  if (!out.file) {
    perror(dataPath);
    return 1;
  }
  openSession(path);
  XSQLDA *output = allocDescriptor();
  isc_stmt_handle statement = prepare(kSelectSql, output);
  if (output->sqld != kFieldCount) failRecord("the select does not give five columns");
  short nullFlags[kFieldCount];
  allocateOutput(output, nullFlags);
  if (isc_dsql_execute(status, &transaction, &statement, SQL_DIALECT_V6, NULL))
    failClient("open cursor");
  ISC_STATUS fetched;
  while ((fetched = isc_dsql_fetch(status, &statement, SQL_DIALECT_V6, output)) == 0) {
    recordNumber++;
    for (int i = 0; i < kFieldCount; i++) {
      if (i > 0) writeByte(&out, ',');
      writeColumn(&out, &output->sqlvar[i]);
    }
    writeByte(&out, '\n');
  }
  if (fetched != 100) failClient("fetch");
  drain(&out);
  if (fclose(out.file) != 0) failRecord("write error");
  if (isc_dsql_free_statement(status, &statement, DSQL_close)) failClient("close cursor");
  closeSession(&statement);
  for (int i = 0; i < kFieldCount; i++) free(output->sqlvar[i].sqldata);
  free(output);
  printf("%ld rows unloaded\n", recordNumber);
  return 0;
}

int main(int argc, char **argv) {
  kModifiedJulianEpoch = daysFromCivil(1858, 11, 17);
  if (argc == 4 && strcmp(argv[1], "load-delimited") == 0) return load(argv[2], argv[3], 0);
  if (argc == 4 && strcmp(argv[1], "load-fixed") == 0) return load(argv[2], argv[3], 1);
  if (argc == 4 && strcmp(argv[1], "unload") == 0) return unload(argv[2], argv[3]);
  fputs("usage: minimal_client load-delimited|load-fixed|unload DATABASE FILE\n", stderr);
  return 2;
}
