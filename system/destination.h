// The destination folder, the user's shell folders and free space on a drive.
#ifndef MARVOLEN_DESTINATION_H
#define MARVOLEN_DESTINATION_H

#include <cstddef>
#include <cstdint>
#include <windows.h>

#include <string>

#include "base/names.h"
#include "base/outcome.h"
#include "base/types.h"

// The game's folder must leave room for "\tarn.exe" within a path buffer: the executable's
// path, the records and the shortcuts are built from it.
inline constexpr std::size_t MaxInstallPathLength = (PathSize - 1) - (sizeof GameExecutableSuffix - 1);
// Decimal bytes; the destination screen's text "Free Space required: 500MB" says the same in
// millions (the artefact check holds the two together).
inline constexpr std::uint64_t RequiredFreeBytes = 500000000;

// The Program Files folder followed by "\Marvolen"; without a usable Program Files value, the
// Program Files folder of the drive of windowsDir.
void DefaultDestination(char (&path)[PathSize], const char* windowsDir);

// Lets the user choose a folder; on OK the path becomes that folder plus "\Marvolen". A cancel,
// or a choice too long for the game's folder, leaves the path as it was.
bool BrowseDestination(char (&path)[PathSize], const wchar_t* title, HWND owner);

// The path a chosen folder gives: a drive root loses its backslash, then "\Marvolen" follows.
bool ApplyChosenFolder(char (&path)[PathSize], const char* chosen);

bool ProgramsFolder(char (&path)[PathSize]);
bool DesktopFolder(char (&path)[PathSize]);

// Bytes the current user may still use on the drive of path; 0 when that cannot be learnt.
std::uint64_t FreeBytes(const std::wstring& path);

// Whole mebibytes free on the drive of path, as "<n>MB" (the unit in the language spoken).
void FreeSpaceText(const std::wstring& path, char (&text)[PathSize], const char* unit = "MB");

// The arithmetic behind the two, apart from the disk queries.
void MebibyteText(std::uint64_t bytes, char (&text)[PathSize], const char* unit = "MB");
bool EnoughFreeSpace(std::uint64_t freeBytes);

// The folder a run is to use, resolved now (see ResolveFolder) and carried as it is from here on:
// Done; FolderUnusable for a folder the files could not land in exactly as named or that removal
// could not take away again (a system or user folder, a drive root, a link or a folder holding
// one, a spelling no folder name has, one too long for the game's paths); Unspellable for one that
// the ANSI code page cannot spell exactly, in which the records and links are written: never
// converted into another folder's name.
Outcome ChooseDestination(const std::wstring& written, Destination& chosen);

// The folder in the ANSI code page, exactly; false when it cannot be spelt so or does not fit.
bool AnsiSpelling(const std::wstring& text, char (&spelt)[PathSize]);

// The destination is the folder the install record names (resolved the same way).
bool IsRecordedFolder(const Destination& destination);

// The root that a free-space query needs: "C:\" for a drive path, "\\server\share\" for a
// network path; false for anything else.
bool DriveRoot(const std::wstring& path, std::wstring& root);

#endif
