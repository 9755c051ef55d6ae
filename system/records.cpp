#include "system/records.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "base/names.h"
#include "system/bounded_text.h"
#include "system/folder_guard.h"

namespace {

// The three records: where each lives, split into the parent that deletion opens and the
// child it deletes.
struct RecordKey {
    HKEY root;
    const char* parent;
    const char* child;
    const char* path;
};
const RecordKey InstallRecord = {HKEY_CURRENT_USER, MakerKey, EntryName, InstallRecordKey};
const RecordKey LobbyRegistration = {HKEY_LOCAL_MACHINE, LobbyApplicationsKey, LobbyName, LobbyRegistrationKey};
const RecordKey UninstallEntry = {HKEY_LOCAL_MACHINE, UninstallEntriesKey, EntryName, UninstallEntryKey};

constexpr char LobbyGuid[] = "{7A3C91E2-4B0D-11d0-8E21-00A0C9F31B6d}";

bool CreateKey(HKEY root, const char* path, HKEY& key)
{
    return RegCreateKeyExA(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, nullptr) ==
           ERROR_SUCCESS;
}

// A text value, stored with its NUL counted.
void WriteText(HKEY key, const char* name, const char* text)
{
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                   static_cast<DWORD>(std::strlen(text) + 1));
}

void WriteInstallRecord(const char* installPath, const char* uninstallerPath, const char* setupDir,
                        const char* language, const char* version)
{
    HKEY key;
    if (!CreateKey(InstallRecord.root, InstallRecord.path, key)) return;
    char executable[PathSize];
    const bool executableFits = JoinText(executable, installPath, GameExecutableSuffix);
    WriteText(key, "InstallDir", installPath);
    if (executableFits) WriteText(key, "Executable", executable);   // never a cut path
    WriteText(key, "Version", version);
    WriteText(key, "Language", language);
    const DWORD options = InstallOptions;
    RegSetValueExA(key, "Options", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&options), sizeof options);
    WriteText(key, "Installer", uninstallerPath);
    WriteText(key, "CD-ROM", setupDir);
    RegCloseKey(key);
}

void WriteLobbyRegistration(const char* installPath)
{
    HKEY key;
    if (!CreateKey(LobbyRegistration.root, LobbyRegistration.path, key)) return;
    WriteText(key, "CommandLine", "");
    WriteText(key, "CurrentDirectory", installPath);
    WriteText(key, "Path", installPath);
    WriteText(key, "File", GameExecutable);
    WriteText(key, "Guid", LobbyGuid);
    RegCloseKey(key);
}

// The facts the uninstall entry's further values come from.
struct EntryFacts {
    const char* installPath;
    const char* uninstallerPath;
    const char* setupDir;
    const char* version;
    const EntryDetails& details;
};

std::string Resolved(const char* folder)
{
    std::wstring resolved;
    char text[PathSize * 2];
    if (!ResolveFolder(WideFromAnsi(folder), resolved) ||
        WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, resolved.c_str(), -1, text, sizeof text, nullptr, nullptr) <= 0)
        return folder;
    return text;
}

std::string Today()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    char date[9];
    wsprintfA(date, "%04u%02u%02u", now.wYear, now.wMonth, now.wDay);
    return date;
}

// A version "major.minor": each part as a number, 0 where it is missing.
DWORD VersionPart(const char* version, int part)
{
    const char* text = version;
    if (part == 1) {
        text = std::strchr(version, '.');
        if (!text) return 0;
        ++text;
    }
    return static_cast<DWORD>(std::strtoul(text, nullptr, 10));
}

// Whole KiB, rounded up; a size past what the value can hold says the most it can.
DWORD KiB(std::uint64_t bytes)
{
    const std::uint64_t kib = (bytes + 1023) / 1024;
    return kib > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<DWORD>(kib);
}

std::string Site(const char* host) { return std::string("http://") + host; }

// The values Windows' Apps list and package managers read beside the name: each one written
// here, from one fact.
struct EntryText {
    const char* name;
    std::string (*text)(const EntryFacts&);
};
const EntryText EntryTexts[] = {
    // The uninstaller copy is this program, which carries the setup's icon.
    {"DisplayIcon", [](const EntryFacts& f) { return std::string(f.uninstallerPath) + ",0"; }},
    {"DisplayVersion", [](const EntryFacts& f) { return std::string(f.version); }},
    {"Publisher", [](const EntryFacts&) { return std::string(MakerName); }},
    {"InstallLocation", [](const EntryFacts& f) { return Resolved(f.installPath); }},
    {"InstallSource", [](const EntryFacts& f) { return std::string(f.setupDir); }},
    {"InstallDate", [](const EntryFacts&) { return Today(); }},
    {"URLInfoAbout", [](const EntryFacts& f) { return Site(f.details.gameSite); }},
    {"HelpLink", [](const EntryFacts& f) { return Site(f.details.publisherSite); }},
};
struct EntryNumber {
    const char* name;
    DWORD (*number)(const EntryFacts&);
};
const EntryNumber EntryNumbers[] = {
    {"EstimatedSize", [](const EntryFacts& f) { return KiB(f.details.installedBytes); }},
    // The setup has nothing to modify and repairs by reinstalling: Windows offers neither.
    {"NoModify", [](const EntryFacts&) { return DWORD{1}; }},
    {"NoRepair", [](const EntryFacts&) { return DWORD{1}; }},
    {"VersionMajor", [](const EntryFacts& f) { return VersionPart(f.version, 0); }},
    {"VersionMinor", [](const EntryFacts& f) { return VersionPart(f.version, 1); }},
};

void WriteUninstallEntry(const EntryFacts& facts)
{
    HKEY key;
    if (!CreateKey(UninstallEntry.root, UninstallEntry.path, key)) return;
    WriteText(key, "DisplayName", EntryName);
    WriteText(key, "UninstallString", facts.uninstallerPath);
    // The standard value for removing the program without questions.
    std::string quiet = std::string("\"") + facts.uninstallerPath + "\" /silent";
    WriteText(key, "QuietUninstallString", quiet.c_str());
    for (const EntryText& value : EntryTexts) WriteText(key, value.name, value.text(facts).c_str());
    for (const EntryNumber& value : EntryNumbers) {
        const DWORD number = value.number(facts);
        RegSetValueExA(key, value.name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
    }
    RegCloseKey(key);
}

void DeleteRecord(const RecordKey& record)
{
    HKEY parent;
    if (!CreateKey(record.root, record.parent, parent)) return;
    RegDeleteKeyA(parent, record.child);   // a key that is not there stays not there
    RegCloseKey(parent);
}

}  // namespace

bool ReadRegistryTextW(HKEY root, const char* key, const char* value, std::wstring& out)
{
    HKEY handle;
    if (RegOpenKeyExA(root, key, 0, KEY_QUERY_VALUE, &handle) != ERROR_SUCCESS) return false;
    const std::wstring name = WideFromAnsi(value);
    wchar_t data[PathSize] = {};
    DWORD size = (PathSize - 1) * sizeof(wchar_t);   // leaves room for a NUL the stored data may lack
    DWORD type = 0;
    const LONG result = RegQueryValueExW(handle, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(handle);
    if (result != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return false;
    data[size / sizeof(wchar_t)] = L'\0';
    out = data;
    return true;
}

bool ReadRegistryText(HKEY root, const char* key, const char* value, char (&out)[PathSize])
{
    std::wstring wide;
    if (!ReadRegistryTextW(root, key, value, wide)) return false;
    // No best-fit look-alikes: a character the ANSI code page lacks becomes "?", which no folder
    // name may hold, so such a path is refused where it is used instead of naming another folder.
    char data[PathSize * 2];
    const int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.c_str(), -1, data, sizeof data, "?", nullptr);
    return length > 0 && CopyText(out, data);
}

bool ReadInstallDir(char (&folder)[PathSize])
{
    return ReadRegistryText(HKEY_CURRENT_USER, InstallRecordKey, "InstallDir", folder);
}

bool ReadInstallDirW(std::wstring& folder)
{
    return ReadRegistryTextW(HKEY_CURRENT_USER, InstallRecordKey, "InstallDir", folder);
}

void WriteInstallRecords(const char* installPath, const char* uninstallerPath, const char* setupDir,
                         const char* language, const char* version, const EntryDetails& details)
{
    WriteInstallRecord(installPath, uninstallerPath, setupDir, language, version);
    WriteLobbyRegistration(installPath);
    WriteUninstallEntry({installPath, uninstallerPath, setupDir, version, details});
}

int DeleteInstallRecords()
{
    DeleteRecord(InstallRecord);
    DeleteRecord(LobbyRegistration);
    DeleteRecord(UninstallEntry);
    return 1;
}
