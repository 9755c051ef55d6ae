#include <doctest.h>

#include <string>

#include "system/records.h"
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
