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
    if (!outer.empty() && outer.back() == L'\\')   // a root
        return inner.size() > outer.size() && SameFolderText(inner.substr(0, outer.size()), outer);
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
    // Administrative and hidden shares (C$, ADMIN$) are other names for local system folders.
    if (StartsWith(rebuilt, L"\\\\") && rebuilt.size() > 2 && rebuilt[rebuilt.size() - 2] == L'$') return false;
    const std::vector<std::wstring> parts = SplitParts(full, root);
    if (parts.empty()) return false;   // nothing below the root
    for (std::size_t i = 0; i < parts.size(); ++i) {
        // Windows drops trailing dots and spaces from the last part only; a folder further up
        // whose name ends in one is a different folder than the trimmed name, and no game's.
        const std::wstring trimmed = TrimTrailingDotsAndSpaces(parts[i]);
        if (trimmed.empty() || (i + 1 < parts.size() && trimmed != parts[i])) return false;
        rebuilt += (i == 0 ? L"" : L"\\") + trimmed;
    }
    canonical = LongForm(rebuilt, RootLength(rebuilt));
    return true;
}

// The folder as the file system itself names it: the deepest part of the path that exists,
// opened and read back by handle, with the rest kept as written. That sees through drive
// aliases, mapped and administrative shares, junctions and symbolic links. False when no part
// of it exists, not even its root.
bool FinalForm(const std::wstring& canonical, std::wstring& final)
{
    const std::size_t root = RootLength(canonical);
    std::wstring head = canonical, tail;
    for (;;) {
        std::wstring opened = VerbatimForm(head);
        if (head.size() <= root && opened.back() != L'\\') opened += L'\\';
        HANDLE handle = CreateFileW(opened.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            wchar_t name[MAX_PATH * 4];
            const DWORD length = GetFinalPathNameByHandleW(handle, name, MAX_PATH * 4, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
            CloseHandle(handle);
            if (length == 0 || length >= MAX_PATH * 4) return false;
            std::wstring read(name, length);
            if (StartsWith(read, L"\\\\?\\UNC\\")) read = L"\\" + read.substr(7);
            else if (StartsWith(read, L"\\\\?\\")) read = read.substr(4);
            if (RootLength(read) == 0) return false;
            if (read.size() > RootLength(read) && read.back() == L'\\') read.pop_back();
            if (read.back() == L'\\' && !tail.empty()) tail.erase(0, 1);
            final = read + tail;
            return true;
        }
        const DWORD error = GetLastError();
        if ((error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) || head.size() <= root) return false;
        const std::size_t cut = head.rfind(L'\\');
        if (cut == std::wstring::npos || cut + 1 < root) return false;
        tail = head.substr(cut) + tail;
        head.resize(cut < root ? root : cut);
    }
}

// ---- The protected set ------------------------------------------------------------------

void AddCanonical(Folders& set, const std::wstring& spelling)
{
    if (spelling.empty()) return;
    wchar_t expanded[MAX_PATH * 2];
    const DWORD length = ExpandEnvironmentStringsW(spelling.c_str(), expanded, MAX_PATH * 2);
    std::wstring canonical, final;
    if (length == 0 || length > MAX_PATH * 2 || !Canonical(expanded, canonical)) return;
    // Both names: the spelling, and the folder it stands for where that exists.
    set.push_back(canonical);
    if (FinalForm(canonical, final)) set.push_back(final);
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

Folders Profiles();

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
    for (const std::wstring& profile : Profiles()) set.push_back(profile);
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

// The folder, every folder above it and its root: a drive or share may itself be another name
// for a folder of the system.
Folders SelfAndAncestors(const std::wstring& folder)
{
    Folders chain;
    const std::size_t root = RootLength(folder);
    std::wstring current = folder;
    while (current.size() > root) {
        chain.push_back(current);
        const std::size_t cut = current.rfind(L'\\');
        if (cut == std::wstring::npos || cut + 1 < root) break;
        current.resize(cut);
    }
    if (root > 0) chain.push_back(folder.substr(0, root));
    return chain;
}

// Every profile folder the machine lists, the current user's among them.
Folders Profiles()
{
    Folders profiles;
    HKEY list;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, ProfileListKey, 0, KEY_READ, &list) != ERROR_SUCCESS) return profiles;
    wchar_t sid[256];
    for (DWORD index = 0;; ++index) {
        DWORD length = 256;
        const LONG result = RegEnumKeyExW(list, index, sid, &length, nullptr, nullptr, nullptr, nullptr);
        if (result == ERROR_NO_MORE_ITEMS) break;
        if (result != ERROR_SUCCESS) continue;
        const std::wstring key = std::wstring(ProfileListKey) + L"\\" + sid;
        AddRegistryFolder(profiles, HKEY_LOCAL_MACHINE, key.c_str(), L"ProfileImagePath", 0);
    }
    RegCloseKey(list);
    return profiles;
}

Folders OwnProfile()
{
    Folders own;
    wchar_t path[MAX_PATH];
    if (SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_PROFILE, nullptr, SHGFP_TYPE_CURRENT, path))) AddCanonical(own, path);
    AddEnvironmentFolder(own, L"USERPROFILE");
    return own;
}

bool Among(const std::wstring& folder, const Folders& set)
{
    for (const std::wstring& other : set)
        if (SameFolderText(folder, other)) return true;
    return false;
}

// A link or alias of its own: the file system names the folder otherwise than its parent and
// its own name in that parent say.
bool IsLinkItself(const std::wstring& canonical)
{
    const std::size_t root = RootLength(canonical);
    const std::size_t cut = canonical.rfind(L'\\');
    if (cut == std::wstring::npos || cut + 1 < root || canonical.size() <= root) return false;
    WIN32_FIND_DATAW entry;
    HANDLE found = FindFirstFileW(VerbatimForm(canonical).c_str(), &entry);
    if (found == INVALID_HANDLE_VALUE) return false;   // nothing there yet
    FindClose(found);
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) return true;
    std::wstring parent = canonical.substr(0, cut < root ? root : cut), parentFinal, selfFinal;
    if (!FinalForm(parent + L"\\" + entry.cFileName, selfFinal) || !FinalForm(parent, parentFinal)) return true;
    if (parentFinal.back() != L'\\') parentFinal += L'\\';
    return !SameFolderText(selfFinal, parentFinal + entry.cFileName);
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
    std::wstring canonical;
    // A folder that is itself a link is not the game's to install into or to take away.
    return Canonical(path, canonical) && !IsLinkItself(canonical) && FinalForm(canonical, resolved);
}

bool IsLinkFolder(const std::wstring& requested)
{
    std::wstring canonical;
    return Canonical(requested, canonical) && IsLinkItself(canonical);
}

void ProtectFolder(const char* folder) { ProgramFolder = WideFromAnsi(folder); }

bool IsRemovableResolved(const std::wstring& folder)
{
    const Folders kept = ProtectedFolders();
    wchar_t windows[MAX_PATH];
    Folders windowsDir;
    if (GetWindowsDirectoryW(windows, MAX_PATH)) AddCanonical(windowsDir, windows);

    // By text: the folder is a protected one, lies above one, or lies inside the Windows directory.
    for (const std::wstring& other : kept)
        if (SameFolderText(folder, other) || IsBelow(other, folder)) return false;
    for (const std::wstring& other : windowsDir)
        if (IsBelow(folder, other)) return false;
    // The current user's profile may hold a game's folder; another user's never.
    const Folders own = OwnProfile();
    for (const std::wstring& profile : Profiles())
        if (!Among(profile, own) && (SameFolderText(folder, profile) || IsBelow(folder, profile))) return false;

    // By identity, for what exists: the same rules, whatever the spelling or link that leads there.
    const Identity self = IdentityOf(folder);
    if (!self.known) return true;
    for (const std::wstring& other : kept)
        for (const std::wstring& above : SelfAndAncestors(other))
            if (IdentityOf(above) == self) return false;
    for (const std::wstring& other : windowsDir) {
        const Identity windowsIdentity = IdentityOf(other);
        for (const std::wstring& above : SelfAndAncestors(folder))
            if (IdentityOf(above) == windowsIdentity) return false;
    }
    return true;
}
