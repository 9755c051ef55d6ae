#include <doctest.h>

#include <shlobj.h>
#include <string>
#include <vector>

#include "base/names.h"
#include "install/shortcuts.h"
#include "base/texts.h"
#include "system/destination.h"
#include "support.h"
#include "system/folder_path.h"

namespace {

struct LinkInfo {
    bool read = false;
    std::string target, description, workingDir;
};

LinkInfo ReadLink(const std::string& file)
{
    LinkInfo info;
    IShellLinkA* link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link))))
        return info;
    IPersistFile* persist;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist)))) {
        WCHAR wide[MAX_PATH];
        MultiByteToWideChar(CP_ACP, 0, file.c_str(), -1, wide, MAX_PATH);
        if (SUCCEEDED(persist->Load(wide, STGM_READ))) {
            char text[MAX_PATH];
            info.read = true;
            link->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH);
            info.target = text;
            link->GetDescription(text, MAX_PATH);
            info.description = text;
            link->GetWorkingDirectory(text, MAX_PATH);
            info.workingDir = text;
        }
        persist->Release();
    }
    link->Release();
    return info;
}

std::vector<std::string> FilesIn(const std::string& folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    HANDLE listing = FindFirstFileA((folder + "\\*.lnk").c_str(), &entry);
    if (listing == INVALID_HANDLE_VALUE) return names;
    do names.push_back(entry.cFileName);
    while (FindNextFileA(listing, &entry));
    FindClose(listing);
    return names;
}

struct Folders {
    std::string group, desktopLink;
    Folders()
    {
        char programs[PathSize], desktop[PathSize];
        ProgramsFolder(programs);
        DesktopFolder(desktop);
        group = std::string(programs) + ProgramGroupName;
        desktopLink = std::string(desktop) + GameLinkName;
    }
};

const char Install[] = "C:\\Games\\Marvolen";
const char Uninstaller[] = "C:\\windows\\untsetup.exe";

DWORD Create(int desktop)
{
    return CreateShortcuts(WideFromAnsi(Install), desktop, Uninstaller, Text(IDS_GAME_SITE), Text(IDS_MAKER_SITE), Text(IDS_PUBLISHER_SITE))
        .error;
}

}  // namespace

TEST_SUITE("shortcuts") {

TEST_CASE("seven links in the program group, each to its target, starting in the game's folder")
{
    CoInitialize(nullptr);
    const Folders folders;
    DeleteFileA(folders.desktopLink.c_str());
    Create(0);
    CHECK(FilesIn(folders.group).size() == 7);
    CHECK(GetFileAttributesA(folders.desktopLink.c_str()) == INVALID_FILE_ATTRIBUTES);

    const std::string site = Text(IDS_GAME_SITE), maker = Text(IDS_MAKER_SITE), publisher = Text(IDS_PUBLISHER_SITE);
    const std::pair<std::string, std::string> expected[] = {
        {"Marvolen - RV.lnk", "C:\\Games\\Marvolen\\tarn.exe"},
        {"Uninstall.lnk", Uninstaller},
        {site + ".lnk", "C:\\Games\\Marvolen\\marvolen.url"},
        {publisher + ".lnk", "C:\\Games\\Marvolen\\publisher.url"},
        {maker + ".lnk", "C:\\Games\\Marvolen\\quellmark.url"},
        {"www.arcadehall.example.lnk", "C:\\Games\\Marvolen\\gamespy.url"},
        {"ReadMe.lnk", "C:\\Games\\Marvolen\\ReadMe_demo.txt"},
    };
    for (const auto& [name, target] : expected) {
        CAPTURE(name);
        const LinkInfo link = ReadLink(folders.group + "\\" + name);
        REQUIRE(link.read);
        CHECK(link.target == target);
        CHECK(link.description.empty());
        CHECK(link.workingDir == Install);   // the uninstaller's too
    }
}

TEST_CASE("the desktop link comes with the option, and an existing group is used again")
{
    CoInitialize(nullptr);
    const Folders folders;
    Create(0);   // the group exists now
    Create(1);
    CHECK(FilesIn(folders.group).size() == 7);
    const LinkInfo desktop = ReadLink(folders.desktopLink);
    REQUIRE(desktop.read);
    CHECK(desktop.target == "C:\\Games\\Marvolen\\tarn.exe");
    CHECK(desktop.workingDir == Install);
}

TEST_CASE("a link that cannot be written is told, and every other link is written all the same")
{
    CoInitialize(nullptr);
    const Folders folders;
    // The desktop link's name taken by a folder; the group's by a file.
    const struct {
        std::string taken;
        bool folder;
        std::string written;
        DWORD error;
    } rows[] = {{folders.desktopLink, true, folders.group + GameLinkName, ERROR_ACCESS_DENIED},
                {folders.group, false, folders.desktopLink, ERROR_PATH_NOT_FOUND}};
    for (const auto& row : rows) {
        CAPTURE(row.taken);
        RemoveShortcuts();
        if (row.folder) CreateDirectoryA(row.taken.c_str(), nullptr);
        else WriteFile(row.taken, "the player's own file");
        CHECK(Create(1) == row.error);   // the system's code, not the COM status
        CHECK(ReadLink(row.written).read);
        if (row.folder) {
            CHECK(FilesIn(folders.group).size() == 7);
            RemoveDirectoryA(row.taken.c_str());
        } else {
            DeleteFileA(row.taken.c_str());
        }
    }
    CHECK(Create(1) == ERROR_SUCCESS);
}

TEST_CASE("a link file path too long for the conversion buffer is not written")
{
    CoInitialize(nullptr);
    const std::string folder = ScratchFolder("longlinks");
    std::string name = folder + "\\";
    name += std::string(259 - name.size(), 'x');   // 259 characters: fits 260 with the NUL
    CHECK(SUCCEEDED(CreateShellLink(L"C:\\x.exe", WideFromAnsi((name + ".lnk").substr(0, 259).c_str()), L"C:\\")));
    const std::string tooLong = name + ".lnk";   // 263 characters
    CHECK(FAILED(CreateShellLink(L"C:\\x.exe", WideFromAnsi(tooLong.c_str()), L"C:\\")));
}

}
