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

// Journal lines, each written before its move: a file placed where none was, a file or folder
// moved aside to make room, a folder created; and the mark of a complete commit.
constexpr wchar_t PlacedNew = L'N', Replaced = L'R', CreatedFolder = L'D', Committed = L'C';

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool IsFolder(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring WorkArea(const std::wstring& folder) { return folder + WorkAreaName; }

// The folders above `relative` in the backup, made as needed.
void MakeParents(const std::wstring& root, const std::wstring& relative)
{
    for (size_t at = relative.find(L'\\', 1); at != std::wstring::npos; at = relative.find(L'\\', at + 1))
        CreateDirectoryW((root + relative.substr(0, at)).c_str(), nullptr);   // exists already: fine
}

// Something in the way of a restored entry: a file placed by the run, or a folder it made.
void Clear(const std::wstring& path)
{
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!DeleteFileW(path.c_str())) RemoveDirectoryW(path.c_str());
}

// Undoes the journal's moves, last first. Each step holds however far its move had come when a
// run died: a backup not yet made leaves the original where it was.
void Undo(const std::wstring& folder, const std::vector<std::wstring>& lines)
{
    const std::wstring backup = WorkArea(folder) + BackupPart;
    for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
        const std::wstring relative = line->substr(1);
        const std::wstring target = folder + relative;
        switch ((*line)[0]) {
        case PlacedNew: Clear(target); break;
        case CreatedFolder: RemoveDirectoryW(target.c_str()); break;   // only once emptied again
        case Replaced:
            if (Exists(backup + relative)) {
                if (Exists(target)) Clear(target);
                MoveFileExW((backup + relative).c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING);
            }
            break;
        }
    }
}

std::vector<std::wstring> ReadJournal(const std::wstring& path)
{
    std::vector<std::wstring> lines;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return lines;
    std::wstring text;
    LARGE_INTEGER size;
    if (GetFileSizeEx(file, &size) && size.QuadPart > 0 && size.QuadPart < (1 << 30)) {
        text.resize(static_cast<size_t>(size.QuadPart) / sizeof(wchar_t));
        DWORD read = 0;
        if (!ReadFile(file, &text[0], static_cast<DWORD>(text.size() * sizeof(wchar_t)), &read, nullptr)) read = 0;
        text.resize(read / sizeof(wchar_t));
    }
    CloseHandle(file);
    // A line cut short by the end of the process had not been acted on: its move comes after it.
    for (size_t start = 0, end; (end = text.find(L'\n', start)) != std::wstring::npos; start = end + 1)
        if (end > start) lines.push_back(text.substr(start, end - start));
    return lines;
}

bool Write(HANDLE journal, const std::wstring& lines)
{
    const DWORD size = static_cast<DWORD>(lines.size() * sizeof(wchar_t));
    DWORD written = 0;
    return size == 0 || (WriteFile(journal, lines.c_str(), size, &written, nullptr) && written == size);
}

bool Note(HANDLE journal, wchar_t kind, const std::wstring& relative) { return Write(journal, kind + relative + L'\n'); }

void RemoveWorkArea(const std::wstring& folder)
{
    const std::wstring area = WorkArea(folder);
    if (!Exists(area)) return;
    ClearReadOnlyBelow(area);   // a replaced file may have been read-only
    // Removal takes the folder as a player would spell it, and checks it again.
    RemoveTreeW(PlainForm(area));
}

struct Commit {
    std::wstring folder, staged, backup;
    HANDLE journal;
    BetweenMoves between;
    std::wstring stuck;
    NextMove next = NextMove::CarryOn;
};

// Moves an entry of the game's folder aside (its journal line already written).
bool MoveAside(Commit& commit, const std::wstring& relative)
{
    const std::wstring from = commit.folder + relative, to = commit.backup + relative;
    // The folders of the backup are made when a first file needs them, not asked for at every file.
    if (MoveFileExW(from.c_str(), to.c_str(), 0)) return true;
    if (GetLastError() == ERROR_PATH_NOT_FOUND) {
        MakeParents(commit.backup, relative);
        if (MoveFileExW(from.c_str(), to.c_str(), 0)) return true;
    }
    commit.stuck = from;
    return false;
}

bool Carries(Commit& commit)
{
    commit.next = commit.between();
    return commit.next == NextMove::CarryOn;
}

// A link to a folder moves as the link it is.
bool IsStagedFolder(const WIN32_FIND_DATAW& entry)
{
    return (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// As Windows compares names.
struct NameLess {
    bool operator()(const std::wstring& one, const std::wstring& other) const
    {
        return CompareStringOrdinal(one.c_str(), -1, other.c_str(), -1, TRUE) == CSTR_LESS_THAN;
    }
};

bool PlaceEntries(Commit& commit, const std::wstring& relative);

bool PlaceFolder(Commit& commit, const std::wstring& relative)
{
    const std::wstring target = commit.folder + relative;
    if (!IsFolder(target)) {
        if (Exists(target) && (!Note(commit.journal, Replaced, relative) || !MoveAside(commit, relative))) return false;
        if (!Note(commit.journal, CreatedFolder, relative) || !CreateDirectoryW(target.c_str(), nullptr)) {
            commit.stuck = target;
            return false;
        }
    }
    return PlaceEntries(commit, relative);
}

// The staged entries of one folder into place. The journal lines of its files are written
// first, in one go: each still comes before its move, and a line whose move never came undoes
// nothing (no backup to restore, no new file to remove).
bool PlaceEntries(Commit& commit, const std::wstring& relative)
{
    const std::vector<WIN32_FIND_DATAW> staged = FolderEntries(commit.staged + relative);
    std::set<std::wstring, NameLess> present;
    for (const WIN32_FIND_DATAW& entry : FolderEntries(commit.folder + relative)) present.insert(entry.cFileName);
    std::wstring lines;
    for (const WIN32_FIND_DATAW& entry : staged)
        if (!IsStagedFolder(entry))
            lines += (present.count(entry.cFileName) ? Replaced : PlacedNew) + relative + L"\\" + entry.cFileName + L'\n';
    if (!Write(commit.journal, lines)) {
        commit.stuck = commit.folder + relative;
        return false;
    }
    for (const WIN32_FIND_DATAW& entry : staged) {
        const std::wstring name = relative + L"\\" + entry.cFileName;
        if (!Carries(commit)) return false;
        if (IsStagedFolder(entry)) {
            if (!PlaceFolder(commit, name)) return false;
            continue;
        }
        if (present.count(entry.cFileName) && (!MoveAside(commit, name) || !Carries(commit))) return false;
        if (!MoveFileExW((commit.staged + name).c_str(), (commit.folder + name).c_str(), 0)) {
            commit.stuck = commit.folder + name;
            return false;
        }
    }
    return true;
}

}  // namespace

std::wstring FolderOnDisk(const char* folder)
{
    std::wstring resolved;
    return ResolveFolder(WideFromAnsi(folder), resolved) ? VerbatimForm(resolved) : std::wstring();
}

bool FolderExists(const char* folder)
{
    const std::wstring onDisk = FolderOnDisk(folder);
    return !onDisk.empty() && IsFolder(onDisk);
}

bool OpenWorkArea(const char* folder, std::wstring& staging)
{
    RecoverWorkArea(folder);
    std::wstring resolved;
    if (!ResolveFolder(WideFromAnsi(folder), resolved)) return false;
    const std::wstring area = WorkArea(VerbatimForm(resolved));
    if (!CreateDirectoryW(area.c_str(), nullptr)) return false;
    // Hidden: a player looking into the folder meanwhile sees the game, not the setup's work.
    SetFileAttributesW(area.c_str(), FILE_ATTRIBUTE_HIDDEN);
    if (!CreateDirectoryW((area + StagedPart).c_str(), nullptr)) return false;
    staging = resolved + WorkAreaName + StagedPart;
    return true;
}

bool CommitWorkArea(const char* folder, BetweenMoves between, std::wstring& stuck)
{
    Commit commit;
    commit.folder = FolderOnDisk(folder);
    if (commit.folder.empty()) {
        stuck = WideFromAnsi(folder);
        return false;
    }
    const std::wstring area = WorkArea(commit.folder);
    commit.staged = area + StagedPart;
    commit.backup = area + BackupPart;
    commit.between = between;
    CreateDirectoryW(commit.backup.c_str(), nullptr);   // a failure shows at the first move aside
    commit.journal = CreateFileW((area + JournalPart).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (commit.journal == INVALID_HANDLE_VALUE) {
        stuck = area + JournalPart;
        RemoveWorkArea(commit.folder);
        return false;
    }
    bool placed = PlaceEntries(commit, L"");
    // Once the mark is written, the new installation stands, whatever happens to the backups.
    placed = placed && Note(commit.journal, Committed, L"");
    CloseHandle(commit.journal);
    if (commit.next == NextMove::StopDead) return false;
    if (!placed) {
        stuck = commit.stuck;
        Undo(commit.folder, ReadJournal(area + JournalPart));
    }
    RemoveWorkArea(commit.folder);
    return placed;
}

void DiscardWorkArea(const char* folder)
{
    const std::wstring onDisk = FolderOnDisk(folder);
    if (!onDisk.empty()) RemoveWorkArea(onDisk);
}

bool RecoverWorkArea(const char* folder)
{
    const std::wstring onDisk = FolderOnDisk(folder);
    if (onDisk.empty() || !Exists(WorkArea(onDisk))) return false;
    const std::vector<std::wstring> lines = ReadJournal(WorkArea(onDisk) + JournalPart);
    if (lines.empty() || lines.back()[0] != Committed) Undo(onDisk, lines);
    RemoveWorkArea(onDisk);
    return true;
}
