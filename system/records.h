// The registry records of an installation.
#ifndef MARVOLEN_RECORDS_H
#define MARVOLEN_RECORDS_H

#include <windows.h>
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/outcome.h"
#include "base/types.h"

// Reads one text value (at most 255 characters) into out; false, with out untouched, when the
// key or value is missing, unreadable, not text or too long. The ANSI form spells a character
// that the ANSI code page lacks as "?", never as a look-alike.
bool ReadRegistryText(HKEY root, const char* key, const char* value, char (&out)[PathSize]);
bool ReadRegistryTextW(HKEY root, const char* key, const char* value, std::wstring& out);

// The folder of an earlier installation, from the install record.
bool ReadInstallDir(char (&folder)[PathSize]);
bool ReadInstallDirW(std::wstring& folder);

// Whether the installation on record is of a newer version than this setup's (its "Version" is
// "<major>.<minor>", each compared as a number: 1.12 is newer than 1.9). A version missing or not
// of that form is not newer: the setup installs over it as over any earlier one. `recorded`
// receives the record's text.
bool NewerVersionInstalled(std::wstring& recorded);

// What the Add/Remove Programs entry says beyond its name and uninstaller, for Windows' Apps
// list and package managers: facts of the run that the other records do not hold.
struct EntryDetails {
    const char* gameSite;           // a bare host name
    const char* publisherSite;      // a bare host name
    std::uint64_t installedBytes;   // the data the extraction wrote
};

// Writes the install record, the DirectPlay lobby registration and the Add/Remove Programs
// entry for a folder resolved already, creating the keys or opening them as they are. Every key
// and value that can be written is; the result names the first that could not be (Failed).
Outcome WriteInstallRecords(const std::wstring& installPath, const char* uninstallerPath, const char* setupDir,
                          const char* language, const char* version, const EntryDetails& details);
// The language the installation speaks, by its own name (its uninstaller speaks it too).
bool ReadInstalledLanguage(std::wstring& language);

// Deletes the three record keys with any keys below them; the maker's key stays. Each is tried;
// the result names the first that could not be (a record that is not there is no failure).
Outcome DeleteInstallRecords();

// A registry key's path: its parent's path, a backslash and its own name, joined when the program
// is compiled, so that the writes (the whole path) and the deletion (the parent, then the child)
// name the same key from one spelling of each part.
template <std::size_t ParentSize, std::size_t ChildSize>
struct KeyPath {
    char text[ParentSize + ChildSize] = {};   // both texts, the backslash in place of the first NUL
    constexpr KeyPath(const char (&parent)[ParentSize], const char (&child)[ChildSize])
    {
        std::size_t at = 0;
        for (std::size_t i = 0; i + 1 < ParentSize; ++i) text[at++] = parent[i];
        text[at++] = '\\';
        for (std::size_t i = 0; i + 1 < ChildSize; ++i) text[at++] = child[i];
    }
    constexpr operator const char*() const { return text; }
};

// The name of the install record and of the Add/Remove Programs entry, which it also shows.
inline constexpr char EntryName[] = "RV : Marvolen";
inline constexpr char MakerName[] = "Quellmark Studio";   // the maker's key, and the entry's publisher
inline constexpr char SoftwareKey[] = "SOFTWARE";
inline constexpr char UninstallEntriesKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
// Windows' own key, where it names the program folder and the user's shell folders.
inline constexpr char CurrentVersionKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
inline constexpr char LobbyApplicationsKey[] = "Software\\Microsoft\\DirectPlay\\Applications";
inline constexpr char LobbyName[] = "Marvolen";

// The user's shell folders: the shell's own list, and the plain copy it keeps of it.
inline constexpr KeyPath UserShellFoldersKey{CurrentVersionKey, "Explorer\\User Shell Folders"};
inline constexpr KeyPath ShellFoldersKey{CurrentVersionKey, "Explorer\\Shell Folders"};
inline constexpr KeyPath MakerKey{SoftwareKey, MakerName};
inline constexpr KeyPath InstallRecordKey{MakerKey.text, EntryName};
inline constexpr KeyPath UninstallEntryKey{UninstallEntriesKey, EntryName};
inline constexpr KeyPath LobbyRegistrationKey{LobbyApplicationsKey, LobbyName};
// The setup's own key, in HKLM: the note of a run under way (see system/run_note.h).
inline constexpr char SetupKeyName[] = "Marvolen Setup";
inline constexpr KeyPath RunNoteKey{MakerKey.text, SetupKeyName};
inline constexpr DWORD InstallOptions = 0;   // the demo installs no optional parts

#endif
