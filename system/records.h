// The registry records of an installation.
#ifndef MARVOLEN_RECORDS_H
#define MARVOLEN_RECORDS_H

#include <windows.h>
#include "shell/state.h"

// Reads one text value (at most 255 bytes) into out; false, with out untouched, when the key or
// value is missing, unreadable or too long.
bool ReadRegistryText(HKEY root, const char* key, const char* value, char (&out)[PathSize]);

// The folder of an earlier installation, from the install record.
bool ReadInstallDir(char (&folder)[PathSize]);

inline constexpr char InstallRecordKey[] = "SOFTWARE\\Quellmark Studio\\RV : Marvolen";

#endif
