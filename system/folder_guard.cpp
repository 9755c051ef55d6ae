#include "system/folder_guard.h"

#include <windows.h>
#include <shlobj.h>

#include <vector>

namespace {

using Folders = std::vector<std::wstring>;

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool StartsWith(const std::wstring& text, const wchar_t* prefix)
{
    return text.compare(0, wcslen(prefix), prefix) == 0;
}

std::wstring Upper(std::wstring text)
{
    if (!text.empty()) CharUpperBuffW(&text[0], static_cast<DWORD>(text.size()));
    return text;
}

// Windows compares folder names without regard to letter case.
bool SameFolderText(const std::wstring& a, const std::wstring& b) { return Upper(a) == Upper(b); }

// True when `inner` lies strictly below `outer`.
bool IsBelow(const std::wstring& inner, const std::wstring& outer)
{
    return inner.size() > outer.size() + 1 && inner[outer.size()] == L'\\' &&
           SameFolderText(inner.substr(0, outer.size()), outer);
}

std::wstring TrimTrailingDotsAndSpaces(std::wstring part)
{
    while (!part.empty() && (part.back() == L'.' || part.back() == L' ')) part.pop_back();
    return part;
}

// CON, PRN, AUX, NUL, COM1-9, LPT1-9 (also with superscript digits) and the console names are
// devices in every folder and with any extension.
bool IsDeviceName(const std::wstring& part)
{
    std::wstring base = Upper(part.substr(0, part.find(L'.')));
    while (!base.empty() && base.back() == L' ') base.pop_back();
    for (const wchar_t* device : {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$", L"CLOCK$"})
        if (base == device) return true;
    if (base.size() != 4 || (base.compare(0, 3, L"COM") != 0 && base.compare(0, 3, L"LPT") != 0)) return false;
    const wchar_t digit = base[3];
    return (digit >= L'1' && digit <= L'9') || digit == 0x00B9 || digit == 0x00B2 || digit == 0x00B3;
}

bool IsForbiddenCharacter(wchar_t c) { return c < 32 || wcschr(L"<>\"|?*:", c) != nullptr; }

// The parts after the root, split at backslashes; empty parts (doubled separators) dropped.
std::vector<std::wstring> SplitParts(const std::wstring& path, std::size_t from)
{
    std::vector<std::wstring> parts;
    std::size_t start = from;
    while (start <= path.size()) {
        std::size_t end = path.find(L'\\', start);
        if (end == std::wstring::npos) end = path.size();
        if (end > start) parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

// Where the parts below the root begin: after "C:\" or after "\\server\share\"; 0 for a path of
// neither form.
std::size_t RootLength(const std::wstring& path)
{
    if (path.size() >= 3 && iswalpha(path[0]) && path[1] == L':' && path[2] == L'\\') return 3;
    if (path.size() < 5 || path[0] != L'\\' || path[1] != L'\\' || path[2] == L'\\') return 0;
    const std::size_t share = path.find(L'\\', 2);
    if (share == std::wstring::npos || share + 1 >= path.size() || path[share + 1] == L'\\') return 0;
    const std::size_t below = path.find(L'\\', share + 1);
    return below == std::wstring::npos ? path.size() : below + 1;
}

// The long form of a folder, for as much of it as exists; the part that does not exist yet is
// kept as written.
std::wstring LongForm(const std::wstring& path, std::size_t rootLength)
{
    std::wstring head = path, tail;
    while (head.size() > rootLength) {
        const DWORD needed = GetLongPathNameW(head.c_str(), nullptr, 0);
        if (needed > 0) {
            std::wstring longHead(needed, L'\0');
            const DWORD length = GetLongPathNameW(head.c_str(), &longHead[0], needed);
            if (length > 0 && length < needed) {
                longHead.resize(length);
                return longHead + tail;
            }
        }
        const std::size_t cut = head.rfind(L'\\');
        if (cut == std::wstring::npos || cut < rootLength - 1) break;
        tail = head.substr(cut) + tail;
        head.resize(cut);
    }
    return path;
}

// Full path, single separators, no trailing dots or spaces in any part, long form. Used both for
// the folder asked for and for the protected ones.
bool Canonical(const std::wstring& spelling, std::wstring& canonical)
{
    std::wstring path = spelling;
    for (wchar_t& c : path)
        if (c == L'/') c = L'\\';
    const DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0) return false;
    std::wstring full(needed, L'\0');
    const DWORD length = GetFullPathNameW(path.c_str(), needed, &full[0], nullptr);
    if (length == 0 || length >= needed) return false;
    full.resize(length);
    if (StartsWith(full, L"\\\\?\\") || StartsWith(full, L"\\\\.\\")) return false;   // a device after all
    const std::size_t root = RootLength(full);
    if (root == 0) return false;

    std::wstring rebuilt = full.substr(0, root);
    if (rebuilt.back() != L'\\') rebuilt += L'\\';   // a share root written without its backslash
    bool first = true;
    for (const std::wstring& part : SplitParts(full, root)) {
        const std::wstring trimmed = TrimTrailingDotsAndSpaces(part);
        if (trimmed.empty()) return false;
        rebuilt += (first ? L"" : L"\\") + trimmed;
        first = false;
    }
    if (first) return false;   // nothing below the root
    canonical = LongForm(rebuilt, RootLength(rebuilt));
    return true;
}

// ---- The protected set ------------------------------------------------------------------

void AddCanonical(Folders& set, const std::wstring& spelling)
{
    if (spelling.empty()) return;
    wchar_t expanded[MAX_PATH * 2];
    const DWORD length = ExpandEnvironmentStringsW(spelling.c_str(), expanded, MAX_PATH * 2);
    std::wstring canonical;
    if (length > 0 && length <= MAX_PATH * 2 && Canonical(expanded, canonical)) set.push_back(canonical);
}

void AddRegistryFolder(Folders& set, HKEY root, const wchar_t* key, const wchar_t* value, REGSAM view)
{
    HKEY handle;
    if (RegOpenKeyExW(root, key, 0, KEY_QUERY_VALUE | view, &handle) != ERROR_SUCCESS) return;
    wchar_t data[MAX_PATH * 2] = {};
    DWORD size = sizeof data - sizeof(wchar_t);
    DWORD type = 0;
    if (RegQueryValueExW(handle, value, nullptr, &type, reinterpret_cast<BYTE*>(data), &size) == ERROR_SUCCESS &&
        (type == REG_SZ || type == REG_EXPAND_SZ))
        AddCanonical(set, data);
    RegCloseKey(handle);
}

// Every value of a key of folders (the shell's folder lists).
void AddRegistryFolders(Folders& set, HKEY root, const wchar_t* key)
{
    HKEY handle;
    if (RegOpenKeyExW(root, key, 0, KEY_QUERY_VALUE, &handle) != ERROR_SUCCESS) return;
    for (DWORD index = 0;; ++index) {
        wchar_t name[256];
        wchar_t data[MAX_PATH * 2] = {};
        DWORD nameLength = 256, size = sizeof data - sizeof(wchar_t), type = 0;
        const LONG result = RegEnumValueW(handle, index, name, &nameLength, nullptr, &type,
                                          reinterpret_cast<BYTE*>(data), &size);
        if (result == ERROR_NO_MORE_ITEMS) break;
        if (result == ERROR_SUCCESS && (type == REG_SZ || type == REG_EXPAND_SZ)) AddCanonical(set, data);
    }
    RegCloseKey(handle);
}

void AddEnvironmentFolder(Folders& set, const wchar_t* name)
{
    wchar_t value[MAX_PATH * 2];
    const DWORD length = GetEnvironmentVariableW(name, value, MAX_PATH * 2);
    if (length > 0 && length < MAX_PATH * 2) AddCanonical(set, value);
}

constexpr wchar_t CurrentVersionKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
constexpr wchar_t ProfileListKey[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";

std::wstring ProgramFolder;   // see ProtectFolder

// The folders of the user and of the system that no game folder may be or contain.
Folders ProtectedFolders()
{
    Folders set;
    wchar_t path[MAX_PATH];
    if (GetWindowsDirectoryW(path, MAX_PATH)) AddCanonical(set, path);
    if (GetSystemDirectoryW(path, MAX_PATH)) AddCanonical(set, path);
    if (GetSystemWow64DirectoryW(path, MAX_PATH)) AddCanonical(set, path);

    // A 32-bit program on 64-bit Windows reads the 32-bit view ("Program Files (x86)"); the
    // 64-bit programs' folders must be known too, so both views are read.
    for (const REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
        for (const wchar_t* value : {L"ProgramFilesDir", L"ProgramFilesDir (x86)", L"ProgramW6432Dir",
                                     L"CommonFilesDir", L"CommonFilesDir (x86)", L"CommonW6432Dir"})
            AddRegistryFolder(set, HKEY_LOCAL_MACHINE, CurrentVersionKey, value, view);
        for (const wchar_t* value : {L"ProfilesDirectory", L"Public", L"Default", L"ProgramData", L"AllUsersProfile"})
            AddRegistryFolder(set, HKEY_LOCAL_MACHINE, ProfileListKey, value, view);
    }
    for (const wchar_t* name : {L"ProgramFiles", L"ProgramFiles(x86)", L"ProgramW6432", L"CommonProgramFiles",
                                L"CommonProgramFiles(x86)", L"CommonProgramW6432", L"ProgramData", L"ALLUSERSPROFILE",
                                L"PUBLIC", L"USERPROFILE", L"SystemRoot", L"windir", L"APPDATA", L"LOCALAPPDATA"})
        AddEnvironmentFolder(set, name);

    constexpr int ShellFolders[] = {
        CSIDL_DESKTOPDIRECTORY, CSIDL_PERSONAL, CSIDL_STARTMENU, CSIDL_PROGRAMS, CSIDL_STARTUP, CSIDL_APPDATA,
        CSIDL_LOCAL_APPDATA, CSIDL_FONTS, CSIDL_TEMPLATES, CSIDL_PROFILE, CSIDL_FAVORITES, CSIDL_MYMUSIC,
        CSIDL_MYPICTURES, CSIDL_MYVIDEO, CSIDL_SENDTO, CSIDL_RECENT, CSIDL_NETHOOD, CSIDL_PRINTHOOD,
        CSIDL_INTERNET_CACHE, CSIDL_COOKIES, CSIDL_HISTORY, CSIDL_ADMINTOOLS, CSIDL_CDBURN_AREA,
        CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_COMMON_DOCUMENTS, CSIDL_COMMON_STARTMENU, CSIDL_COMMON_PROGRAMS,
        CSIDL_COMMON_STARTUP, CSIDL_COMMON_APPDATA, CSIDL_COMMON_TEMPLATES, CSIDL_COMMON_FAVORITES,
        CSIDL_COMMON_MUSIC, CSIDL_COMMON_PICTURES, CSIDL_COMMON_VIDEO, CSIDL_COMMON_ADMINTOOLS,
        CSIDL_PROGRAM_FILES, CSIDL_PROGRAM_FILESX86, CSIDL_PROGRAM_FILES_COMMON, CSIDL_PROGRAM_FILES_COMMONX86,
        CSIDL_WINDOWS, CSIDL_SYSTEM, CSIDL_SYSTEMX86, CSIDL_RESOURCES,
    };
    for (const int csidl : ShellFolders)
        if (SUCCEEDED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) AddCanonical(set, path);
    for (const HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        AddRegistryFolders(set, root, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders");
        AddRegistryFolders(set, root, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders");
    }
    AddCanonical(set, ProgramFolder);

    // Many sources name the same folders; each is checked once.
    Folders unique;
    for (const std::wstring& folder : set) {
        bool seen = false;
        for (const std::wstring& kept : unique) seen = seen || SameFolderText(kept, folder);
        if (!seen) unique.push_back(folder);
    }
    return unique;
}

// ---- Identities on disk --------------------------------------------------------------------

struct Identity {
    DWORD volume = 0, high = 0, low = 0;
    bool known = false;
    bool operator==(const Identity& other) const
    {
        return known && other.known && volume == other.volume && high == other.high && low == other.low;
    }
};

Identity IdentityOf(const std::wstring& folder)
{
    Identity identity;
    HANDLE handle = CreateFileW(VerbatimForm(folder).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return identity;
    BY_HANDLE_FILE_INFORMATION info;
    if (GetFileInformationByHandle(handle, &info)) {
        identity = {info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow, true};
    }
    CloseHandle(handle);
    return identity;
}

// The folder and every folder above it, below the root.
Folders SelfAndAncestors(const std::wstring& folder)
{
    Folders chain;
    const std::size_t root = RootLength(folder);
    std::wstring current = folder;
    while (current.size() > root) {
        chain.push_back(current);
        const std::size_t cut = current.rfind(L'\\');
        if (cut == std::wstring::npos || cut < root) break;
        current.resize(cut);
    }
    return chain;
}

}  // namespace

std::wstring WideFromAnsi(const char* text)
{
    const int needed = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text, -1, nullptr, 0);
    if (needed <= 0) return std::wstring();
    std::wstring wide(static_cast<std::size_t>(needed), L'\0');
    if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text, -1, &wide[0], needed) != needed) return std::wstring();
    wide.resize(static_cast<std::size_t>(needed) - 1);
    return wide;
}

std::wstring VerbatimForm(const std::wstring& resolved)
{
    if (StartsWith(resolved, L"\\\\")) return L"\\\\?\\UNC\\" + resolved.substr(2);
    return L"\\\\?\\" + resolved;
}

bool ResolveFolder(const std::wstring& requested, std::wstring& resolved)
{
    std::wstring path = requested;
    for (wchar_t& c : path)
        if (c == L'/') c = L'\\';
    // Namespace forms skip every rule Windows applies to ordinary paths: never taken at their word.
    if (StartsWith(path, L"\\\\?\\") || StartsWith(path, L"\\\\.\\") || StartsWith(path, L"\\??\\")) return false;
    const bool drive = path.size() >= 3 && iswalpha(path[0]) && path[1] == L':' && IsSeparator(path[2]);
    const bool share = path.size() >= 3 && path[0] == L'\\' && path[1] == L'\\';
    if (!drive && !share) return false;   // relative, drive-relative or rooted on the current drive
    for (std::size_t i = drive ? 2 : 0; i < path.size(); ++i)
        if (IsForbiddenCharacter(path[i])) return false;
    for (const std::wstring& part : SplitParts(path, drive ? 3 : 2)) {
        if (part == L"." || part == L".." || IsDeviceName(part)) return false;
        if (TrimTrailingDotsAndSpaces(part).empty()) return false;
    }
    return Canonical(path, resolved);
}

void ProtectFolder(const char* folder) { ProgramFolder = WideFromAnsi(folder); }

bool IsRemovableResolved(const std::wstring& folder)
{
    const Folders kept = ProtectedFolders();
    wchar_t windows[MAX_PATH];
    std::wstring windowsDir;
    if (GetWindowsDirectoryW(windows, MAX_PATH)) Canonical(windows, windowsDir);

    // By text: the folder is a protected one, lies above one, or lies inside the Windows directory.
    for (const std::wstring& other : kept)
        if (SameFolderText(folder, other) || IsBelow(other, folder)) return false;
    if (!windowsDir.empty() && IsBelow(folder, windowsDir)) return false;

    // By identity, for what exists: the same rules, whatever the spelling or link that leads there.
    const Identity self = IdentityOf(folder);
    if (!self.known) return true;
    for (const std::wstring& other : kept)
        for (const std::wstring& above : SelfAndAncestors(other))
            if (IdentityOf(above) == self) return false;
    if (!windowsDir.empty()) {
        const Identity windowsIdentity = IdentityOf(windowsDir);
        for (const std::wstring& above : SelfAndAncestors(folder))
            if (IdentityOf(above) == windowsIdentity) return false;
    }
    return true;
}
