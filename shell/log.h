// The install log asked for with /log=<file>: one line per step, with the time, and the
// system's own words for any failure. Without a log every call does nothing, and a log that
// cannot be written never stops a run.
#ifndef MARVOLEN_LOG_H
#define MARVOLEN_LOG_H

#include <windows.h>

// A missing folder of the log is made; removals keep the log file (see KeepFile).
void OpenLog(const char* path);
void Log(const char* format, ...);
// A failed step: what failed, and the system's error text for `error`.
void LogFailure(const char* what, DWORD error);

#endif
