#include <doctest.h>

#include <string>

#include "system/destination.h"
#include "system/folder_path.h"
#include "support.h"

namespace {

std::string Text(std::uint64_t bytes)
{
    char text[PathSize];
    MebibyteText(bytes, text);
    return text;
}

std::string Root(const char* path)
{
    std::wstring root;
    return DriveRoot(WideFromAnsi(path), root) ? std::string(root.begin(), root.end()) : "(refused)";
}

}  // namespace

TEST_SUITE("destination") {

TEST_CASE("free space shows whole mebibytes, no blank, no decimal point")
{
    CHECK(Text(1610612736ull) == "1536MB");
    CHECK(Text(1610612735ull) == "1535MB");
    CHECK(Text(1000000000ull) == "953MB");
    CHECK(Text(500000000ull) == "476MB");
    CHECK(Text(1048575ull) == "0MB");
    CHECK(Text(0) == "0MB");
    CHECK(Text(5ull << 32) == "20480MB");   // past 4 GiB, counted in full
}

TEST_CASE("the install test asks for 500,000,000 bytes, not 500 mebibytes")
{
    CHECK(EnoughFreeSpace(500000000ull));
    CHECK_FALSE(EnoughFreeSpace(499999999ull));
    CHECK(EnoughFreeSpace(5ull << 32));
    CHECK_FALSE(EnoughFreeSpace(0));   // what a failed query yields
}

TEST_CASE("free-space queries go to the drive root, or the share root of a network path")
{
    CHECK(Root("C:\\Games\\Marvolen") == "C:\\");
    CHECK(Root("d:") == "d:\\");
    CHECK(Root("\\\\server\\share\\Games\\Marvolen") == "\\\\server\\share\\");
    CHECK(Root("\\\\server\\share") == "\\\\server\\share\\");
    CHECK(Root("\\\\server") == "(refused)");
    CHECK(Root("Games\\Marvolen") == "(refused)");
    CHECK(Root("") == "(refused)");
}

TEST_CASE("a path whose free space cannot be learnt counts as no free space")
{
    CHECK(FreeBytes(L"Q:\\nowhere\\Marvolen") == 0);
    CHECK(FreeBytes(L"relative\\Marvolen") == 0);
    char text[PathSize];
    FreeSpaceText(L"Q:\\nowhere", text);
    CHECK(std::string(text) == "0MB");
    CHECK(FreeBytes(L"C:\\Program Files") > 0);
}

TEST_CASE("the default destination is Program Files plus Marvolen, also without the registry value")
{
    char path[PathSize];
    DefaultDestination(path, "C:\\windows");
    CHECK(std::string(path) == "C:\\Program Files\\Marvolen");

    // Without the value (this run's prefix is its own), Program Files on the Windows drive.
    HKEY key;
    REQUIRE(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", 0, KEY_ALL_ACCESS, &key) ==
            ERROR_SUCCESS);
    char saved[PathSize];
    DWORD length = sizeof saved;
    RegQueryValueExA(key, "ProgramFilesDir", nullptr, nullptr, reinterpret_cast<BYTE*>(saved), &length);
    RegDeleteValueA(key, "ProgramFilesDir");
    char fallback[PathSize] = "garbage";
    DefaultDestination(fallback, "E:\\WINNT");
    // Program Files in a drive root gives no double backslash.
    RegSetValueExA(key, "ProgramFilesDir", 0, REG_SZ, reinterpret_cast<const BYTE*>("D:\\"), 4);
    char root[PathSize];
    DefaultDestination(root, "C:\\windows");
    RegSetValueExA(key, "ProgramFilesDir", 0, REG_SZ, reinterpret_cast<BYTE*>(saved), length);
    RegCloseKey(key);
    CHECK(std::string(fallback) == "E:\\Program Files\\Marvolen");
    CHECK(std::string(root) == "D:\\Marvolen");
}

TEST_CASE("the user's Programs and Desktop folders come from the shell folders")
{
    char programs[PathSize], desktop[PathSize];
    REQUIRE(ProgramsFolder(programs));
    REQUIRE(DesktopFolder(desktop));
    CHECK(std::string(programs).find("\\Programs") != std::string::npos);
    CHECK(std::string(desktop).find("Desktop") != std::string::npos);
}

}

TEST_SUITE("destination") {

TEST_CASE("a chosen folder becomes the parent of the game's folder")
{
    struct Case { const char* chosen; const char* result; };
    const Case cases[] = {
        {"C:\\", "C:\\Marvolen"},
        {"C:\\Games", "C:\\Games\\Marvolen"},
        {"C:\\Games\\Marvolen", "C:\\Games\\Marvolen\\Marvolen"},
        {"\\\\server\\share", "\\\\server\\share\\Marvolen"},
    };
    for (const Case& c : cases) {
        CAPTURE(c.chosen);
        char path[PathSize] = "C:\\Program Files\\Marvolen";
        REQUIRE(ApplyChosenFolder(path, c.chosen));
        CHECK(std::string(path) == c.result);
    }
    // Two choices replace, they do not pile up.
    char path[PathSize] = "C:\\Program Files\\Marvolen";
    ApplyChosenFolder(path, "C:\\A");
    ApplyChosenFolder(path, "D:\\B");
    CHECK(std::string(path) == "D:\\B\\Marvolen");
}

TEST_CASE("a chosen folder too long for the game's folder and its executable is refused")
{
    char path[PathSize] = "C:\\Program Files\\Marvolen";
    const std::string longest = "C:\\" + std::string(234, 'a');   // 237 + "\Marvolen" = 246: fits
    REQUIRE(ApplyChosenFolder(path, longest.c_str()));
    CHECK(std::string(path).size() == 246);
    const std::string tooLong = longest + "b";
    CHECK_FALSE(ApplyChosenFolder(path, tooLong.c_str()));
    CHECK(std::string(path) == longest + "\\Marvolen");
    CHECK_FALSE(ApplyChosenFolder(path, std::string(300, 'x').c_str()));
}

}
