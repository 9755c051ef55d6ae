// The install log asked for with /log=<file>: one line per step, with the time, and the
// system's own words for any failure. Without a log every call does nothing, and a log that
// cannot be written never stops a run.
#ifndef MARVOLEN_LOG_H
#define MARVOLEN_LOG_H

#include <windows.h>

#include <string>

#include "base/outcome.h"

// A missing folder of the log is made; removals keep the log file (see KeepFile).
void OpenLog(const std::wstring& path);
void Log(const char* format, ...);
// A failed step: what failed, and the system's error text for `error`.
void LogFailure(const char* what, DWORD error);
// A step's outcome, when it is a failure: what failed, the path it concerns and the system's text.
void LogOutcome(const char* what, const Outcome& outcome);

// A path or text as the log's lines spell it: a verbatim prefix dropped, and a character the
// ANSI code page lacks shown as "?", never as a look-alike.
std::string Printable(const std::wstring& text);

#endif
