#include "system/staging.h"

#include <windows.h>

#include <set>
#include <vector>

#include "base/names.h"
#include "system/folder_path.h"
#include "system/removal.h"

namespace {

// Below the work area: the extracted package, the files it replaced, and the journal.
constexpr wchar_t StagedPart[] = L"\\new";
constexpr wchar_t BackupPart[] = L"\\old";
constexpr wchar_t JournalPart[] = L"\\journal";

// Journal lines, each written before its move: a file placed where none was, a file moved aside
// to make room, a folder created, a folder swapped whole for the staged one; and the mark of a
// complete commit.
constexpr wchar_t PlacedNew = L'N', Replaced = L'R', CreatedFolder = L'D', Swapped = L'S', Committed = L'C';

struct Line {
    wchar_t kind;
    std::wstring relative;
};

// What stands in the way of a move, or a folder on the way to it, that must not be entered.
constexpr DWORD LinkInTheWay = ERROR_CANT_ACCESS_FILE;

bool IsMissing(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

// A move refused because another program holds the file: the game, most likely, still running.
bool IsHeld(DWORD error)
{
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION || error == ERROR_ACCESS_DENIED;
}

HANDLE OpenAsIs(const std::wstring& path, DWORD access, DWORD share)
{
    return CreateFileW(path.c_str(), access, share, nullptr, OPEN_EXISTING,
                       FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}


// Folders held open, without leave to rename or delete them, for as long as the moves through them
// take: none can be swapped for a link meanwhile. Read access makes the hold count, as an
// attributes-only handle would not.
class Pins {
public:
    Pins() = default;
    Pins(const Pins&) = delete;
    Pins& operator=(const Pins&) = delete;
    ~Pins()
    {
        for (HANDLE handle : held) CloseHandle(handle);
    }
    // One plain folder; ERROR_SUCCESS, the reason it cannot be opened, or LinkInTheWay.
    DWORD Hold(const std::wstring& folder)
    {
        HANDLE handle = OpenAsIs(folder, FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE);
        if (handle == INVALID_HANDLE_VALUE) return GetLastError();
        held.push_back(handle);
        return IsPlainFolderAt(handle, folder) ? ERROR_SUCCESS : LinkInTheWay;
    }
    // `root` and every folder of `relative` above its last part.
    DWORD HoldAbove(const std::wstring& root, const std::wstring& relative)
    {
        DWORD error = Hold(root);
        for (std::size_t at = relative.find(L'\\', 1); error == ERROR_SUCCESS && at != std::wstring::npos;
             at = relative.find(L'\\', at + 1))
            error = Hold(root + relative.substr(0, at));
        return error;
    }

private:
    std::vector<HANDLE> held;
};

bool DeleteByHandle(HANDLE handle)
{
    FILE_DISPOSITION_INFO disposition = {TRUE};
    return SetFileInformationByHandle(handle, FileDispositionInfo, &disposition, sizeof disposition) != 0;
}

// A file that a run placed, deleted by its handle: a link as the link, a read-only one too. A
// folder standing there instead is not the run's, and stays. ERROR_SUCCESS when it is gone.
DWORD DeletePlaced(const std::wstring& path)
{
    HANDLE handle = OpenAsIs(path, DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE);
    if (handle == INVALID_HANDLE_VALUE) return IsMissing(GetLastError()) ? ERROR_SUCCESS : GetLastError();
    const DWORD attributes = AttributesOf(handle);
    DWORD error = ERROR_SUCCESS;
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        error = GetLastError();
    } else if ((attributes & FILE_ATTRIBUTE_DIRECTORY) || !IsNamedAt(handle, path)) {
        error = LinkInTheWay;   // a folder, or a link: not the file the run placed
    } else if (!DeleteByHandle(handle)) {
        FILE_BASIC_INFO basic = {};
        basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
        if (!SetFileInformationByHandle(handle, FileBasicInfo, &basic, sizeof basic) || !DeleteByHandle(handle))
            error = GetLastError();
    }
    CloseHandle(handle);
    return error;
}

// ---- The journal -----------------------------------------------------------------------------

Outcome NotRestored(DWORD error, const std::wstring& path) { return FailedWith(Happened::NotRestored, error, path); }

// The journal as the program writes it, or NotRestored: a journal that cannot be read whole, or
// holds a line of a kind it never writes or a name that is not a plain name below the folder, is
// obeyed in nothing. A missing journal: no move was ever made. A line cut short by the end of the
// process had not been acted on: its move comes after it.
Outcome ReadJournal(const std::wstring& area, std::vector<Line>& lines)
{
    const std::wstring path = area + JournalPart;
    HANDLE file = OpenAsIs(path, GENERIC_READ, FILE_SHARE_READ);
    if (file == INVALID_HANDLE_VALUE) return IsMissing(GetLastError()) ? Succeeded() : NotRestored(GetLastError(), path);
    BY_HANDLE_FILE_INFORMATION info;
    LARGE_INTEGER size = {};
    std::wstring text;
    bool read = GetFileInformationByHandle(file, &info) && !(info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
                GetFileSizeEx(file, &size) && size.QuadPart < (1 << 30) && size.QuadPart % sizeof(wchar_t) == 0;
    DWORD got = 0;
    if (read && size.QuadPart > 0) {
        text.resize(static_cast<std::size_t>(size.QuadPart) / sizeof(wchar_t));
        read = ReadFile(file, &text[0], static_cast<DWORD>(size.QuadPart), &got, nullptr) && got == size.QuadPart;
    }
    const DWORD error = read ? ERROR_SUCCESS : (GetLastError() ? GetLastError() : ERROR_INVALID_DATA);
    CloseHandle(file);
    if (!read) return NotRestored(error, path);
    for (std::size_t start = 0, end; (end = text.find(L'\n', start)) != std::wstring::npos; start = end + 1) {
        const Line line = {end > start ? text[start] : L'\0', text.substr(start + 1, end > start ? end - start - 1 : 0)};
        const bool known = line.kind == PlacedNew || line.kind == Replaced || line.kind == CreatedFolder || line.kind == Swapped;
        const bool last = text.find(L'\n', end + 1) == std::wstring::npos;
        const bool mark = line.kind == Committed && line.relative.empty() && last;
        if (!mark && !(known && IsPlainRelativeName(line.relative))) return NotRestored(ERROR_INVALID_DATA, path);
        lines.push_back(line);
    }
    return Succeeded();
}

bool Write(HANDLE journal, const std::wstring& lines)
{
    const DWORD size = static_cast<DWORD>(lines.size() * sizeof(wchar_t));
    DWORD written = 0;
    // On disk before the moves it announces: a run cut off by a power failure is still undone.
    return size == 0 || (WriteFile(journal, lines.c_str(), size, &written, nullptr) && written == size &&
                         FlushFileBuffers(journal));
}

std::wstring LineOf(wchar_t kind, const std::wstring& relative) { return kind + relative + L'\n'; }

// ---- Undoing -------------------------------------------------------------------------------

// A file the run placed where none was goes again.
Outcome UndoPlaced(const std::wstring& folder, const std::wstring& relative)
{
    Pins pins;
    const DWORD held = pins.HoldAbove(folder, relative);
    if (IsMissing(held)) return Succeeded();   // its folder is gone, and it with it
    if (held != ERROR_SUCCESS) return NotRestored(held, folder + relative);
    const DWORD error = DeletePlaced(folder + relative);
    return error == ERROR_SUCCESS ? Succeeded() : NotRestored(error, folder + relative);
}

// A folder the run made goes again once empty; one that holds something now keeps it.
void UndoCreatedFolder(const std::wstring& folder, const std::wstring& relative)
{
    Pins pins;
    if (pins.HoldAbove(folder, relative) != ERROR_SUCCESS) return;
    HANDLE handle = OpenAsIs(folder + relative, DELETE | FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES,
                             FILE_SHARE_READ | FILE_SHARE_WRITE);
    if (handle == INVALID_HANDLE_VALUE) return;
    if (IsPlainFolderAt(handle, folder + relative)) DeleteByHandle(handle);   // refused while it holds anything: then it stays
    CloseHandle(handle);
}

// The backups' folders, made again where missing on the way back.
void MakeFolders(const std::wstring& root, const std::wstring& relative)
{
    for (std::size_t at = relative.find(L'\\', 1); at != std::wstring::npos; at = relative.find(L'\\', at + 1))
        CreateDirectoryW((root + relative.substr(0, at)).c_str(), nullptr);   // there already: fine
}

// What each undo of a move aside begins with: the backup is what the run moved there (a plain
// file, or for a swap a plain folder), and the folders above it and above its place are held,
// those of its place made again where missing. `moved` false: no backup was ever made, the
// original never moved, and nothing is to be undone.
Outcome HoldWayBack(Pins& fromPins, Pins& toPins, const std::wstring& folder, const std::wstring& area,
                    const std::wstring& relative, bool wholeFolder, bool& moved)
{
    const std::wstring backup = area + BackupPart + relative;
    moved = false;
    const DWORD from = fromPins.HoldAbove(area, BackupPart + relative);
    if (IsMissing(from)) return Succeeded();
    if (from != ERROR_SUCCESS) return NotRestored(from, backup);
    HANDLE handle = OpenAsIs(backup, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
    if (handle == INVALID_HANDLE_VALUE) return IsMissing(GetLastError()) ? Succeeded() : NotRestored(GetLastError(), backup);
    const bool asMoved = ((AttributesOf(handle) & FILE_ATTRIBUTE_DIRECTORY) != 0) == wholeFolder && IsNamedAt(handle, backup);
    CloseHandle(handle);
    if (!asMoved) return NotRestored(LinkInTheWay, backup);   // the run only ever moves plain entries aside
    DWORD to = toPins.HoldAbove(folder, relative);
    if (IsMissing(to)) {
        MakeFolders(folder, relative);
        to = toPins.HoldAbove(folder, relative);
    }
    if (to != ERROR_SUCCESS) return NotRestored(to, folder + relative);
    moved = true;
    return Succeeded();
}

// A file moved aside comes back from the work area, and only from there, over what the run put
// in its place.
Outcome UndoReplaced(const std::wstring& folder, const std::wstring& area, const std::wstring& relative)
{
    const std::wstring backup = area + BackupPart + relative, target = folder + relative;
    Pins fromPins, toPins;
    bool moved = false;
    const Outcome way = HoldWayBack(fromPins, toPins, folder, area, relative, false, moved);
    if (!way.Done() || !moved) return way;
    const DWORD cleared = DeletePlaced(target);
    if (cleared != ERROR_SUCCESS) return NotRestored(cleared, target);
    if (!MoveFileExW(backup.c_str(), target.c_str(), 0)) return NotRestored(GetLastError(), target);
    return Succeeded();
}

// A folder swapped whole comes back from the work area, and only from there; the staged folder
// standing in its place goes back to where it was staged, to go with the work area. Nothing else
// is moved out of the way.
Outcome UndoSwapped(const std::wstring& folder, const std::wstring& area, const std::wstring& relative)
{
    const std::wstring backup = area + BackupPart + relative, target = folder + relative, staged = area + StagedPart + relative;
    Pins fromPins, toPins, stagedPins;
    bool moved = false;
    const Outcome way = HoldWayBack(fromPins, toPins, folder, area, relative, true, moved);
    if (!way.Done() || !moved) return way;
    HANDLE handle = OpenAsIs(target, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
    if (handle != INVALID_HANDLE_VALUE) {
        const bool placed = IsPlainFolderAt(handle, target);
        CloseHandle(handle);
        if (!placed) return NotRestored(LinkInTheWay, target);
        const DWORD back = stagedPins.HoldAbove(area, StagedPart + relative);
        if (back != ERROR_SUCCESS) return NotRestored(back, staged);
        if (!MoveFileExW(target.c_str(), staged.c_str(), 0)) return NotRestored(GetLastError(), target);
    } else if (!IsMissing(GetLastError())) {
        return NotRestored(GetLastError(), target);
    }
    if (!MoveFileExW(backup.c_str(), target.c_str(), 0)) return NotRestored(GetLastError(), target);
    return Succeeded();
}

// Undoes the journal's moves, last first. Each step holds however far its move had come when a
// run died. Every line is tried; the first that could not be undone is told, and then the work
// area must stay.
Outcome Undo(const std::wstring& folder, const std::wstring& area, const std::vector<Line>& lines)
{
    Outcome first = Succeeded();
    for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
        switch (line->kind) {
        case PlacedNew: KeepFirst(first, UndoPlaced(folder, line->relative)); break;
        case CreatedFolder: UndoCreatedFolder(folder, line->relative); break;
        case Replaced: KeepFirst(first, UndoReplaced(folder, area, line->relative)); break;
        case Swapped: KeepFirst(first, UndoSwapped(folder, area, line->relative)); break;
        }
    }
    return first;
}

// The staged files and the backups first (the backups may be read-only; they are the run's own
// copies), then the journal, and the marker last, with the folder: a work area that cannot all go
// now (a program holds a file of it) is still the run's own at the next start, which removes it.
Outcome RemoveWorkArea(const std::wstring& area)
{
    for (const wchar_t* part : {StagedPart, BackupPart}) {
        const Outcome removed = RemoveResolvedTree(PlainForm(area + part), true);
        if (!removed.Done()) return NotRestored(removed.error, removed.path);
    }
    const DWORD journal = DeletePlaced(area + JournalPart);
    if (journal != ERROR_SUCCESS) return NotRestored(journal, area + JournalPart);
    const Outcome removed = RemoveResolvedTree(PlainForm(area), true);
    return removed.Done() ? removed : NotRestored(removed.error, removed.path);
}

// ---- The commit ----------------------------------------------------------------------------

class Lookers;

struct Commit {
    std::wstring folder, staged, backup, journalPath;
    HANDLE journal = INVALID_HANDLE_VALUE;
    BetweenMoves between = nullptr;
    Outcome failed = Succeeded();
    // The folders standing that go whole, for the staged folder of the same name.
    std::set<std::wstring, NameOrder> swaps;
    Lookers* lookers = nullptr;   // for the check

    bool Fail(Happened what, DWORD error, const std::wstring& path)
    {
        failed = FailedWith(what, error, path);
        return false;
    }
    bool MoveFailed(const std::wstring& path)
    {
        const DWORD error = GetLastError();
        return Fail(IsHeld(error) ? Happened::InUse : Happened::Failed, error, path);
    }
    bool Carries() { return between() == NextMove::CarryOn || Fail(Happened::Cancelled, ERROR_SUCCESS, std::wstring()); }
};

// A link staged by the package moves as the link it is.
bool IsStagedFolder(const WIN32_FIND_DATAW& entry)
{
    return (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// Whether a folder standing can go whole this moment: opened for deletion, which a program working
// in it refuses.
bool CanGoWhole(const std::wstring& path)
{
    HANDLE handle = OpenAsIs(path, DELETE | FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
    if (handle == INVALID_HANDLE_VALUE) return false;
    CloseHandle(handle);
    return true;
}

// What stands where a staged entry goes.
struct Standing {
    bool there = false;       // something: opened as a file, or as itself
    bool free = false;        // opened for deletion, as a swap would take it: nobody holds it
    DWORD attributes = 0;
    bool itself = false;      // no link, and no other name for something elsewhere
};

Standing LookAt(const std::wstring& target, bool stagedFolder)
{
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    Standing standing;
    HANDLE handle;
    if (!stagedFolder) {
        // Most often a file of the game: opened as a file (a folder refuses), following any link,
        // which then shows under the name of what it names. Two calls fewer than as it is.
        handle = CreateFileW(target.c_str(), DELETE | FILE_READ_ATTRIBUTES, share, nullptr, OPEN_EXISTING, 0, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            standing = {true, true, FILE_ATTRIBUTE_NORMAL, OpenedAs(handle, target)};
            CloseHandle(handle);
            return standing;
        }
    }
    // Anything else as it is: a folder, a link (one that names nothing too), a file held or kept.
    handle = stagedFolder ? INVALID_HANDLE_VALUE : OpenAsIs(target, DELETE | FILE_READ_ATTRIBUTES, share);
    standing.free = handle != INVALID_HANDLE_VALUE;
    if (!standing.free && (stagedFolder || !IsMissing(GetLastError()))) handle = OpenAsIs(target, FILE_READ_ATTRIBUTES, share);
    if (handle == INVALID_HANDLE_VALUE) return standing;   // nothing in the way
    standing.there = true;
    standing.attributes = AttributesOf(handle);
    standing.itself = IsNamedAt(handle, target);
    CloseHandle(handle);
    return standing;
}

// What stands in the place of each of a folder's staged entries, looked at from two threads: each
// look waits on the system most of its time (some 0.2 ms a file under Wine). The second thread is
// kept for the whole check: under Wine a thread takes milliseconds to start, more than a folder's
// looks gain from it.
struct Looks {
    const std::wstring* folder;
    const std::vector<WIN32_FIND_DATAW>* entries;
    std::vector<Standing>* standing;
    std::size_t first, step;
};

void LookAtEvery(const Looks& looks)
{
    for (std::size_t i = looks.first; i < looks.entries->size(); i += looks.step) {
        const WIN32_FIND_DATAW& entry = (*looks.entries)[i];
        (*looks.standing)[i] = LookAt(*looks.folder + L"\\" + entry.cFileName, IsStagedFolder(entry));
    }
}

class Lookers {
public:
    Lookers()
    {
        go = CreateEventW(nullptr, FALSE, FALSE, nullptr);
        done = CreateEventW(nullptr, FALSE, FALSE, nullptr);
        if (go && done) helper = CreateThread(nullptr, 0, Help, this, 0, nullptr);
    }
    ~Lookers()
    {
        if (helper) {
            job = nullptr;   // no more
            SetEvent(go);
            WaitForSingleObject(helper, INFINITE);
            CloseHandle(helper);
        }
        for (HANDLE event : {go, done})
            if (event) CloseHandle(event);
    }
    Lookers(const Lookers&) = delete;
    Lookers& operator=(const Lookers&) = delete;

    std::vector<Standing> LookAtAll(const std::wstring& folder, const std::vector<WIN32_FIND_DATAW>& entries)
    {
        constexpr std::size_t FewestForTwo = 8;
        std::vector<Standing> standing(entries.size());
        const bool two = helper && entries.size() >= FewestForTwo;
        const Looks odd = {&folder, &entries, &standing, 1, 2};
        if (two) {
            job = &odd;
            SetEvent(go);
        }
        LookAtEvery({&folder, &entries, &standing, 0, two ? 2u : 1u});
        if (two) WaitForSingleObject(done, INFINITE);
        return standing;
    }

private:
    static DWORD WINAPI Help(void* context)
    {
        Lookers& lookers = *static_cast<Lookers*>(context);
        for (;;) {
            WaitForSingleObject(lookers.go, INFINITE);
            if (!lookers.job) return 0;
            LookAtEvery(*lookers.job);
            SetEvent(lookers.done);
        }
    }

    HANDLE go = nullptr, done = nullptr, helper = nullptr;
    const Looks* job = nullptr;
};

// Before anything moves: every staged entry against what stands in its place. A file never
// replaces a folder (the player's, with whatever it holds), a folder never a file, and nothing in
// the way is a link. On the way, which folders can be swapped whole (`whole`, and Commit::swaps):
// below the destination, holding nothing but names the package has, at any depth, and nothing of
// them held. Windows does not rename a folder round an open file, and not every system refuses
// it, so that is asked first; a folder that cannot go whole has its files moved one by one. A
// folder that holds no file the package replaces, at any depth (a saves folder still empty), gains
// nothing from a swap of its own and keeps its folder, with what was set on it (an
// administrator's leave for the game to write there); `files` counts those files.
bool CheckPlaces(Commit& commit, const std::wstring& relative, bool& whole, std::size_t& files)
{
    // Names standing twice, in two cases: a file system that tells them apart (Wine's, on Linux)
    // lets both be made, and a swap could take one for the other. Those folders move file by file.
    std::set<std::wstring, NameOrder> unmatched, twins;
    for (const WIN32_FIND_DATAW& entry : FolderEntries(commit.folder + relative))
        if (!unmatched.insert(entry.cFileName).second) twins.insert(entry.cFileName);
    whole = !relative.empty() && twins.empty();
    std::size_t here = 0;
    const std::vector<WIN32_FIND_DATAW> entries = FolderEntries(commit.staged + relative);
    const std::vector<Standing> looks = commit.lookers->LookAtAll(commit.folder + relative, entries);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const WIN32_FIND_DATAW& entry = entries[i];
        const std::wstring name = relative + L"\\" + entry.cFileName, target = commit.folder + name;
        const Standing& standing = looks[i];
        if (!standing.there) continue;   // nothing in the way
        if (!standing.itself) return commit.Fail(Happened::Failed, LinkInTheWay, target);
        const bool folder = standing.attributes & FILE_ATTRIBUTE_DIRECTORY, free = standing.free;
        if (folder != IsStagedFolder(entry)) return commit.Fail(Happened::Failed, ERROR_ALREADY_EXISTS, target);
        unmatched.erase(entry.cFileName);
        bool below = false;
        if (folder && !CheckPlaces(commit, name, below, here)) return false;
        if (below && twins.count(entry.cFileName)) commit.swaps.erase(name);
        whole = whole && (folder ? below : free);
        if (!folder) ++here;
    }
    files += here;
    whole = whole && unmatched.empty() && CanGoWhole(commit.folder + relative);
    if (whole && here > 0) commit.swaps.insert(relative);
    return true;
}

bool MoveAside(Commit& commit, const std::wstring& relative)
{
    const std::wstring from = commit.folder + relative, to = commit.backup + relative;
    // The folders of the backup are made when a first file needs them, not asked for at every file.
    if (MoveFileExW(from.c_str(), to.c_str(), 0)) return true;
    if (GetLastError() == ERROR_PATH_NOT_FOUND) {
        MakeFolders(commit.backup, relative);
        if (MoveFileExW(from.c_str(), to.c_str(), 0)) return true;
    }
    return commit.MoveFailed(from);
}

bool PlaceEntries(Commit& commit, const std::wstring& relative);

bool PlaceFolder(Commit& commit, const std::wstring& relative)
{
    const std::wstring target = commit.folder + relative;
    if (GetFileAttributesW(target.c_str()) == INVALID_FILE_ATTRIBUTES) {
        if (!Write(commit.journal, LineOf(CreatedFolder, relative)))
            return commit.Fail(Happened::Failed, GetLastError(), commit.journalPath);
        if (!CreateDirectoryW(target.c_str(), nullptr)) return commit.MoveFailed(target);
    }
    return PlaceEntries(commit, relative);
}

// The staged entries of one folder into place, that folder held against swaps (the folders above
// it are held by the calls that led here). The journal lines of its files are written first, in
// one go, and flushed: each still comes before its move, and a line whose move never came undoes
// nothing (no backup to restore, no new file to remove).
bool PlaceEntries(Commit& commit, const std::wstring& relative)
{
    Pins pin;
    const DWORD held = pin.Hold(commit.folder + relative);
    if (held != ERROR_SUCCESS) return commit.Fail(Happened::Failed, held, commit.folder + relative);
    const std::vector<WIN32_FIND_DATAW> staged = FolderEntries(commit.staged + relative);
    std::set<std::wstring, NameOrder> present;
    for (const WIN32_FIND_DATAW& entry : FolderEntries(commit.folder + relative)) present.insert(entry.cFileName);
    std::wstring lines;
    for (const WIN32_FIND_DATAW& entry : staged) {
        const std::wstring name = relative + L"\\" + entry.cFileName;
        if (!IsStagedFolder(entry)) lines += LineOf(present.count(entry.cFileName) ? Replaced : PlacedNew, name);
        else if (commit.swaps.count(name)) lines += LineOf(Swapped, name);
    }
    if (!Write(commit.journal, lines))
        return commit.Fail(Happened::Failed, GetLastError(), commit.journalPath);
    for (const WIN32_FIND_DATAW& entry : staged) {
        const std::wstring name = relative + L"\\" + entry.cFileName;
        if (!commit.Carries()) return false;
        const bool swapped = IsStagedFolder(entry) && commit.swaps.count(name);
        if (IsStagedFolder(entry) && !swapped) {
            if (!PlaceFolder(commit, name)) return false;
            continue;
        }
        // A file, or a folder swapped whole: what stands there goes aside first.
        if ((swapped || present.count(entry.cFileName)) && (!MoveAside(commit, name) || !commit.Carries())) return false;
        if (!MoveFileExW((commit.staged + name).c_str(), (commit.folder + name).c_str(), 0))
            return commit.MoveFailed(commit.folder + name);
    }
    return true;
}

}  // namespace

Outcome OpenWorkArea(const Destination& destination, RunNote& note, std::wstring& area, std::wstring& into)
{
    const Outcome made = MakeOwnFolder(VerbatimForm(destination.resolved), WorkAreaName + 1, note, area);
    if (!made.Done()) return made;
    if (!CreateDirectoryW((area + StagedPart).c_str(), nullptr)) return FailedWith(Happened::Failed, GetLastError(), area + StagedPart);
    into = PlainForm(area) + StagedPart;
    return Succeeded();
}

Outcome CommitWorkArea(const Destination& destination, const std::wstring& area, BetweenMoves between)
{
    Commit commit;
    commit.folder = VerbatimForm(destination.resolved);
    commit.staged = area + StagedPart;
    commit.backup = area + BackupPart;
    commit.between = between;
    const std::wstring journal = commit.journalPath = area + JournalPart;
    bool whole = false;
    std::size_t files = 0;
    bool checked;
    {
        Lookers lookers;
        commit.lookers = &lookers;
        checked = CheckPlaces(commit, L"", whole, files);
    }
    if (!checked) {
        // Nothing moved: the work area was all the run wrote.
        RemoveWorkArea(area);   // what stays of it is the run's own copy, removed at the next start
        return commit.failed;
    }
    if (!CreateDirectoryW(commit.backup.c_str(), nullptr) ||
        (commit.journal = CreateFileW(journal.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr)) == INVALID_HANDLE_VALUE) {
        const Outcome failed = FailedWith(Happened::Failed, GetLastError(), journal);
        RemoveWorkArea(area);   // nothing moved yet
        return failed;
    }
    bool placed = PlaceEntries(commit, L"");
    // Once the mark is written, the new installation stands, whatever happens to the backups.
    if (placed && !Write(commit.journal, LineOf(Committed, L""))) placed = commit.Fail(Happened::Failed, GetLastError(), journal);
    CloseHandle(commit.journal);
    if (placed) return Succeeded();   // the old copies go with RemoveOldCopies
    std::vector<Line> lines;
    Outcome undone = ReadJournal(area, lines);
    if (undone.Done()) undone = Undo(commit.folder, area, lines);
    if (!undone.Done()) return undone;   // the work area and its journal stay, for the next start
    const Outcome removed = RemoveWorkArea(area);
    return removed.Done() ? commit.failed : removed;
}

Outcome RemoveOldCopies(const std::wstring& area) { return RemoveWorkArea(area); }

Outcome RecoverWorkArea(const std::wstring& folder, const std::wstring& area, const std::wstring& token)
{
    if (GetFileAttributesW(area.c_str()) == INVALID_FILE_ATTRIBUTES) return Succeeded();   // never made, or gone
    if (!IsOwnFolder(area, token)) return NotRestored(ERROR_INVALID_DATA, area);
    std::vector<Line> lines;
    Outcome undone = ReadJournal(area, lines);
    if (undone.Done() && (lines.empty() || lines.back().kind != Committed)) undone = Undo(folder, area, lines);
    if (!undone.Done()) return undone;
    return RemoveWorkArea(area);
}
