#include <doctest.h>

#include <algorithm>
#include <shlobj.h>
#include <string>
#include <vector>

#include "base/exit_codes.h"
#include "base/names.h"
#include "install/shortcuts.h"
#include "system/destination.h"
#include "system/folder_guard.h"
#include "system/folder_path.h"
#include "system/records.h"
#include "system/recovery.h"
#include "system/removal.h"
#include "system/run_note.h"
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

// The guard's answer for a folder as the player spells it.
bool Removable(const std::string& folder)
{
    std::wstring resolved;
    return ResolveFolder(WideFromAnsi(folder.c_str()), resolved) && IsRemovableResolved(resolved);
}

}  // namespace

TEST_SUITE("removal") {

TEST_CASE("a nested tree goes completely")
{
    const std::string root = MakeTree("tree");
    CHECK(RemoveTree(root.c_str()).Done());
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

TEST_CASE("a folder that does not exist changes nothing, and a file of that name stays a file")
{
    RemoveTree("C:\\no such folder\\Marvolen");
    CHECK_FALSE(Exists("C:\\no such folder"));
    const std::string file = ScratchFolder("not-a-folder") + "\\Marvolen";
    Touch(file);
    RemoveTree(file.c_str());
    CHECK(Exists(file));
}

// A folder as the system names it, for the table below.
std::string Known(int csidl)
{
    char path[MAX_PATH] = "";
    SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

std::string ProgramFilesView(REGSAM view, const char* value)
{
    char data[MAX_PATH] = "";
    DWORD size = sizeof data - 1;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", 0, KEY_READ | view, &key) == 0) {
        RegQueryValueExA(key, value, nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size);
        RegCloseKey(key);
    }
    return data;
}

std::string Short(const std::string& path)
{
    char shortPath[MAX_PATH] = "";
    GetShortPathNameA(path.c_str(), shortPath, MAX_PATH);
    return shortPath;
}

TEST_CASE("the guard decides on the folder Windows would use, whatever its spelling")
{
    char windows[MAX_PATH], system[MAX_PATH];
    GetWindowsDirectoryA(windows, MAX_PATH);
    GetSystemDirectoryA(system, MAX_PATH);
    const std::string win = windows, documents = Known(CSIDL_PERSONAL);
    const std::string cd = ScratchFolder("guard-cd");
    CreateDirectoryA((cd + "\\CD").c_str(), nullptr);
    ProtectFolder((cd + "\\CD\\").c_str());   // the folder the setup runs from
    // Another user's profile, as the machine lists it.
    const char* otherProfile = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\S-1-5-21-7-7-7-1001";
    HKEY key;
    REQUIRE(RegCreateKeyExA(HKEY_LOCAL_MACHINE, otherProfile, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) == 0);
    const char alice[] = "%SystemDrive%\\users\\alice";
    RegSetValueExA(key, "ProfileImagePath", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(alice), sizeof alice);
    RegCloseKey(key);
    REQUIRE(Exists("W:\\"));   // the test run maps W: onto the Windows directory
    std::vector<std::string> refused = {
        // Not a folder below a root, or not an ordinary path at all.
        "", "Marvolen", "relative\\Marvolen", "C:", "C:\\", "C:/", "C:Games", "\\Games\\Marvolen",
        "\\\\server\\share", "\\\\server\\share\\", "\\\\?\\C:\\Games\\Marvolen", "\\\\.\\C:\\Games\\Marvolen",
        "\\??\\C:\\Games\\Marvolen", "//?/C:/Games/Marvolen", "C:\\Games\\CON", "C:\\Games\\nul.txt", "C:\\Games\\com1",
        "C:\\Games\\a?b", "C:\\Games\\a*", "C:\\Games\\a:b", "C:\\Games\\...", "C:\\Games\\..\\Marvolen",
        "C:\\Games\\.\\Marvolen", "C:\\Games \\Marvolen",
        // On a drive or share that is not there.
        "Q:\\Marvolen", "\\\\server\\share\\Marvolen",
        // The Windows directory in the spellings Windows resolves to it, and what lies inside it.
        win, win + "\\", win + ".", win + ". .", win + " ", "C:\\\\windows", "C://windows", "c:/WINDOWS/",
        "\\\\?\\" + win, "\\\\.\\" + win, system, win + "\\Fonts", win + "\\system32\\drivers", win + "\\Temp\\Marvolen",
        "C:\\Games\\..\\windows",
        // Other names for it: a drive that is the Windows directory, administrative shares.
        "W:\\Victim", "w:\\system32\\Victim", "\\\\localhost\\C$\\Windows\\Victim", "\\\\localhost\\ADMIN$\\Victim",
        // Both Program Files folders and their Common Files, whichever view this program reads.
        ProgramFilesView(KEY_WOW64_32KEY, "ProgramFilesDir"), ProgramFilesView(KEY_WOW64_64KEY, "ProgramFilesDir"),
        ProgramFilesView(KEY_WOW64_32KEY, "CommonFilesDir"), ProgramFilesView(KEY_WOW64_64KEY, "CommonFilesDir"),
        "c:/program files/", "C:\\Program Files.", Short("C:\\Program Files"),
        // The profiles and the shell's folders, and the folders above them.
        "C:\\users", Known(CSIDL_PROFILE), Known(CSIDL_COMMON_APPDATA), Known(CSIDL_COMMON_DOCUMENTS),
        documents, Known(CSIDL_DESKTOPDIRECTORY), Known(CSIDL_STARTMENU), Known(CSIDL_PROGRAMS),
        Known(CSIDL_STARTUP), Known(CSIDL_APPDATA), Known(CSIDL_LOCAL_APPDATA), Known(CSIDL_TEMPLATES),
        Known(CSIDL_COMMON_PROGRAMS), Known(CSIDL_COMMON_DESKTOPDIRECTORY), Known(CSIDL_APPDATA) + "\\Microsoft",
        // Another user's profile and everything in it.
        "C:\\users\\alice", "C:\\users\\Alice\\Games\\Marvolen",
        // The folder the setup runs from, and a drive root.
        cd + "\\CD", cd + "\\cd.", "T:\\",
    };
    refused.erase(std::remove(refused.begin(), refused.end(), std::string()), refused.end());
    refused.push_back("");
    for (const std::string& folder : refused) {
        CAPTURE(folder);
        CHECK_FALSE(Removable(folder));
    }
    const std::string removable[] = {
        "C:\\Program Files\\Marvolen", "C:\\Program Files\\Marvolen.", "c:/program files//Marvolen",
        Short("C:\\Program Files") + "\\Marvolen", "C:\\Games\\Marvolen", "T:\\Marvolen",
        cd + "\\CD2", "C:\\windows2\\Marvolen", documents + "\\Marvolen", Known(CSIDL_PROGRAMS) + "\\Marvolen demo",
    };
    for (const std::string& folder : removable) {
        CAPTURE(folder);
        CHECK(Removable(folder));
    }
    // A destination is used by the name it was checked under.
    const std::pair<std::string, std::string> used[] = {
        {"C:\\Games\\Marvolen.", "C:\\Games\\Marvolen"}, {"C:\\Games.\\Marvolen", "C:\\Games\\Marvolen"}, {"c:/program files//Marvolen. ", "C:\\Program Files\\Marvolen"},
        {Short("C:\\Program Files") + "\\Marvolen", "C:\\Program Files\\Marvolen"},
    };
    for (const auto& [spelling, name] : used) {
        CAPTURE(spelling);
        Destination chosen;
        CHECK(ChooseDestination(WideFromAnsi(spelling.c_str()), chosen).Done());
        CHECK(chosen.resolved == WideFromAnsi(name.c_str()));
    }
    // What the identities on disk add to the names. Wine itself gives the Windows directory the name
    // of the drive W: where W: is mapped to it, so every spelling above is refused by its resolved
    // name already; a link to it that was never resolved (laid by the host) is refused by its
    // identity alone.
    for (const wchar_t* alias : {L"C:\\aliases\\windows", L"C:\\aliases\\windows\\system32", L"C:\\aliases\\windows\\Victim"}) {
        CAPTURE(std::string(alias, alias + wcslen(alias)));
        CHECK_FALSE(IsRemovableResolved(alias));
    }
    // And RemoveTree keeps its hands off: a file in the Windows directory survives every spelling.
    const std::string keep = win + "\\keep-me.txt";
    Touch(keep);
    for (const std::string& spelling : {win, win + ".", std::string("C:\\\\windows"), "\\\\?\\" + win})
        RemoveTree(spelling.c_str());
    CHECK(Exists(keep));
    DeleteFileA(keep.c_str());
    ProtectFolder("");
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, otherProfile);
}

TEST_CASE("links are never followed: not as the folder, not below it, not when a folder is swapped mid-walk")
{
    const std::string kept = "C:\\link-target\\keep.txt";
    REQUIRE(ReadFile(kept) == "not the game's\n");   // the test run makes C:\links\victim, a link to it
    // The game's folder is itself a link: refused as a destination, and its removal says so.
    CHECK_FALSE(Removable("C:\\links\\victim"));
    CHECK_FALSE(RemoveTree("C:\\links\\victim").Done());
    // A link below: refused as a destination before anything is written; removed around, never through.
    Destination destination;
    CHECK(ChooseDestination(L"C:\\links", destination).what == Happened::FolderUnusable);
    CHECK_FALSE(RemoveTree("C:\\links").Done());
    CHECK(Exists(kept));

    // A folder listed as the game's is swapped for another one before it is opened.
    static std::string swapped, aside, other;
    const std::string root = MakeTree("swapped");
    swapped = root + "\\e";
    aside = ScratchFolder("swapped-aside") + "\\e";
    other = ScratchFolder("swapped-in");
    Touch(other + "\\precious.txt");
    const BeforeEntry swap = [](const std::wstring& path) {
        if (path.size() < 2 || path.substr(path.size() - 2) != L"\\e") return;
        MoveFileA(swapped.c_str(), aside.c_str());
        MoveFileA(other.c_str(), swapped.c_str());
    };
    CHECK_FALSE(RemoveTreeW(WideFromAnsi(root.c_str()), false, swap).Done());
    CHECK(Exists(swapped + "\\precious.txt"));
    CHECK(Exists(aside + "\\f\\four"));
    CHECK_FALSE(Exists(root + "\\a"));
}

TEST_CASE("removal reaches every depth: paths past 260 characters go too")
{
    const std::string root = ScratchFolder("deep");
    std::wstring path = L"\\\\?\\" + WideFromAnsi(root.c_str());
    for (int level = 0; level < 12; ++level) {
        path += L"\\a-folder-name-of-thirty-chars";
        REQUIRE(CreateDirectoryW(path.c_str(), nullptr));
    }
    REQUIRE(path.size() > 300);
    HANDLE file = CreateFileW((path + L"\\deep.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    REQUIRE(file != INVALID_HANDLE_VALUE);
    CloseHandle(file);
    RemoveTree(root.c_str());
    CHECK_FALSE(Exists(root));
}

TEST_CASE("a trailing dot or space names the same folder, and that folder goes")
{
    const std::string root = MakeTree("dotted");
    RemoveTree((root + ". ").c_str());
    CHECK_FALSE(Exists(root));
}

void Record(const std::string& folder)
{
    HKEY key;
    RegCreateKeyExA(HKEY_CURRENT_USER, InstallRecordKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    RegSetValueExA(key, "InstallDir", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                   static_cast<DWORD>(folder.size() + 1));
    RegCloseKey(key);
}

TEST_CASE("uninstalling removes the recorded folder, all or nothing, and not the one chosen since")
{
    const std::string chosen = MakeTree("chosen");
    strcpy(Setup.Paths.InstallPath, chosen.c_str());
    // The recorded folder as the player left it: plain, with read-only files, with a file held
    // open by the game (no sharing of deletion) deep below, with a folder another program works
    // in, with a folder of someone's (or a link the host laid) named like the aside folder.
    enum Hold { None, ReadOnly, HeldOpen, WorkingFolder, AsideTaken };
    for (Hold hold : {None, ReadOnly, HeldOpen, WorkingFolder, AsideTaken}) {
        CAPTURE(hold);
        const std::string recorded = MakeTree("recorded");
        Record(recorded);
        const std::string busy = recorded + (hold == WorkingFolder ? "\\a\\b" : "\\a\\b\\c\\three.txt");
        if (hold == ReadOnly)
            for (const char* file : {"\\top.txt", "\\a\\b\\two.txt", "\\a"})
                SetFileAttributesA((recorded + file).c_str(), FILE_ATTRIBUTE_READONLY);
        if (hold == AsideTaken) {
            CreateDirectoryA((recorded + ".~removing").c_str(), nullptr);
            WriteFile(recorded + ".~removing\\theirs.txt", "someone's");
            SetFileAttributesA((recorded + ".~removing\\theirs.txt").c_str(), FILE_ATTRIBUTE_READONLY);
        }
        HANDLE open = INVALID_HANDLE_VALUE;
        if (hold == HeldOpen || hold == WorkingFolder)
            open = CreateFileA(busy.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                               FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        const Outcome removed = RemoveInstalledFiles();
        if (open != INVALID_HANDLE_VALUE) CloseHandle(open);
        if (hold == HeldOpen || hold == WorkingFolder) {
            CHECK(removed.what == Happened::InUse);
            CHECK(ExitCodeFor(removed.what) == ExitInUse);
            CHECK(removed.path == L"\\\\?\\" + WideFromAnsi(busy.c_str()));
            for (const char* file : {"\\top.txt", "\\a\\one.txt", "\\a\\b\\two.txt", "\\e\\f\\four"}) CHECK(Exists(recorded + file));
            CHECK(RemoveInstalledFiles().Done());   // once the game is closed
        } else {
            CHECK(removed.Done());
        }
        CHECK_FALSE(Exists(recorded));
        CHECK(Exists(recorded + ".~removing") == (hold == AsideTaken));
        CHECK_FALSE(Exists(recorded + ".~removing2"));
        if (hold == AsideTaken) {
            CHECK(ReadFile(recorded + ".~removing\\theirs.txt") == "someone's");
            CHECK((GetFileAttributesA((recorded + ".~removing\\theirs.txt").c_str()) & FILE_ATTRIBUTE_READONLY) != 0);
            RemoveTreeW(WideFromAnsi((recorded + ".~removing").c_str()), true);
        }
        CHECK(Exists(chosen + "\\top.txt"));
        RunNote none;
        CHECK_FALSE(ReadRunNote(none));
    }
    // A link the host laid where the aside folder would go is left as it is, and never entered.
    Record("C:\\links");
    CHECK_FALSE(RemoveInstalledFiles().Done());   // the folder holds a link, so is no game's to take whole
    CHECK(ReadFile("C:\\link-target\\keep.txt") == "not the game's\n");

    // An uninstall cut short once the folder was moved aside: the next start puts it back under its
    // name, where the records lead, and the aside folder goes.
    const std::string recorded = MakeTree("recorded");
    Record(recorded);
    RunNote note;
    note.kind = RunKind::Uninstall;
    note.folder = L"\\\\?\\" + WideFromAnsi(recorded.c_str());
    REQUIRE(BeginRunNote(note).Done());
    std::wstring aside;
    const std::wstring leaf = note.folder.substr(note.folder.rfind(L'\\'));
    REQUIRE(MakeOwnFolder(note.folder.substr(0, note.folder.rfind(L'\\')), leaf.substr(1) + L".~removing", note, aside).Done());
    REQUIRE(MoveFileW(note.folder.c_str(), (aside + leaf).c_str()));
    CHECK(RecoverUnfinishedRun().Done());
    CHECK(Exists(recorded + "\\a\\b\\c\\three.txt"));
    CHECK_FALSE(Exists(recorded + ".~removing"));
    CHECK_FALSE(ReadRunNote(note));

    // Its drive gone (a USB disk, a share offline): nothing is removed, and the records stay to
    // take it later; back again, it goes.
    Record("Q:\\Games\\Marvolen");
    const Outcome away = RemoveInstalledFiles();
    CHECK(away.what == Happened::Unreachable);
    CHECK(ExitCodeFor(away.what) == ExitFailed);
    Record(recorded);
    CHECK(RemoveInstalledFiles().Done());

    RegDeleteKeyA(HKEY_CURRENT_USER, InstallRecordKey);
    CHECK(RemoveInstalledFiles().what == Happened::NothingToUninstall);   // no record: no files removed
    CHECK(ExitCodeFor(Happened::NothingToUninstall) == ExitNothingToUninstall);
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
    CHECK(RemoveShortcuts().Done());
    CHECK_FALSE(Exists(group));
    CHECK_FALSE(Exists(std::string(desktop) + GameLinkName));
    CHECK(Exists(std::string(desktop) + "\\Another game.lnk"));
    CHECK(Exists(programs));
    CHECK(RemoveShortcuts().Done());   // nothing left to remove: the folders around stay
    CHECK(Exists(programs));
    CHECK(Exists(std::string(desktop) + "\\Another game.lnk"));

    // A link that cannot be deleted is told; the rest goes all the same.
    for (const std::string& stuck : {std::string(desktop) + GameLinkName, group + "\\ReadMe.lnk"}) {
        CAPTURE(stuck);
        CreateDirectoryA(group.c_str(), nullptr);
        Touch(group + "\\Any name.lnk");
        Touch(std::string(desktop) + GameLinkName);
        Touch(stuck);
        SetFileAttributesA(stuck.c_str(), FILE_ATTRIBUTE_READONLY);
        CHECK(RemoveShortcuts().error == ERROR_ACCESS_DENIED);
        CHECK(Exists(stuck));
        CHECK_FALSE(Exists(group + "\\Any name.lnk"));
        CHECK(Exists(std::string(desktop) + GameLinkName) == (stuck == std::string(desktop) + GameLinkName));
        SetFileAttributesA(stuck.c_str(), FILE_ATTRIBUTE_NORMAL);
        CHECK(RemoveShortcuts().Done());
        CHECK_FALSE(Exists(stuck));
    }
}

}
