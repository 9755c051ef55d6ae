#include "system/removal.h"

#include <string>

#include "base/names.h"
#include "system/bounded_text.h"
#include "system/destination.h"
#include "system/folder_guard.h"
#include "system/records.h"

namespace {

// `folder` in its verbatim form (\\?\...), so that no part of the tree is out of reach for its
// length and no name is rewritten on the way: what was checked is what goes.
void RemoveBelow(const std::wstring& folder)
{
    WIN32_FIND_DATAW entry;
    HANDLE listing = FindFirstFileW((folder + L"\\*").c_str(), &entry);
    if (listing != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = entry.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring path = folder + L"\\" + name;
            if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileW(path.c_str());   // read-only stays
            else if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) RemoveDirectoryW(path.c_str());   // the link only
            else RemoveBelow(path);
        } while (FindNextFileW(listing, &entry));
        FindClose(listing);
    }
    RemoveDirectoryW(folder.c_str());   // succeeds only once it is empty
}

}  // namespace

bool IsRemovableFolder(const char* path)
{
    std::wstring resolved;
    return ResolveFolder(WideFromAnsi(path), resolved) && IsRemovableResolved(resolved);
}

int RemoveTreeW(const std::wstring& folder)
{
    std::wstring resolved;
    if (!ResolveFolder(folder, resolved) || !IsRemovableResolved(resolved)) return 1;
    const std::wstring verbatim = VerbatimForm(resolved);
    const DWORD attributes = GetFileAttributesW(verbatim.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return 1;
    // The game's folder may itself be a link: it goes, what it points at is never entered.
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) RemoveDirectoryW(verbatim.c_str());
    else RemoveBelow(verbatim);
    return GetFileAttributesW(verbatim.c_str()) == INVALID_FILE_ATTRIBUTES;
}

int RemoveTree(const char* folder) { return RemoveTreeW(WideFromAnsi(folder)); }

int RemoveInstalledFiles()
{
    // Read as the registry holds it: a folder the ANSI code page cannot spell is still removed.
    std::wstring folder;
    if (!ReadInstallDirW(folder)) return 0;
    return RemoveTreeW(folder) ? 1 : 2;
}

int RemoveShortcuts()
{
    char desktop[PathSize], programs[PathSize], path[PathSize];
    if (ProgramsFolder(programs) && JoinText(path, programs, ProgramGroupName)) RemoveTree(path);
    if (DesktopFolder(desktop) && JoinText(path, desktop, GameLinkName)) DeleteFileA(path);
    return 1;
}
