// The registry records of an installation.
#ifndef MARVOLEN_RECORDS_H
#define MARVOLEN_RECORDS_H

#include <windows.h>
#include <cstdint>
#include <string>

#include "base/types.h"

// Reads one text value (at most 255 characters) into out; false, with out untouched, when the
// key or value is missing, unreadable, not text or too long. The ANSI form spells a character
// that the ANSI code page lacks as "?", never as a look-alike.
bool ReadRegistryText(HKEY root, const char* key, const char* value, char (&out)[PathSize]);
bool ReadRegistryTextW(HKEY root, const char* key, const char* value, std::wstring& out);

// The folder of an earlier installation, from the install record.
bool ReadInstallDir(char (&folder)[PathSize]);
bool ReadInstallDirW(std::wstring& folder);

// What the Add/Remove Programs entry says beyond its name and uninstaller, for Windows' Apps
// list and package managers: facts of the run that the other records do not hold.
struct EntryDetails {
    const char* gameSite;           // a bare host name
    const char* publisherSite;      // a bare host name
    std::uint64_t installedBytes;   // the data the extraction wrote
};

// Writes the install record, the DirectPlay lobby registration and the Add/Remove Programs
// entry, creating the keys or opening them as they are. Every key and value that can be written
// is; the result is the first error (ERROR_SUCCESS: all written).
DWORD WriteInstallRecords(const char* installPath, const char* uninstallerPath, const char* setupDir,
                          const char* language, const char* version, const EntryDetails& details);

// Deletes the three record keys with any keys below them; the maker's key stays. Each is tried;
// the result is the first error (a record that is not there is none).
DWORD DeleteInstallRecords();

inline constexpr char MakerKey[] = "SOFTWARE\\Quellmark Studio";
inline constexpr const char* MakerName = MakerKey + 9;   // the entry's publisher, after "SOFTWARE\\"
inline constexpr char InstallRecordKey[] = "SOFTWARE\\Quellmark Studio\\RV : Marvolen";
inline constexpr char UninstallEntryKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\RV : Marvolen";
inline constexpr char LobbyRegistrationKey[] = "Software\\Microsoft\\DirectPlay\\Applications\\Marvolen";
inline constexpr DWORD InstallOptions = 0;   // the demo installs no optional parts

#endif
