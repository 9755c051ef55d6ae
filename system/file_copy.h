// Files the program writes outside the game's folder, whole or not at all.
#ifndef MARVOLEN_FILE_COPY_H
#define MARVOLEN_FILE_COPY_H

#include <windows.h>

#include <string>
#include <vector>

// The folder of a file's path: everything before its last backslash.
std::string FolderOf(const char* path);

// True when the file holds exactly these bytes.
bool HoldsBytes(const char* path, const void* bytes, DWORD size);
// Whether the two files hold the same bytes (false where either cannot be read).
bool SameContents(const char* one, const char* other);

// A file's bytes, read whole; false when it cannot be read (or is past any size a setup has).
bool ReadWhole(const char* path, std::vector<char>& bytes);

// Written under a passing name beside `path`, read back, then moved into place: a short write
// leaves no truncated file that every later start would keep and trip over. An existing file is
// replaced (even a read-only one) only when `replace`; without it, one that appears meanwhile
// stays. False, with nothing changed, when any of it fails.
bool PlaceWhole(const char* path, const void* bytes, DWORD size, bool replace);

#endif
