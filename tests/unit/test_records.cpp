#include <doctest.h>

#include <windows.h>
#include <sddl.h>
#include <cstring>
#include <string>

#include "system/destination.h"
#include "system/folder_path.h"
#include "system/records.h"

#include <string>
#include "support.h"

namespace {

void SetInstallDir(const std::string& value, DWORD length)
{
    HKEY key;
    RegCreateKeyExA(HKEY_CURRENT_USER, InstallRecordKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    RegSetValueExA(key, "InstallDir", 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), length);
    RegCloseKey(key);
}

void DropRecord() { RegDeleteKeyA(HKEY_CURRENT_USER, InstallRecordKey); }

}  // namespace

TEST_SUITE("records") {

TEST_CASE("no record, or a record without InstallDir, means not installed")
{
    DropRecord();
    char folder[PathSize] = "untouched";
    CHECK_FALSE(ReadInstallDir(folder));
    CHECK(std::string(folder) == "untouched");

    HKEY key;
    RegCreateKeyExA(HKEY_CURRENT_USER, InstallRecordKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>("1.12"), 5);
    RegCloseKey(key);
    CHECK_FALSE(ReadInstallDir(folder));
    CHECK(std::string(folder) == "untouched");
    DropRecord();
}

TEST_CASE("InstallDir is read whole up to 255 bytes with its NUL, and refused beyond")
{
    char folder[PathSize];
    SetInstallDir("C:\\Program Files\\Marvolen", 26);
    REQUIRE(ReadInstallDir(folder));
    CHECK(std::string(folder) == "C:\\Program Files\\Marvolen");

    const std::string longest = "C:\\" + std::string(251, 'a');   // 254 characters + NUL = 255 bytes
    SetInstallDir(longest, 255);
    REQUIRE(ReadInstallDir(folder));
    CHECK(std::string(folder) == longest);

    const std::string tooLong = longest + "b";   // 256 bytes
    SetInstallDir(tooLong, 256);
    strcpy(folder, "untouched");
    CHECK_FALSE(ReadInstallDir(folder));
    CHECK(std::string(folder) == "untouched");

    // Stored without its NUL: still one terminated text.
    SetInstallDir("D:\\Games\\Marvolen", 17);
    REQUIRE(ReadInstallDir(folder));
    CHECK(std::string(folder) == "D:\\Games\\Marvolen");
    DropRecord();
}

}

namespace {

struct Value {
    DWORD type = 0;
    std::string bytes;
    bool present = false;
};

Value Query(HKEY root, const char* key, const char* name)
{
    Value value;
    HKEY handle;
    if (RegOpenKeyExA(root, key, 0, KEY_QUERY_VALUE, &handle) != ERROR_SUCCESS) return value;
    char data[512];
    DWORD length = sizeof data;
    if (RegQueryValueExA(handle, name, nullptr, &value.type, reinterpret_cast<BYTE*>(data), &length) == ERROR_SUCCESS) {
        value.present = true;
        value.bytes.assign(data, length);
    }
    RegCloseKey(handle);
    return value;
}

bool KeyExists(HKEY root, const char* key)
{
    HKEY handle;
    if (RegOpenKeyExA(root, key, 0, KEY_QUERY_VALUE, &handle) != ERROR_SUCCESS) return false;
    RegCloseKey(handle);
    return true;
}

// A text value exactly as stored: REG_SZ, its NUL counted.
void CheckText(HKEY root, const char* key, const char* name, const std::string& text)
{
    const std::string valueName = name;
    CAPTURE(valueName);
    const Value value = Query(root, key, name);
    CHECK(value.present);
    CHECK(value.type == REG_SZ);
    CHECK(value.bytes == text + std::string(1, '\0'));
}

void WriteFor(const char* installPath, std::uint64_t installedBytes = 0, const char* version = "1.12")
{
    const EntryDetails details = {"www.game.example", "www.publisher.example", installedBytes};
    WriteInstallRecords(WideFromAnsi(installPath), "C:\\WINDOWS\\untsetup.exe", "D:\\", "English", version, details);
}

// Gives a key the access rules of an SDDL text: how a key is made unwritable or undeletable.
void SetKeyRules(HKEY root, const char* path, const char* sddl)
{
    PSECURITY_DESCRIPTOR rules;
    REQUIRE(ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &rules, nullptr));
    HKEY key;
    REQUIRE(RegOpenKeyExA(root, path, 0, WRITE_DAC, &key) == ERROR_SUCCESS);
    CHECK(RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, rules) == ERROR_SUCCESS);
    RegCloseKey(key);
    LocalFree(rules);
}
constexpr char Open[] = "D:(A;;KA;;;WD)";
constexpr char Unwritable[] = "D:(D;;KW;;;WD)(A;;KA;;;WD)";
constexpr char Unreadable[] = "D:(D;;KR;;;WD)(A;;KA;;;WD)";

DWORD Number(const char* name)
{
    CAPTURE(name);
    const Value value = Query(HKEY_LOCAL_MACHINE, UninstallEntryKey, name);
    REQUIRE(value.type == REG_DWORD);
    REQUIRE(value.bytes.size() == 4);
    DWORD number;
    std::memcpy(&number, value.bytes.data(), 4);
    return number;
}

}  // namespace

TEST_SUITE("records") {

TEST_CASE("the three records hold every value with its type and length")
{
    // The keys as the records' readers (the game, Windows' Apps list, the lobby) look them up.
    CHECK(std::string(InstallRecordKey) == "SOFTWARE\\Quellmark Studio\\RV : Marvolen");
    CHECK(std::string(UninstallEntryKey) == "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\RV : Marvolen");
    CHECK(std::string(LobbyRegistrationKey) == "Software\\Microsoft\\DirectPlay\\Applications\\Marvolen");
    WriteFor("C:\\Program Files\\Marvolen");
    const HKEY user = HKEY_CURRENT_USER, machine = HKEY_LOCAL_MACHINE;
    CheckText(user, InstallRecordKey, "InstallDir", "C:\\Program Files\\Marvolen");
    CheckText(user, InstallRecordKey, "Executable", "C:\\Program Files\\Marvolen\\tarn.exe");
    CheckText(user, InstallRecordKey, "Version", "1.12");
    CheckText(user, InstallRecordKey, "Language", "English");
    CheckText(user, InstallRecordKey, "Installer", "C:\\WINDOWS\\untsetup.exe");
    CheckText(user, InstallRecordKey, "CD-ROM", "D:\\");
    const Value options = Query(user, InstallRecordKey, "Options");
    CHECK(options.type == REG_DWORD);
    CHECK(options.bytes.size() == 4);

    CheckText(machine, LobbyRegistrationKey, "CommandLine", "");
    CheckText(machine, LobbyRegistrationKey, "CurrentDirectory", "C:\\Program Files\\Marvolen");
    CheckText(machine, LobbyRegistrationKey, "Path", "C:\\Program Files\\Marvolen");
    CheckText(machine, LobbyRegistrationKey, "File", "tarn.exe");
    CheckText(machine, LobbyRegistrationKey, "Guid", "{7A3C91E2-4B0D-11d0-8E21-00A0C9F31B6d}");
    CHECK(Query(machine, LobbyRegistrationKey, "Guid").bytes.size() == 39);
    CHECK(Query(machine, LobbyRegistrationKey, "File").bytes.size() == 9);
    CHECK(Query(machine, LobbyRegistrationKey, "CommandLine").bytes.size() == 1);

    CheckText(machine, UninstallEntryKey, "DisplayName", "RV : Marvolen");
    CHECK(Query(machine, UninstallEntryKey, "DisplayName").bytes.size() == 14);
    CheckText(machine, UninstallEntryKey, "UninstallString", "C:\\WINDOWS\\untsetup.exe");

    // What the Apps list and package managers read beside the name.
    CheckText(machine, UninstallEntryKey, "DisplayIcon", "C:\\WINDOWS\\untsetup.exe,0");
    CheckText(machine, UninstallEntryKey, "DisplayVersion", "1.12");
    CheckText(machine, UninstallEntryKey, "Publisher", "Quellmark Studio");
    CheckText(machine, UninstallEntryKey, "InstallLocation", "C:\\Program Files\\Marvolen");
    CheckText(machine, UninstallEntryKey, "InstallSource", "D:\\");
    CheckText(machine, UninstallEntryKey, "URLInfoAbout", "http://www.game.example");
    CheckText(machine, UninstallEntryKey, "HelpLink", "http://www.publisher.example");
    SYSTEMTIME today;
    GetLocalTime(&today);
    char date[9];
    wsprintfA(date, "%04u%02u%02u", today.wYear, today.wMonth, today.wDay);
    CheckText(machine, UninstallEntryKey, "InstallDate", date);
    CHECK(Number("NoModify") == 1);
    CHECK(Number("NoRepair") == 1);
    CHECK(Number("VersionMajor") == 1);
    CHECK(Number("VersionMinor") == 12);
    CHECK(Number("EstimatedSize") == 0);

    char folder[PathSize];
    REQUIRE(ReadInstallDir(folder));
    CHECK(std::string(folder) == "C:\\Program Files\\Marvolen");
}

TEST_CASE("the entry's size is whole KiB rounded up, its location the folder resolved")
{
    const struct {
        std::uint64_t bytes;
        DWORD kib;
    } sizes[] = {{1, 1}, {1024, 1}, {1025, 2}, {104857600, 102400}, {5000000000000ull, 0xFFFFFFFFu}};
    for (const auto& size : sizes) {
        CAPTURE(size.bytes);
        WriteFor("C:\\Program Files\\Marvolen", size.bytes);
        CHECK(Number("EstimatedSize") == size.kib);
    }
    // The records name the folder as it was resolved when chosen, which is the folder Windows uses.
    Destination chosen;
    REQUIRE(ChooseDestination(L"c:/program files//Marvolen. ", chosen).Done());
    CHECK(chosen.resolved == L"C:\\Program Files\\Marvolen");
    WriteFor("C:\\Program Files\\Marvolen", 0);
    CheckText(HKEY_LOCAL_MACHINE, UninstallEntryKey, "InstallLocation", "C:\\Program Files\\Marvolen");
    DeleteInstallRecords();
}

TEST_CASE("a reinstall elsewhere overwrites in place and keeps values of others")
{
    WriteFor("C:\\Program Files\\Marvolen");
    HKEY key;
    RegCreateKeyExA(HKEY_CURRENT_USER, InstallRecordKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    RegSetValueExA(key, "HighScore", 0, REG_SZ, reinterpret_cast<const BYTE*>("9000"), 5);
    RegCloseKey(key);
    WriteFor("E:\\Games\\Marvolen");
    CheckText(HKEY_CURRENT_USER, InstallRecordKey, "InstallDir", "E:\\Games\\Marvolen");
    CheckText(HKEY_CURRENT_USER, InstallRecordKey, "Executable", "E:\\Games\\Marvolen\\tarn.exe");
    CheckText(HKEY_LOCAL_MACHINE, LobbyRegistrationKey, "CurrentDirectory", "E:\\Games\\Marvolen");
    CheckText(HKEY_LOCAL_MACHINE, LobbyRegistrationKey, "Path", "E:\\Games\\Marvolen");
    CheckText(HKEY_CURRENT_USER, InstallRecordKey, "HighScore", "9000");
}

TEST_CASE("a record that cannot be written is told, and the others are written all the same")
{
    struct Record {
        HKEY root;
        const char* key;
        const char* value;
    };
    const Record install = {HKEY_CURRENT_USER, InstallRecordKey, "Installer"};
    const Record entry = {HKEY_LOCAL_MACHINE, UninstallEntryKey, "UninstallString"};
    // The install record under a parent that takes only passing keys; the uninstall entry unwritable.
    const struct {
        Record failed, written;
        DWORD error;
    } rows[] = {{install, entry, ERROR_CHILD_MUST_BE_VOLATILE}, {entry, install, ERROR_ACCESS_DENIED}};
    for (const auto& row : rows) {
        CAPTURE(row.error);
        DeleteInstallRecords();
        RegDeleteTreeA(HKEY_CURRENT_USER, MakerKey);
        const bool underParent = row.failed.root == HKEY_CURRENT_USER;
        HKEY key;
        REQUIRE(RegCreateKeyExA(row.failed.root, underParent ? MakerKey : row.failed.key, 0, nullptr,
                                underParent ? REG_OPTION_VOLATILE : 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) == ERROR_SUCCESS);
        RegCloseKey(key);
        if (!underParent) SetKeyRules(row.failed.root, row.failed.key, Unwritable);
        CHECK(WriteInstallRecords(L"C:\\Games\\Marvolen", "C:\\WINDOWS\\untsetup.exe", "D:\\", "English", "1.12",
                                  {"www.game.example", "www.publisher.example", 0}).error == row.error);
        CHECK_FALSE(Query(row.failed.root, row.failed.key, row.failed.value).present);
        CHECK(Query(row.written.root, row.written.key, row.written.value).present);
        CheckText(HKEY_LOCAL_MACHINE, LobbyRegistrationKey, "Path", "C:\\Games\\Marvolen");
        if (!underParent) SetKeyRules(row.failed.root, row.failed.key, Open);
    }
    RegDeleteTreeA(HKEY_CURRENT_USER, MakerKey);
    CHECK(WriteInstallRecords(L"C:\\Games\\Marvolen", "C:\\WINDOWS\\untsetup.exe", "D:\\", "English", "1.12",
                              {"www.game.example", "www.publisher.example", 0}).Done());
}

TEST_CASE("deleting removes the three records and keeps the maker's key")
{
    WriteFor("C:\\Program Files\\Marvolen");
    // Keys the game keeps below its record go with it.
    HKEY below;
    const std::string settings = std::string(InstallRecordKey) + "\\Settings\\Video";
    REQUIRE(RegCreateKeyExA(HKEY_CURRENT_USER, settings.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &below, nullptr) ==
            ERROR_SUCCESS);
    RegSetValueExA(below, "Width", 0, REG_SZ, reinterpret_cast<const BYTE*>("640"), 4);
    RegCloseKey(below);
    CHECK(DeleteInstallRecords().Done());
    CHECK_FALSE(KeyExists(HKEY_CURRENT_USER, InstallRecordKey));
    CHECK_FALSE(KeyExists(HKEY_LOCAL_MACHINE, LobbyRegistrationKey));
    CHECK_FALSE(KeyExists(HKEY_LOCAL_MACHINE, UninstallEntryKey));
    CHECK(KeyExists(HKEY_CURRENT_USER, "SOFTWARE\\Quellmark Studio"));
    char folder[PathSize] = "untouched";
    CHECK_FALSE(ReadInstallDir(folder));
    CHECK(DeleteInstallRecords().Done());   // nothing there: the maker's key still stays
    CHECK(KeyExists(HKEY_CURRENT_USER, "SOFTWARE\\Quellmark Studio"));

    // A parent that is not there is not made in order to delete nothing below it.
    const char lobbies[] = "Software\\Microsoft\\DirectPlay\\Applications";
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, lobbies);
    CHECK(DeleteInstallRecords().Done());
    CHECK_FALSE(KeyExists(HKEY_LOCAL_MACHINE, lobbies));

    // A record that cannot be deleted is told; the others go all the same.
    WriteFor("C:\\Program Files\\Marvolen");
    SetKeyRules(HKEY_LOCAL_MACHINE, LobbyRegistrationKey, Unreadable);
    CHECK(DeleteInstallRecords().error == ERROR_ACCESS_DENIED);
    CHECK_FALSE(KeyExists(HKEY_CURRENT_USER, InstallRecordKey));
    CHECK_FALSE(KeyExists(HKEY_LOCAL_MACHINE, UninstallEntryKey));
    SetKeyRules(HKEY_LOCAL_MACHINE, LobbyRegistrationKey, Open);
    CHECK(KeyExists(HKEY_LOCAL_MACHINE, LobbyRegistrationKey));
    CHECK(DeleteInstallRecords().Done());
    CHECK_FALSE(KeyExists(HKEY_LOCAL_MACHINE, LobbyRegistrationKey));
}

}
