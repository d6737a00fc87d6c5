// reportoptions.h - the option keywords of reporting and recovery: reasons,
// db_errors, progress and warn_exit.
#ifndef LODRUN_DRIVER_REPORTOPTIONS_H
#define LODRUN_DRIVER_REPORTOPTIONS_H

// Applies those keywords of the options line in job.inputBuffer, in the
// order reasons, db_errors, progress, warn_exit; returns the errors found
// (always 0: a bad value is a warning and the setting keeps its value).
// Overwrites job.fieldBuffer and job.keywordNumber.
//   reasons=FILE      job.reasonsStream = FILE opened for writing
//   db_errors=reject  job.rejectRefusals = 1 (db_errors=stop: 0, the default)
//   progress[=N]      job.progressInterval = N seconds (1-3600; alone: 5)
//   warn_exit         job.warnExit = 1
int applyReportingOptions();

#endif  // LODRUN_DRIVER_REPORTOPTIONS_H
