#include "system/folder_guard.h"

#include <windows.h>
#include <shlobj.h>

#include <cwchar>
#include <vector>

#include "system/folder_path.h"
#include "system/records.h"

namespace {

using Folders = std::vector<std::wstring>;

// ---- The protected set ------------------------------------------------------------------

void AddCanonical(Folders& set, const std::wstring& spelling)
{
    if (spelling.empty()) return;
    wchar_t expanded[MAX_PATH * 2];
    const DWORD length = ExpandEnvironmentStringsW(spelling.c_str(), expanded, MAX_PATH * 2);
    std::wstring canonical, final;
    if (length == 0 || length > MAX_PATH * 2 || !CanonicalFolder(expanded, canonical)) return;
    // Both names: the spelling, and the folder it stands for where that exists.
    set.push_back(canonical);
    if (FinalFolder(canonical, final)) set.push_back(final);
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

// Every value of a key of folders: the shell's list of the user's folders, which names folders
// (Downloads, Saved Games, ...) that have no number of their own to ask the shell by.
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

constexpr wchar_t ProfileListKey[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";

std::wstring ProgramFolder;   // see ProtectFolder
std::wstring KeptFile;        // see KeepFile, verbatim

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
            AddRegistryFolder(set, HKEY_LOCAL_MACHINE, WideFromAnsi(CurrentVersionKey).c_str(), value, view);
        for (const wchar_t* value : {L"ProfilesDirectory", L"Public", L"Default", L"ProgramData", L"AllUsersProfile"})
            AddRegistryFolder(set, HKEY_LOCAL_MACHINE, ProfileListKey, value, view);
    }
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
    for (const HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) AddRegistryFolders(set, root, WideFromAnsi(UserShellFoldersKey).c_str());
    for (const std::wstring& profile : Profiles()) set.push_back(profile);
    AddCanonical(set, ProgramFolder);

    // Many sources name the same folders; each is checked once.
    Folders unique;
    for (const std::wstring& folder : set) {
        bool seen = false;
        for (const std::wstring& kept : unique) seen = seen || SameFolderName(kept, folder);
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
    return own;
}

bool Among(const std::wstring& folder, const Folders& set)
{
    for (const std::wstring& other : set)
        if (SameFolderName(folder, other)) return true;
    return false;
}

// What the guard compares a folder with, gathered once per run: reading the registry, the
// shell and the disk for some hundred folders takes longer than a frame.
struct ProtectedSet {
    Folders kept;                         // the system's and the user's folders, both names of each
    std::vector<Identity> keptIdentities;   // of each kept folder, the folders above it and its root
    Folders windowsDir;
    std::vector<Identity> windowsIdentities;
    Folders othersProfiles;               // every profile but the current user's
};

ProtectedSet* Cached;

const ProtectedSet& Protected()
{
    if (Cached) return *Cached;
    Cached = new ProtectedSet;
    ProtectedSet& set = *Cached;
    set.kept = ProtectedFolders();
    for (const std::wstring& other : set.kept)
        for (const std::wstring& above : SelfAndAncestors(other)) {
            const Identity identity = IdentityOf(above);
            if (identity.known) set.keptIdentities.push_back(identity);
        }
    wchar_t windows[MAX_PATH];
    if (GetWindowsDirectoryW(windows, MAX_PATH)) AddCanonical(set.windowsDir, windows);
    for (const std::wstring& other : set.windowsDir) set.windowsIdentities.push_back(IdentityOf(other));
    const Folders own = OwnProfile();
    for (const std::wstring& profile : Profiles())
        if (!Among(profile, own)) set.othersProfiles.push_back(profile);
    return set;
}

}  // namespace

void ProtectFolder(const char* folder)
{
    ProgramFolder = WideFromAnsi(folder);
    delete Cached;   // gathered again, with it, at the next question
    Cached = nullptr;
}

bool IsRemovableResolved(const std::wstring& folder)
{
    const ProtectedSet& set = Protected();
    // By text: the folder is a protected one, lies above one, or lies inside the Windows directory.
    for (const std::wstring& other : set.kept)
        if (SameFolderName(folder, other) || IsBelowFolder(other, folder)) return false;
    for (const std::wstring& other : set.windowsDir)
        if (IsBelowFolder(folder, other)) return false;
    // The current user's profile may hold a game's folder; another user's never.
    for (const std::wstring& profile : set.othersProfiles)
        if (SameFolderName(folder, profile) || IsBelowFolder(folder, profile)) return false;

    // By identity, for what exists: the same rules, whatever the spelling or link that leads there.
    const Identity self = IdentityOf(folder);
    for (const Identity& other : set.keptIdentities)
        if (other == self) return false;   // never equal while unknown
    // A folder not made yet lies where the folders above it do.
    for (const std::wstring& above : SelfAndAncestors(folder)) {
        const Identity identity = IdentityOf(above);
        for (const Identity& windows : set.windowsIdentities)
            if (identity == windows) return false;
    }
    return true;
}

void KeepFile(const std::wstring& file) { KeptFile = file.empty() ? file : VerbatimForm(file); }

bool IsKeptFile(const std::wstring& verbatimPath) { return !KeptFile.empty() && SameFolderName(verbatimPath, KeptFile); }

bool HoldsKeptFile(const std::wstring& verbatimFolder)
{
    return !KeptFile.empty() && KeptFile.size() > verbatimFolder.size() + 1 &&
           SameFolderName(KeptFile.substr(0, verbatimFolder.size() + 1), verbatimFolder + L"\\");
}

namespace {

Outcome OnlyOwnBelow(const std::wstring& folder, const std::wstring& relative, const NameKinds& own)
{
    for (const WIN32_FIND_DATAW& entry : FolderEntries(folder + relative)) {
        const std::wstring name = relative + L"\\" + entry.cFileName;
        if (IsKeptFile(folder + name)) continue;   // the log may be written there first
        const bool isFolder = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                              !(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
        const auto found = own.find(name);
        if (found == own.end() || found->second != isFolder || (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
            return FailedWith(Happened::OthersFiles, ERROR_ALREADY_EXISTS, folder + name);
        if (isFolder) {
            const Outcome below = OnlyOwnBelow(folder, name, own);
            if (!below.Done()) return below;
        }
    }
    return Succeeded();
}

}  // namespace

Outcome CheckOnlyOwnEntries(const std::wstring& folder, const NameKinds& own) { return OnlyOwnBelow(folder, L"", own); }
