#include "install/shortcuts.h"

#include <shlobj.h>
#include <string>

#include "base/names.h"
#include "base/types.h"
#include "system/bounded_text.h"
#include "system/destination.h"
#include "system/removal.h"

namespace {

constexpr int WidePathSize = 260;

}  // namespace

HRESULT CreateShellLink(const char* target, const char* linkFile, const char* description, const char* workingDir)
{
    IShellLinkA* link;
    HRESULT result =
        CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, reinterpret_cast<void**>(&link));
    if (FAILED(result)) return result;
    link->SetPath(target);
    link->SetDescription(description);
    link->SetWorkingDirectory(workingDir);
    IPersistFile* file;
    result = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
    if (SUCCEEDED(result)) {
        WCHAR widePath[WidePathSize];
        // A path that does not fit is skipped: a cut one would name another file.
        if (MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, linkFile, -1, widePath, WidePathSize) == 0)
            result = HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
        else
            result = file->Save(widePath, TRUE);
        file->Release();
    }
    link->Release();
    return result;
}

void CreateShortcuts(const char* installPath, int desktopIconWanted, const char* uninstallerPath,
                     const char* gameSite, const char* makerSite, const char* publisherSite)
{
    char programs[PathSize], desktop[PathSize];
    const bool haveGroup = ProgramsFolder(programs);
    const bool haveDesktop = DesktopFolder(desktop);
    const std::string folder = installPath;
    const std::string game = folder + GameExecutableSuffix;

    // Every link: its file, its target; each starts in the game's folder. Failures go unreported.
    auto link = [&](const std::string& file, const std::string& target) {
        CreateShellLink(target.c_str(), file.c_str(), "", installPath);
    };
    if (desktopIconWanted && haveDesktop) link(std::string(desktop) + GameLinkName, game);
    if (!haveGroup) return;   // never a group at the root of some drive
    const std::string group = std::string(programs) + ProgramGroupName;
    CreateDirectoryA(group.c_str(), nullptr);   // one left by an earlier installation is used as it is
    link(group + GameLinkName, game);
    link(group + UninstallLinkName, uninstallerPath);
    link(group + "\\" + gameSite + LinkExtension, folder + GameSiteFile);
    link(group + "\\" + publisherSite + LinkExtension, folder + PublisherSiteFile);
    link(group + "\\" + makerSite + LinkExtension, folder + MakerSiteFile);
    link(group + ArcadeLinkName, folder + ArcadeSiteFile);
    link(group + ReadMeLinkName, folder + GameReadMeFile);
}

int RemoveShortcuts()
{
    char desktop[PathSize], programs[PathSize], path[PathSize];
    if (ProgramsFolder(programs) && JoinText(path, programs, ProgramGroupName)) RemoveTree(path);
    if (DesktopFolder(desktop) && JoinText(path, desktop, GameLinkName)) DeleteFileA(path);
    return 1;
}
