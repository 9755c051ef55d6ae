#include "system/removal.h"

#include <string>
#include <vector>

#include "base/names.h"
#include "system/bounded_text.h"
#include "system/folder_guard.h"
#include "system/folder_path.h"
#include "system/records.h"

void (*BeforeRemovingEntry)(const std::wstring& path);

namespace {

enum class Left { Nothing, KeptOnly, Something };

Left Worse(Left a, Left b) { return a > b ? a : b; }

// Something stays; the first reason met is the one the caller is told.
Left Stays(DWORD& first, DWORD error)
{
    if (first == ERROR_SUCCESS) first = error;
    return Left::Something;
}

// What a link, or a folder swapped in for the one listed, is told as: it is never entered.
constexpr DWORD LinkNotEntered = ERROR_CANT_ACCESS_FILE;

// Opened as what it is at this moment: a link as the link, never what it points at. Without
// FILE_SHARE_DELETE, so that while a folder is open it cannot be renamed or swapped for a link.
HANDLE OpenEntry(const std::wstring& path)
{
    return CreateFileW(path.c_str(), DELETE | FILE_READ_ATTRIBUTES | FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE,
                       nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

// An entry as its folder lists it.
struct Listed {
    std::wstring name;
    DWORD attributes;
    LONGLONG id;
};

// What an open folder holds, read through its handle.
std::vector<Listed> Listing(HANDLE folder)
{
    std::vector<Listed> entries;
    std::vector<unsigned char> buffer(64 * 1024);
    auto kind = FileIdBothDirectoryRestartInfo;
    while (GetFileInformationByHandleEx(folder, kind, buffer.data(), static_cast<DWORD>(buffer.size()))) {
        kind = FileIdBothDirectoryInfo;
        for (std::size_t offset = 0;;) {
            const auto* entry = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(buffer.data() + offset);
            const std::wstring name(entry->FileName, entry->FileNameLength / sizeof(wchar_t));
            if (name != L"." && name != L"..") entries.push_back({name, entry->FileAttributes, entry->FileId.QuadPart});
            if (entry->NextEntryOffset == 0) break;
            offset += entry->NextEntryOffset;
        }
    }
    return entries;
}

LONGLONG IdOf(const BY_HANDLE_FILE_INFORMATION& info)
{
    return static_cast<LONGLONG>((static_cast<ULONGLONG>(info.nFileIndexHigh) << 32) | info.nFileIndexLow);
}

// What an entry opened as a folder is: the plain folder its parent listed, or something else
// (a link, or a folder swapped in since the listing) that must not be entered.
bool PlainFolder(const Listed& listed, const BY_HANDLE_FILE_INFORMATION& opened)
{
    return (opened.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !(opened.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
           !(listed.attributes & FILE_ATTRIBUTE_REPARSE_POINT) && listed.id == IdOf(opened);
}

bool DeleteByHandle(HANDLE handle)
{
    FILE_DISPOSITION_INFO disposition = {TRUE};
    return SetFileInformationByHandle(handle, FileDispositionInfo, &disposition, sizeof disposition) != 0;
}

Left RemoveEntry(const std::wstring& path, const Listed& listed, DWORD& first);

// What an open, plain folder holds goes; then the folder, when nothing stayed in it.
Left RemoveFolder(HANDLE folder, const std::wstring& path, DWORD& first)
{
    Left left = Left::Nothing;
    for (const Listed& entry : Listing(folder)) {
        const std::wstring entryPath = path + L"\\" + entry.name;
        if (BeforeRemovingEntry) BeforeRemovingEntry(entryPath);
        left = Worse(left, RemoveEntry(entryPath, entry, first));
    }
    if (left != Left::Nothing) return left;
    return DeleteByHandle(folder) ? Left::Nothing : Stays(first, GetLastError());
}

// An entry, as whatever it is once opened: a file or a link is deleted itself; the plain
// folder that was listed is emptied and deleted; anything else is never entered, and stays.
Left RemoveEntry(const std::wstring& path, const Listed& listed, DWORD& first)
{
    if (IsKeptFile(path)) return Left::KeptOnly;   // path is verbatim already
    HANDLE handle = OpenEntry(path);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND ? Left::Nothing : Stays(first, error);
    }
    BY_HANDLE_FILE_INFORMATION info;
    Left left;
    if (GetFileInformationByHandle(handle, &info)) {
        const bool folder = info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
        const bool link = info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT;
        if (link || !folder)   // read-only stays
            left = DeleteByHandle(handle) ? Left::Nothing : Stays(first, GetLastError());
        else if (PlainFolder(listed, info)) left = RemoveFolder(handle, path, first);
        else left = Stays(first, LinkNotEntered);
    } else {
        left = Stays(first, GetLastError());
    }
    CloseHandle(handle);   // a deletion takes effect here
    return left;
}

// Any link, or other name for a folder elsewhere, at any depth below an open folder.
bool HoldsLinkBelow(HANDLE folder, const std::wstring& path)
{
    for (const Listed& entry : Listing(folder)) {
        if (entry.attributes & FILE_ATTRIBUTE_REPARSE_POINT) return true;
        if (!(entry.attributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
        HANDLE handle = CreateFileW((path + L"\\" + entry.name).c_str(), FILE_READ_ATTRIBUTES | FILE_LIST_DIRECTORY,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        if (handle == INVALID_HANDLE_VALUE) continue;   // what cannot be opened cannot be written through either
        BY_HANDLE_FILE_INFORMATION info;
        const bool held = !GetFileInformationByHandle(handle, &info) || !PlainFolder(entry, info) ||
                          HoldsLinkBelow(handle, path + L"\\" + entry.name);
        CloseHandle(handle);
        if (held) return true;
    }
    return false;
}

// A file below `folder` that another program holds open without letting it be deleted (the game
// running, a save being written): asking for the right to delete it is refused then.
bool HeldOpen(const std::wstring& folder, std::wstring& held)
{
    for (const WIN32_FIND_DATAW& entry : FolderEntries(folder)) {
        const std::wstring path = folder + L"\\" + entry.cFileName;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;   // removed as a link
        if (IsKeptFile(path)) continue;           // our own log, which stays
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

bool HoldsLinks(const std::wstring& resolved)
{
    HANDLE handle = CreateFileW(VerbatimForm(resolved).c_str(), FILE_READ_ATTRIBUTES | FILE_LIST_DIRECTORY,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;   // nothing there yet
    const bool held = HoldsLinkBelow(handle, VerbatimForm(resolved));
    CloseHandle(handle);
    return held;
}

int RemoveTreeW(const std::wstring& folder)
{
    // A game's folder that is a link: neither it nor what it points at is the game's files, and
    // they stay, which is no success to report.
    if (IsLinkFolder(folder)) {
        SetLastError(LinkNotEntered);
        return 0;
    }
    std::wstring resolved;
    if (!ResolveFolder(folder, resolved) || !IsRemovableResolved(resolved)) return 1;
    const std::wstring verbatim = VerbatimForm(resolved);
    HANDLE handle = OpenEntry(verbatim);
    if (handle == INVALID_HANDLE_VALUE) return 1;   // nothing there
    BY_HANDLE_FILE_INFORMATION info;
    DWORD first = ERROR_SUCCESS;
    Left left;
    if (!GetFileInformationByHandle(handle, &info)) left = Stays(first, GetLastError());
    else if (!(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) left = Left::Nothing;   // a file of that name is not the game's
    else if (!(info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) left = RemoveFolder(handle, verbatim, first);
    else left = Stays(first, LinkNotEntered);
    CloseHandle(handle);
    if (left != Left::Something) return 1;
    SetLastError(first != ERROR_SUCCESS ? first : ERROR_DIR_NOT_EMPTY);   // never "no error" for what stayed
    return 0;
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
    // This run's own log lies inside and stays, open: the folder cannot be renamed round it, and
    // is not removed whole anyway. Removed in place, what stays is the log.
    if (HoldsKeptFile(verbatim)) {
        ClearReadOnlyBelow(verbatim);
        return RemoveTreeW(folder) ? 1 : 2;
    }
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
