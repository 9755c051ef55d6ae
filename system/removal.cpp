#include "system/removal.h"

#include <string>
#include <vector>

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

// A file below `folder` that another program holds open without letting it be deleted (the game
// running, a save being written): asking for the right to delete it is refused then.
bool HeldOpen(const std::wstring& folder, std::wstring& held)
{
    for (const WIN32_FIND_DATAW& entry : FolderEntries(folder)) {
        const std::wstring path = folder + L"\\" + entry.cFileName;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;   // removed as a link
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (HeldOpen(path, held)) return true;
            continue;
        }
        HANDLE file = CreateFileW(path.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        if (file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_SHARING_VIOLATION) {
            held = path;
            return true;
        }
        if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    }
    return false;
}

}  // namespace

std::vector<WIN32_FIND_DATAW> FolderEntries(const std::wstring& folder)
{
    std::vector<WIN32_FIND_DATAW> entries;
    WIN32_FIND_DATAW entry;
    HANDLE listing = FindFirstFileW((folder + L"\\*").c_str(), &entry);
    if (listing == INVALID_HANDLE_VALUE) return entries;
    do
        if (std::wstring(entry.cFileName) != L"." && std::wstring(entry.cFileName) != L"..") entries.push_back(entry);
    while (FindNextFileW(listing, &entry));
    FindClose(listing);
    return entries;
}

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

void ClearReadOnlyBelow(const std::wstring& folder)
{
    for (const WIN32_FIND_DATAW& entry : FolderEntries(folder)) {
        const std::wstring path = folder + L"\\" + entry.cFileName;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_READONLY)
            SetFileAttributesW(path.c_str(), entry.dwFileAttributes & ~FILE_ATTRIBUTE_READONLY);
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
            ClearReadOnlyBelow(path);
    }
}

int RemoveInstalledFiles(std::wstring& held)
{
    // Read as the registry holds it: a folder the ANSI code page cannot spell is still removed.
    std::wstring folder, resolved;
    if (!ReadInstallDirW(folder)) return 0;
    if (!ResolveFolder(folder, resolved) || !IsRemovableResolved(resolved)) return RemoveTreeW(folder) ? 1 : 2;
    const std::wstring verbatim = VerbatimForm(resolved), aside = VerbatimForm(resolved + AsideSuffix);
    // Left by an uninstall that did not end: only ever ours, and what the player asked to go.
    if (GetFileAttributesW(aside.c_str()) != INVALID_FILE_ATTRIBUTES) {
        ClearReadOnlyBelow(aside);
        RemoveTreeW(resolved + AsideSuffix);
    }
    const DWORD attributes = GetFileAttributesW(verbatim.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
        !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return RemoveTreeW(folder) ? 1 : 2;
    if (HeldOpen(verbatim, held)) return 3;
    // One rename takes the whole folder out of the game's name. Windows refuses it while a file
    // inside is in use (a running program among them); once done, nothing stays half-removed
    // under the name the records give.
    if (!MoveFileExW(verbatim.c_str(), aside.c_str(), 0)) {
        held = resolved;
        return 3;
    }
    ClearReadOnlyBelow(aside);
    if (RemoveTreeW(resolved + AsideSuffix)) return 1;
    // Something stayed after all: back under the game's name, where the records still lead.
    MoveFileExW(aside.c_str(), verbatim.c_str(), 0);   // if this fails too, the rest is beside it
    return 2;
}

int RemoveShortcuts()
{
    char desktop[PathSize], programs[PathSize], path[PathSize];
    if (ProgramsFolder(programs) && JoinText(path, programs, ProgramGroupName)) RemoveTree(path);
    if (DesktopFolder(desktop) && JoinText(path, desktop, GameLinkName)) DeleteFileA(path);
    return 1;
}
