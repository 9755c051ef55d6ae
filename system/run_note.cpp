#include "system/run_note.h"

#include <windows.h>
#include <objbase.h>

#include "base/names.h"
#include "system/folder_path.h"
#include "system/records.h"

namespace {

// In the machine's part of the registry, which only administrators (as the setup runs) may write:
// a note planted by anyone else is never obeyed.
const HKEY NoteRoot = HKEY_LOCAL_MACHINE;
constexpr wchar_t MarkerName[] = L"\\owner";

bool SetText(HKEY key, const wchar_t* name, const std::wstring& text)
{
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

bool SetNumber(HKEY key, const wchar_t* name, DWORD number)
{
    return RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number) == ERROR_SUCCESS;
}

bool GetText(HKEY key, const wchar_t* name, std::wstring& text)
{
    wchar_t data[1024] = {};
    DWORD size = sizeof data - sizeof(wchar_t), type = 0;
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size) != ERROR_SUCCESS || type != REG_SZ)
        return false;
    text = data;
    return true;
}

bool GetNumber(HKEY key, const wchar_t* name, DWORD& number)
{
    DWORD size = sizeof number, type = 0;
    return RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&number), &size) == ERROR_SUCCESS &&
           type == REG_DWORD;
}

Outcome WriteNote(const RunNote& note)
{
    HKEY key;
    LONG result = RegCreateKeyExW(NoteRoot, WideFromAnsi(RunNoteKey).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                                  nullptr, &key, nullptr);
    if (result != ERROR_SUCCESS) return FailedWith(Happened::Failed, static_cast<DWORD>(result), WideFromAnsi(RunNoteKey));
    const bool written = SetNumber(key, L"Kind", static_cast<DWORD>(note.kind)) && SetText(key, L"Folder", note.folder) &&
                         SetNumber(key, L"Existed", note.existed) && SetText(key, L"Own", note.own) &&
                         SetText(key, L"Token", note.token);
    // On disk before the run moves anything: a run cut off by a power failure is still known.
    result = written ? RegFlushKey(key) : static_cast<LONG>(ERROR_WRITE_FAULT);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS) return FailedWith(Happened::Failed, static_cast<DWORD>(result), WideFromAnsi(RunNoteKey));
    return Succeeded();
}

std::wstring FreshToken()
{
    GUID guid;
    wchar_t text[64] = L"";
    if (FAILED(CoCreateGuid(&guid)) || StringFromGUID2(guid, text, 64) == 0) {
        // Without the random source a token of this process and moment still tells runs apart.
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        wsprintfW(text, L"{%08lX-%08lX%08lX}", GetCurrentProcessId(), now.HighPart, now.LowPart);
    }
    return text;
}

// The marker, read through a handle on the folder that keeps it from being renamed or swapped.
bool MarkerHolds(const std::wstring& folder, const std::wstring& token)
{
    HANDLE marker = CreateFileW((folder + MarkerName).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (marker == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION info;
    wchar_t text[64] = {};
    DWORD read = 0;
    const bool plain = GetFileInformationByHandle(marker, &info) && !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                       IsNamedAt(marker, folder + MarkerName);
    const bool holds = plain && ReadFile(marker, text, sizeof text - sizeof(wchar_t), &read, nullptr) &&
                       read == token.size() * sizeof(wchar_t) && token == text;
    CloseHandle(marker);
    return holds;
}

Outcome WriteMarker(const std::wstring& folder, const std::wstring& token)
{
    const std::wstring path = folder + MarkerName;
    HANDLE marker = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (marker == INVALID_HANDLE_VALUE) return FailedWith(Happened::Failed, GetLastError(), path);
    const DWORD size = static_cast<DWORD>(token.size() * sizeof(wchar_t));
    DWORD written = 0;
    const bool whole = WriteFile(marker, token.c_str(), size, &written, nullptr) && written == size;
    const DWORD error = whole ? ERROR_SUCCESS : GetLastError();
    CloseHandle(marker);
    return whole ? Succeeded() : FailedWith(Happened::Failed, error ? error : ERROR_WRITE_FAULT, path);
}

}  // namespace

Outcome BeginRunNote(RunNote& note)
{
    RunNote standing;
    if (ReadRunNote(standing)) return FailedWith(Happened::NotRestored, ERROR_SUCCESS, standing.own.empty() ? standing.folder : standing.own);
    note.token = FreshToken();
    note.own.clear();
    return WriteNote(note);
}

Outcome NoteOwnFolder(RunNote& note, const std::wstring& own)
{
    note.own = own;
    return WriteNote(note);
}

Outcome EndRunNote()
{
    const LONG result = RegDeleteKeyW(NoteRoot, WideFromAnsi(RunNoteKey).c_str());
    if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND)
        return FailedWith(Happened::Failed, static_cast<DWORD>(result), WideFromAnsi(RunNoteKey));
    // The maker's key goes too when the note was all it held: the setup leaves no trace of its own.
    HKEY maker;
    if (RegOpenKeyExW(NoteRoot, WideFromAnsi(MakerKey).c_str(), 0, KEY_READ, &maker) == ERROR_SUCCESS) {
        DWORD keys = 1, values = 1;
        const bool empty = RegQueryInfoKeyW(maker, nullptr, nullptr, nullptr, &keys, nullptr, nullptr, &values, nullptr,
                                            nullptr, nullptr, nullptr) == ERROR_SUCCESS && keys == 0 && values == 0;
        RegCloseKey(maker);
        if (empty) RegDeleteKeyW(NoteRoot, WideFromAnsi(MakerKey).c_str());   // another program's key stays; so may an empty one
    }
    return Succeeded();
}

bool ReadRunNote(RunNote& note)
{
    HKEY key;
    if (RegOpenKeyExW(NoteRoot, WideFromAnsi(RunNoteKey).c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return false;
    DWORD kind = 0, existed = 0;
    const bool whole = GetNumber(key, L"Kind", kind) && GetText(key, L"Folder", note.folder) &&
                       GetNumber(key, L"Existed", existed) && GetText(key, L"Own", note.own) &&
                       GetText(key, L"Token", note.token);
    RegCloseKey(key);
    note.kind = kind == static_cast<DWORD>(RunKind::Uninstall) ? RunKind::Uninstall : RunKind::Install;
    note.existed = existed != 0;
    return whole && (kind == static_cast<DWORD>(RunKind::Install) || kind == static_cast<DWORD>(RunKind::Uninstall)) &&
           !note.folder.empty() && !note.token.empty();
}

Outcome MakeOwnFolder(const std::wstring& parent, const std::wstring& base, RunNote& note, std::wstring& made)
{
    DWORD error = ERROR_SUCCESS;
    for (int attempt = 1; attempt <= 99; ++attempt) {
        const std::wstring candidate = parent + L"\\" + base + (attempt > 1 ? std::to_wstring(attempt) : std::wstring());
        // Anything by that name (a folder of the player's, a link, a file) is left as it is.
        if (GetFileAttributesW(candidate.c_str()) != INVALID_FILE_ATTRIBUTES) continue;
        const Outcome noted = NoteOwnFolder(note, candidate);
        if (!noted.Done()) return noted;
        if (!CreateDirectoryW(candidate.c_str(), nullptr)) {
            error = GetLastError();
            if (error == ERROR_ALREADY_EXISTS) continue;   // made by someone else meanwhile
            return FailedWith(Happened::Failed, error, candidate);
        }
        // Hidden: a player looking into the folder meanwhile sees the game, not the setup's work.
        SetFileAttributesW(candidate.c_str(), FILE_ATTRIBUTE_HIDDEN);   // only how it shows
        const Outcome marked = WriteMarker(candidate, note.token);
        if (!marked.Done()) {
            RemoveDirectoryW(candidate.c_str());   // empty: nothing of it is anyone's
            return marked;
        }
        made = candidate;
        return Succeeded();
    }
    return FailedWith(Happened::Failed, error == ERROR_SUCCESS ? ERROR_ALREADY_EXISTS : error, parent + L"\\" + base);
}

bool IsOwnFolder(const std::wstring& folder, const std::wstring& token)
{
    if (token.empty()) return false;
    // Held without leave to delete or rename while the marker is read: the marker read is this folder's.
    HANDLE handle = CreateFileW(folder.c_str(), FILE_READ_ATTRIBUTES | FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    const bool own = IsPlainFolderAt(handle, folder) && MarkerHolds(folder, token);
    CloseHandle(handle);
    return own;
}
