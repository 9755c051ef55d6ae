// The destination folder, the user's shell folders and free space on a drive.
#ifndef MARVOLEN_DESTINATION_H
#define MARVOLEN_DESTINATION_H

#include <cstdint>
#include "shell/state.h"

inline constexpr char GameFolderSuffix[] = "\\Marvolen";
inline constexpr std::uint64_t RequiredFreeBytes = 500000000;

// The Program Files folder followed by "\Marvolen".
void DefaultDestination(char (&path)[PathSize]);

bool ProgramsFolder(char (&path)[PathSize]);
bool DesktopFolder(char (&path)[PathSize]);

// Bytes the current user may still use on the drive of path; 0 when that cannot be learnt.
std::uint64_t FreeBytes(const char* path);

// Whole mebibytes free on the drive of path, as "<n>MB".
void FreeSpaceText(const char* path, char (&text)[PathSize]);

// The arithmetic behind the two, apart from the disk queries.
void MebibyteText(std::uint64_t bytes, char (&text)[PathSize]);
std::uint64_t ClassicFreeBytes(DWORD sectorsPerCluster, DWORD bytesPerSector, DWORD freeClusters);
bool EnoughFreeSpace(std::uint64_t freeBytes);

// The root that a free-space query needs: "C:\" (or "C:" for the classic query) for a drive
// path, "\\server\share\" for a network path; false for anything else.
bool DriveRoot(const char* path, bool withBackslash, char (&root)[PathSize]);

#endif
