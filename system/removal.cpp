#include "system/removal.h"

#include <cctype>
#include <cstring>
#include <shlobj.h>

#include "install/shortcuts.h"
#include "shell/state.h"
#include "system/bounded_text.h"
#include "system/destination.h"
#include "system/records.h"

namespace {

// Backslashes only, no trailing one, so that folders compare as texts.
bool Normalised(const char* path, char (&out)[PathSize])
{
    if (!CopyText(out, path)) return false;
    for (char* c = out; *c; ++c)
        if (*c == '/') *c = '\\';
    std::size_t length = std::strlen(out);
    while (length > 0 && out[length - 1] == '\\') out[--length] = '\0';
    return true;
}

// "." and ".." could lead anywhere; such a folder is not taken at its word.
bool HasDotComponent(const char* path)
{
    for (const char* part = path; part; part = std::strchr(part, '\\')) {
        if (*part == '\\') ++part;
        const std::size_t length = std::strcspn(part, "\\");
        if ((length == 1 && part[0] == '.') || (length == 2 && part[0] == '.' && part[1] == '.')) return true;
    }
    return false;
}

// Drive folders "X:\..." with at least one folder below the root, or "\\server\share\folder".
bool IsBelowARoot(const char* path)
{
    if (std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' && path[2] == '\\') return path[3] != '\0';
    if (path[0] != '\\' || path[1] != '\\') return false;
    const char* share = std::strchr(path + 2, '\\');
    if (!share || share == path + 2) return false;
    const char* below = std::strchr(share + 1, '\\');
    return below && below != share + 1 && below[1] != '\0';
}

// True when `folder` is `kept` or lies above it.
bool Contains(const char* folder, const char* kept)
{
    char normal[PathSize];
    if (!Normalised(kept, normal) || normal[0] == '\0') return false;
    const std::size_t length = std::strlen(folder);
    if (std::strlen(normal) < length || (normal[length] != '\0' && normal[length] != '\\')) return false;
    normal[length] = '\0';
    return lstrcmpiA(normal, folder) == 0;
}

void RemoveBelow(const char* folder);

void RemoveEntry(const char* folder, const WIN32_FIND_DATAA& entry)
{
    const bool directory = entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
    if (directory && (std::strcmp(entry.cFileName, ".") == 0 || std::strcmp(entry.cFileName, "..") == 0)) return;
    char path[PathSize];
    if (!JoinText(path, folder, "\\") || !AppendText(path, entry.cFileName)) return;   // unaddressable: stays
    if (!directory) DeleteFileA(path);
    else if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) RemoveDirectoryA(path);   // the link, not its target
    else RemoveBelow(path);
}

void RemoveBelow(const char* folder)
{
    char pattern[PathSize];
    if (JoinText(pattern, folder, "\\*.*")) {
        WIN32_FIND_DATAA entry;
        HANDLE listing = FindFirstFileA(pattern, &entry);
        if (listing != INVALID_HANDLE_VALUE) {
            do RemoveEntry(folder, entry);
            while (FindNextFileA(listing, &entry));
            FindClose(listing);
        }
    }
    RemoveDirectoryA(folder);   // succeeds only once it is empty
}

}  // namespace

bool IsRemovableFolder(const char* path)
{
    char folder[PathSize];
    if (!Normalised(path, folder) || !IsBelowARoot(folder) || HasDotComponent(folder)) return false;

    char kept[6][PathSize] = {};
    GetWindowsDirectoryA(kept[0], PathSize - 1);
    GetSystemDirectoryA(kept[1], PathSize - 1);
    ReadRegistryText(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir", kept[2]);
    ProgramsFolder(kept[3]);
    DesktopFolder(kept[4]);
    CopyText(kept[5], Setup.SetupDir);
    for (const auto& other : kept)
        if (Contains(folder, other)) return false;
    return true;
}

int RemoveTree(const char* folder)
{
    if (IsRemovableFolder(folder)) RemoveBelow(folder);
    return 1;
}

int RemoveInstalledFiles()
{
    char folder[PathSize];
    if (!ReadInstallDir(folder)) return 0;
    RemoveTree(folder);
    return 1;
}

int RemoveShortcuts()
{
    char desktop[PathSize], programs[PathSize], path[PathSize];
    if (ProgramsFolder(programs) && JoinText(path, programs, ProgramGroupName)) RemoveTree(path);
    if (DesktopFolder(desktop) && JoinText(path, desktop, GameLinkName)) DeleteFileA(path);
    return 1;
}
