#include "system/records.h"

#include <cstring>
#include <initializer_list>
#include <string>

#include "base/names.h"
#include "base/texts.h"
#include "base/version.h"
#include "system/bounded_text.h"
#include "system/folder_path.h"

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

// A record's key as the log names it: its root's short name and its path.
std::wstring KeyName(const RecordKey& record, const char* value = nullptr)
{
    std::string name = std::string(record.root == HKEY_CURRENT_USER ? "HKCU\\" : "HKLM\\") + record.path;
    if (value) name = name + "\\" + value;
    return std::wstring(name.begin(), name.end());
}

// A key being written, and the first failure among its values: each value that can be written
// is, whatever happened to the one before.
struct OpenRecord {
    const RecordKey& record;
    HKEY key = nullptr;
    DWORD first = ERROR_SUCCESS;
    std::wstring where;

    explicit OpenRecord(const RecordKey& written) : record(written)
    {
        first = static_cast<DWORD>(RegCreateKeyExA(record.root, record.path, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                                   KEY_ALL_ACCESS, nullptr, &key, nullptr));
        if (first != ERROR_SUCCESS) {
            key = nullptr;
            where = KeyName(record);
        }
    }
    ~OpenRecord()
    {
        if (key) RegCloseKey(key);
    }
    OpenRecord(const OpenRecord&) = delete;
    OpenRecord& operator=(const OpenRecord&) = delete;

    void Note(LONG error, const char* value)
    {
        if (first != ERROR_SUCCESS || error == ERROR_SUCCESS) return;
        first = static_cast<DWORD>(error);
        where = KeyName(record, value);
    }
    // A text value, stored with its NUL counted.
    void Text(const char* name, const char* text)
    {
        if (key)
            Note(RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                                static_cast<DWORD>(std::strlen(text) + 1)),
                 name);
    }
    // A text in UTF-16: a folder's name as the file system names it, a language's name in its own
    // letters. For what the ANSI code page can spell, the same bytes as Text stores.
    void Folder(const char* name, const std::wstring& folder)
    {
        if (key)
            Note(RegSetValueExW(key, WideFromAnsi(name).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                                static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t))),
                 name);
    }
    void Number(const char* name, DWORD number)
    {
        if (key) Note(RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number), name);
    }
    Outcome Result() const { return first == ERROR_SUCCESS ? Succeeded() : FailedWith(Happened::Failed, first, where); }
};

Outcome WriteInstallRecord(const std::wstring& installPath, const char* uninstallerPath, const char* setupDir,
                           const char* language, const char* version)
{
    OpenRecord record(InstallRecord);
    record.Folder("InstallDir", installPath);
    const std::wstring executable = installPath + WideFromAnsi(GameExecutableSuffix);
    // Read back into buffers of a path's size: never a cut path.
    if (executable.size() < PathSize) record.Folder("Executable", executable);
    else record.Note(ERROR_FILENAME_EXCED_RANGE, "Executable");
    record.Text("Version", version);
    record.Folder("Language", WideFromUtf8(language));   // its name in its own form: "Deutsch", "Русский"
    record.Number("Options", InstallOptions);
    record.Text("Installer", uninstallerPath);
    record.Text("CD-ROM", setupDir);
    return record.Result();
}

Outcome WriteLobbyRegistration(const std::wstring& installPath)
{
    OpenRecord record(LobbyRegistration);
    record.Text("CommandLine", "");
    record.Folder("CurrentDirectory", installPath);
    record.Folder("Path", installPath);
    record.Text("File", GameExecutable);
    record.Text("Guid", LobbyGuid);
    return record.Result();
}

std::string Today()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    char date[9];
    wsprintfA(date, "%04u%02u%02u", now.wYear, now.wMonth, now.wDay);
    return date;
}

// Whole KiB, rounded up; a size past what the value can hold says the most it can.
DWORD KiB(std::uint64_t bytes)
{
    const std::uint64_t kib = (bytes + 1023) / 1024;
    return kib > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<DWORD>(kib);
}

std::string Site(const char* host) { return std::string("http://") + host; }

// Beside its name and uninstaller, what Windows' Apps list and package managers read.
Outcome WriteUninstallEntry(const std::wstring& installPath, const char* uninstallerPath, const char* setupDir,
                            const char* version, const EntryDetails& details)
{
    OpenRecord record(UninstallEntry);
    record.Text("DisplayName", EntryName);
    record.Text("UninstallString", uninstallerPath);
    // The standard value for removing the program without questions.
    record.Text("QuietUninstallString", (std::string("\"") + uninstallerPath + "\" /silent").c_str());
    // The uninstaller copy is this program, which carries the setup's icon.
    record.Text("DisplayIcon", (std::string(uninstallerPath) + ",0").c_str());
    record.Text("DisplayVersion", version);
    record.Text("Publisher", MakerName);
    record.Folder("InstallLocation", installPath);
    record.Text("InstallSource", setupDir);
    record.Text("InstallDate", Today().c_str());
    record.Text("URLInfoAbout", Site(details.gameSite).c_str());
    record.Text("HelpLink", Site(details.publisherSite).c_str());
    record.Number("EstimatedSize", KiB(details.installedBytes));
    // The setup has nothing to modify and repairs by reinstalling: Windows offers neither.
    record.Number("NoModify", 1);
    record.Number("NoRepair", 1);
    record.Number("VersionMajor", MARVOLEN_VERSION_MAJOR);
    record.Number("VersionMinor", MARVOLEN_VERSION_MINOR);
    return record.Result();
}

// The record's key with everything below it (the game may keep keys of its own there). Its
// parent is only opened: deleting never makes a key, and a parent or record that is not there
// leaves nothing to delete.
Outcome DeleteRecord(const RecordKey& record)
{
    HKEY parent;
    LONG result = RegOpenKeyExA(record.root, record.parent, 0, KEY_READ, &parent);
    if (result == ERROR_SUCCESS) {
        result = RegDeleteTreeA(parent, record.child);
        RegCloseKey(parent);
    }
    if (result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND) return Succeeded();
    return FailedWith(Happened::Failed, static_cast<DWORD>(result), KeyName(record));
}

Outcome FirstOf(std::initializer_list<Outcome> results)
{
    for (const Outcome& result : results)
        if (!result.Done()) return result;
    return Succeeded();
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

bool ReadInstalledLanguage(std::wstring& language)
{
    return ReadRegistryTextW(HKEY_CURRENT_USER, InstallRecordKey, "Language", language);
}

bool ReadInstallDirW(std::wstring& folder)
{
    return ReadRegistryTextW(HKEY_CURRENT_USER, InstallRecordKey, "InstallDir", folder);
}

bool NewerVersionInstalled(std::wstring& recorded)
{
    recorded.clear();
    if (!ReadRegistryTextW(HKEY_CURRENT_USER, InstallRecordKey, "Version", recorded)) return false;
    // Two runs of at most five digits around one dot, and nothing else.
    unsigned long number[2] = {0, 0};
    std::size_t part = 0, digits = 0;
    for (const wchar_t c : recorded) {
        if (c == L'.' && part == 0 && digits > 0) {
            part = 1;
            digits = 0;
        } else if (c >= L'0' && c <= L'9' && digits < 5) {
            number[part] = number[part] * 10 + static_cast<unsigned long>(c - L'0');
            ++digits;
        } else {
            return false;
        }
    }
    if (part != 1 || digits == 0) return false;
    return number[0] > MARVOLEN_VERSION_MAJOR || (number[0] == MARVOLEN_VERSION_MAJOR && number[1] > MARVOLEN_VERSION_MINOR);
}

Outcome WriteInstallRecords(const std::wstring& installPath, const char* uninstallerPath, const char* setupDir,
                          const char* language, const char* version, const EntryDetails& details)
{
    // Each record whatever became of the one before: above all the uninstall entry, without which
    // a partial installation could not be taken off again.
    const Outcome install = WriteInstallRecord(installPath, uninstallerPath, setupDir, language, version);
    const Outcome lobby = WriteLobbyRegistration(installPath);
    const Outcome entry = WriteUninstallEntry(installPath, uninstallerPath, setupDir, version, details);
    return FirstOf({install, lobby, entry});
}

Outcome DeleteInstallRecords()
{
    const Outcome install = DeleteRecord(InstallRecord);
    const Outcome lobby = DeleteRecord(LobbyRegistration);
    const Outcome entry = DeleteRecord(UninstallEntry);
    return FirstOf({install, lobby, entry});
}
