#include "system/removal.h"

#include <string>
#include <vector>

#include "base/names.h"
#include "system/bounded_text.h"
#include "system/folder_guard.h"
#include "system/folder_path.h"
#include "system/records.h"

namespace {

enum class Left { Nothing, KeptOnly, Something };

Left Worse(Left a, Left b) { return a > b ? a : b; }

// What a link, or a folder swapped in for the one listed, is told as: it is never entered.
constexpr DWORD LinkNotEntered = ERROR_CANT_ACCESS_FILE;

// Opened as what it is at this moment: a link as the link, never what it points at. Without
// FILE_SHARE_DELETE, so that while a folder is open it cannot be renamed or swapped for a link.
HANDLE OpenEntry(const std::wstring& path)
{
    return CreateFileW(path.c_str(), DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES | FILE_LIST_DIRECTORY,
                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                       FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
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

// What a walk is to do, and the first reason something stayed, and where.
struct Walk {
    Walk(bool readOnly, BeforeEntry before) : readOnlyToo(readOnly), beforeEntry(before) {}
    bool readOnlyToo;
    BeforeEntry beforeEntry;
    DWORD first = ERROR_SUCCESS;
    std::wstring where;

    Left Stays(DWORD error, const std::wstring& path)
    {
        if (first == ERROR_SUCCESS) {
            first = error;
            where = path;
        }
        return Left::Something;
    }
};

// Deleted by its handle; a read-only entry of the setup's own folders loses the attribute first,
// through the same handle, so that no other file is ever touched in its place.
Left DeleteEntry(HANDLE handle, DWORD attributes, const std::wstring& path, Walk& walk)
{
    if (DeleteByHandle(handle)) return Left::Nothing;
    const DWORD error = GetLastError();
    if (!walk.readOnlyToo || !(attributes & FILE_ATTRIBUTE_READONLY)) return walk.Stays(error, path);
    FILE_BASIC_INFO basic = {};
    basic.FileAttributes = attributes & ~FILE_ATTRIBUTE_READONLY;
    if (basic.FileAttributes == 0) basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    if (SetFileInformationByHandle(handle, FileBasicInfo, &basic, sizeof basic) && DeleteByHandle(handle)) return Left::Nothing;
    return walk.Stays(GetLastError(), path);
}

Left RemoveEntry(const std::wstring& path, const Listed& listed, Walk& walk);

// What an open, plain folder holds goes; then the folder, when nothing stayed in it.
Left RemoveFolder(HANDLE folder, DWORD attributes, const std::wstring& path, Walk& walk)
{
    Left left = Left::Nothing;
    for (const Listed& entry : Listing(folder)) {
        const std::wstring entryPath = path + L"\\" + entry.name;
        if (walk.beforeEntry) walk.beforeEntry(entryPath);
        left = Worse(left, RemoveEntry(entryPath, entry, walk));
    }
    if (left != Left::Nothing) return left;
    return DeleteEntry(folder, attributes, path, walk);
}

// An entry, as whatever it is once opened: a file or a link is deleted itself; the plain
// folder that was listed is emptied and deleted; anything else is never entered, and stays.
Left RemoveEntry(const std::wstring& path, const Listed& listed, Walk& walk)
{
    if (IsKeptFile(path)) return Left::KeptOnly;   // path is verbatim already
    HANDLE handle = OpenEntry(path);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND ? Left::Nothing : walk.Stays(error, path);
    }
    // The attributes first, and the identity (which costs more) only for a folder.
    const DWORD attributes = AttributesOf(handle);
    BY_HANDLE_FILE_INFORMATION info;
    Left left;
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        const bool folder = attributes & FILE_ATTRIBUTE_DIRECTORY;
        const bool link = attributes & FILE_ATTRIBUTE_REPARSE_POINT;
        // A link is deleted as the link it is; where the system opened what it names instead, it stays.
        if (link || (!folder && IsNamedAt(handle, path))) left = DeleteEntry(handle, attributes, path, walk);
        else if (!folder) left = walk.Stays(LinkNotEntered, path);
        else if (GetFileInformationByHandle(handle, &info) && PlainFolder(listed, info))
            left = RemoveFolder(handle, attributes, path, walk);
        else left = walk.Stays(LinkNotEntered, path);
    } else {
        left = walk.Stays(GetLastError(), path);
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

// Whether anything of a folder would refuse to go: every file and every folder, the folder itself
// included, is opened asking for the right to delete it, as the removal will. A program holding a
// file open without leave to delete it, or working in a folder, refuses that (Windows also refuses
// the rename of a folder round such a file, but not every system does): InUse. Anything else that
// cannot be opened so is Failed. Links are removed as links and never entered; the kept log stays.
Outcome NothingHeld(const std::wstring& path, bool folder)
{
    if (IsKeptFile(path)) return Succeeded();
    // What a folder holds first: the file a program holds open is what the player is told of.
    if (folder)
        for (const WIN32_FIND_DATAW& entry : FolderEntries(path)) {
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;   // removed as a link
            const Outcome below = NothingHeld(path + L"\\" + entry.cFileName, entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
            if (!below.Done()) return below;
        }
    HANDLE handle = CreateFileW(path.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND) return Succeeded();   // gone meanwhile
        const bool held = error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
        return FailedWith(held ? Happened::InUse : Happened::Failed, error, path);
    }
    CloseHandle(handle);
    return Succeeded();
}

// The drive or share a path lies on answers: a USB disk pulled out or a share offline does not.
Outcome RootReachable(const std::wstring& folder)
{
    std::wstring canonical;
    if (!CanonicalFolder(folder, canonical)) return Succeeded();   // no path of a drive or share: not this question
    const std::wstring root = canonical.substr(0, RootLength(canonical));
    std::wstring opened = VerbatimForm(root);
    if (opened.back() != L'\\') opened += L'\\';
    if (GetFileAttributesW(opened.c_str()) != INVALID_FILE_ATTRIBUTES) return Succeeded();
    return FailedWith(Happened::Unreachable, GetLastError(), folder);
}

std::wstring LastPart(const std::wstring& path) { return path.substr(path.rfind(L'\\') + 1); }
std::wstring ParentOf(const std::wstring& path) { return path.substr(0, path.rfind(L'\\')); }

// The game's folder moved into the aside folder, removed there; put back when anything stays.
Outcome RemoveAside(const std::wstring& verbatim, const std::wstring& aside, BeforeEntry beforeEntry)
{
    const std::wstring moved = aside + L"\\" + LastPart(verbatim);
    Outcome removed = RemoveResolvedTree(PlainForm(moved), true, beforeEntry);
    if (!removed.Done()) {
        // Back under the game's name, where the records still lead; the part that went is gone.
        if (!MoveFileExW(moved.c_str(), verbatim.c_str(), 0)) return FailedWith(Happened::NotRestored, GetLastError(), moved);
    }
    KeepFirst(removed, RemoveResolvedTree(PlainForm(aside), true));
    return removed;
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

Outcome RemoveResolvedTree(const std::wstring& resolved, bool readOnlyToo, BeforeEntry beforeEntry)
{
    if (!IsRemovableResolved(resolved)) return Succeeded();   // never the game's to take: left alone
    const std::wstring verbatim = VerbatimForm(resolved);
    HANDLE handle = OpenEntry(verbatim);
    if (handle == INVALID_HANDLE_VALUE) return Succeeded();   // nothing there
    BY_HANDLE_FILE_INFORMATION info;
    Walk walk(readOnlyToo, beforeEntry);
    Left left;
    if (!GetFileInformationByHandle(handle, &info)) left = walk.Stays(GetLastError(), verbatim);
    else if (!(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) left = Left::Nothing;   // a file of that name is not the game's
    else if (!(info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) left = RemoveFolder(handle, info.dwFileAttributes, verbatim, walk);
    else left = walk.Stays(LinkNotEntered, verbatim);
    CloseHandle(handle);
    if (left != Left::Something) return Succeeded();
    // Never "no error" for what stayed.
    return FailedWith(Happened::Failed, walk.first != ERROR_SUCCESS ? walk.first : ERROR_DIR_NOT_EMPTY, walk.where);
}

Outcome RemoveTreeW(const std::wstring& folder, bool readOnlyToo, BeforeEntry beforeEntry)
{
    // A game's folder that is a link: neither it nor what it points at is the game's files, and
    // they stay, which is no success to report.
    if (IsLinkFolder(folder)) return FailedWith(Happened::Failed, LinkNotEntered, folder);
    std::wstring resolved;
    if (!ResolveFolder(folder, resolved)) return Succeeded();
    return RemoveResolvedTree(resolved, readOnlyToo, beforeEntry);
}

Outcome RemoveTree(const char* folder) { return RemoveTreeW(WideFromAnsi(folder)); }

Outcome RemoveInstalledFiles(BeforeEntry beforeEntry)
{
    // Read as the registry holds it: a folder the ANSI code page cannot spell is still removed.
    std::wstring folder, resolved;
    if (!ReadInstallDirW(folder)) return FailedWith(Happened::NothingToUninstall, ERROR_FILE_NOT_FOUND);
    // Out of reach, the game's files are not gone: the records and links stay, to take them later.
    const Outcome reachable = RootReachable(folder);
    if (!reachable.Done()) return reachable;
    // No folder a game may have (a system folder, a root): none of it is taken, and the records go.
    if (!ResolveFolder(folder, resolved) || !IsRemovableResolved(resolved)) return RemoveTreeW(folder);
    const std::wstring verbatim = VerbatimForm(resolved);
    const DWORD attributes = GetFileAttributesW(verbatim.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
        !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return RemoveTreeW(folder);   // gone already, a link (which stays), or a file of that name
    const Outcome free = NothingHeld(verbatim, true);
    if (!free.Done()) return free;
    // This run's own log lies inside and stays, open: the folder cannot be moved round it, and is
    // not removed whole anyway. Removed in place, what stays is the log.
    if (HoldsKeptFile(verbatim)) return RemoveResolvedTree(resolved, true, beforeEntry);

    RunNote note;
    note.kind = RunKind::Uninstall;
    note.folder = verbatim;
    Outcome done = BeginRunNote(note);
    if (!done.Done()) return done;
    std::wstring aside;
    done = MakeOwnFolder(ParentOf(verbatim), LastPart(verbatim) + AsideSuffix, note, aside);
    // One rename takes the whole folder out of the game's name; once done, nothing stays
    // half-removed under the name the records give.
    if (done.Done() && !MoveFileExW(verbatim.c_str(), (aside + L"\\" + LastPart(verbatim)).c_str(), 0)) {
        const DWORD error = GetLastError();
        done = FailedWith(error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED ? Happened::InUse : Happened::Failed,
                          error, verbatim);
        KeepFirst(done, RemoveResolvedTree(PlainForm(aside), true));
    } else if (done.Done()) {
        done = RemoveAside(verbatim, aside, beforeEntry);
    }
    // A folder that could not be put back keeps the note: the next start tries again.
    if (done.what != Happened::NotRestored) KeepFirst(done, EndRunNote());
    return done;
}

Outcome RecoverAsideFolder(const RunNote& note)
{
    if (note.own.empty() || GetFileAttributesW(note.own.c_str()) == INVALID_FILE_ATTRIBUTES) return Succeeded();
    // Only the folder the note names, and only while it carries the run's marker.
    if (!IsOwnFolder(note.own, note.token)) return FailedWith(Happened::NotRestored, ERROR_INVALID_DATA, note.own);
    const std::wstring moved = note.own + L"\\" + LastPart(note.folder);
    if (GetFileAttributesW(moved.c_str()) != INVALID_FILE_ATTRIBUTES && !MoveFileExW(moved.c_str(), note.folder.c_str(), 0))
        return FailedWith(Happened::NotRestored, GetLastError(), moved);
    const Outcome removed = RemoveResolvedTree(PlainForm(note.own), true);
    return removed.Done() ? removed : FailedWith(Happened::NotRestored, removed.error, removed.path);
}
