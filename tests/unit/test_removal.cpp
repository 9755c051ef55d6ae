#include <doctest.h>

#include <string>

#include "install/shortcuts.h"
#include "system/destination.h"
#include "system/records.h"
#include "system/removal.h"
#include "support.h"

namespace {

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void Touch(const std::string& path) { WriteFile(path, "x"); }

std::string MakeTree(const char* name)
{
    const std::string root = ScratchFolder(name);
    for (const char* folder : {"\\a", "\\a\\b", "\\a\\b\\c", "\\e", "\\e\\f"})
        CreateDirectoryA((root + folder).c_str(), nullptr);
    for (const char* file : {"\\top.txt", "\\a\\one.txt", "\\a\\b\\two.txt", "\\a\\b\\c\\three.txt", "\\e\\f\\four"})
        Touch(root + file);
    return root;
}

}  // namespace

TEST_SUITE("removal") {

TEST_CASE("a nested tree goes completely")
{
    const std::string root = MakeTree("tree");
    CHECK(RemoveTree(root.c_str()) == 1);
    CHECK_FALSE(Exists(root));
    CHECK(Exists(root.substr(0, root.rfind('\\'))));   // its parent stays
}

TEST_CASE("a read-only file stays, with the folders above it; the rest goes")
{
    const std::string root = MakeTree("readonly");
    SetFileAttributesA((root + "\\a\\b\\two.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    RemoveTree(root.c_str());
    CHECK(Exists(root + "\\a\\b\\two.txt"));
    CHECK_FALSE(Exists(root + "\\a\\b\\c"));
    CHECK_FALSE(Exists(root + "\\a\\one.txt"));
    CHECK_FALSE(Exists(root + "\\e"));
    CHECK_FALSE(Exists(root + "\\top.txt"));
    SetFileAttributesA((root + "\\a\\b\\two.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveTree(root.c_str());
    CHECK_FALSE(Exists(root));
}

TEST_CASE("a folder that does not exist changes nothing")
{
    CHECK(RemoveTree("C:\\no such folder\\Marvolen") == 1);
}

TEST_CASE("folders that are plainly not the game's are refused")
{
    char windows[MAX_PATH], system[MAX_PATH], programs[PathSize], desktop[PathSize];
    GetWindowsDirectoryA(windows, MAX_PATH);
    GetSystemDirectoryA(system, MAX_PATH);
    ProgramsFolder(programs);
    DesktopFolder(desktop);
    strcpy(Setup.SetupDir, "D:\\CD\\");
    const std::string refused[] = {
        "", "Marvolen", "relative\\Marvolen", "C:", "C:\\", "C:/", "\\\\server\\share", "\\\\server\\share\\",
        windows, std::string(windows) + "\\", system, "C:\\Program Files", "c:/program files/",
        programs, desktop, "C:\\users",   // a parent of the user's folders
        "D:\\CD", "D:\\", "C:\\Games\\..\\windows", "C:\\Games\\.\\Marvolen",
    };
    for (const std::string& folder : refused) {
        CAPTURE(folder);
        CHECK_FALSE(IsRemovableFolder(folder.c_str()));
    }
    for (const char* folder : {"C:\\Program Files\\Marvolen", "C:\\Games\\Marvolen", "\\\\server\\share\\Marvolen",
                               "D:\\CD2", "C:\\windows2\\Marvolen"}) {
        CAPTURE(folder);
        CHECK(IsRemovableFolder(folder));
    }
    // And RemoveTree keeps its hands off: a file in the Windows directory survives.
    const std::string keep = std::string(windows) + "\\keep-me.txt";
    Touch(keep);
    RemoveTree(windows);
    CHECK(Exists(keep));
    Setup.SetupDir[0] = '\0';
}

TEST_CASE("uninstalling removes the recorded folder, not the one chosen since")
{
    const std::string recorded = MakeTree("recorded");
    const std::string chosen = MakeTree("chosen");
    HKEY key;
    RegCreateKeyExA(HKEY_CURRENT_USER, InstallRecordKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    RegSetValueExA(key, "InstallDir", 0, REG_SZ, reinterpret_cast<const BYTE*>(recorded.c_str()),
                   static_cast<DWORD>(recorded.size() + 1));
    RegCloseKey(key);
    strcpy(Setup.InstallPath, chosen.c_str());
    CHECK(RemoveInstalledFiles() == 1);
    CHECK_FALSE(Exists(recorded));
    CHECK(Exists(chosen + "\\top.txt"));

    RegDeleteKeyA(HKEY_CURRENT_USER, InstallRecordKey);
    CHECK(RemoveInstalledFiles() == 0);   // no record: no files removed
    CHECK(Exists(chosen + "\\top.txt"));
    RemoveTree(chosen.c_str());
}

TEST_CASE("removing the shortcuts takes the whole group and the desktop link, and nothing beside")
{
    char programs[PathSize], desktop[PathSize];
    ProgramsFolder(programs);
    DesktopFolder(desktop);
    const std::string group = std::string(programs) + ProgramGroupName;
    CreateDirectoryA(group.c_str(), nullptr);
    Touch(group + "\\Any name.lnk");
    Touch(std::string(desktop) + GameLinkName);
    Touch(std::string(desktop) + "\\Another game.lnk");
    CHECK(RemoveShortcuts() == 1);
    CHECK_FALSE(Exists(group));
    CHECK_FALSE(Exists(std::string(desktop) + GameLinkName));
    CHECK(Exists(std::string(desktop) + "\\Another game.lnk"));
    CHECK(Exists(programs));
    CHECK(RemoveShortcuts() == 1);   // nothing left to remove: still fine
}

}
