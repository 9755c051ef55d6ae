#include "install/shortcuts.h"

#include <shlobj.h>
#include <string>

#include "base/names.h"
#include "base/types.h"
#include "system/bounded_text.h"
#include "system/destination.h"
#include "system/folder_path.h"
#include "system/removal.h"

namespace {

constexpr int WidePathSize = 260;

// The first failure of several steps is the one reported, with its path; the later ones are
// still tried.
void Note(Outcome& first, DWORD error, const std::string& path)
{
    if (error != ERROR_SUCCESS) KeepFirst(first, FailedWith(Happened::Failed, error, WideFromAnsi(path.c_str())));
}

}  // namespace

HRESULT CreateShellLink(const char* target, const char* linkFile, const char* description, const char* workingDir)
{
    IShellLinkA* link;
    HRESULT result =
        CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, reinterpret_cast<void**>(&link));
    if (FAILED(result)) return result;
    // A link without its target or folder would open nothing: it is not saved.
    result = link->SetPath(target);
    if (SUCCEEDED(result)) result = link->SetDescription(description);
    if (SUCCEEDED(result)) result = link->SetWorkingDirectory(workingDir);
    IPersistFile* file = nullptr;
    if (SUCCEEDED(result)) result = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
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

DWORD ErrorFromResult(HRESULT result)
{
    if (SUCCEEDED(result)) return ERROR_SUCCESS;
    return HRESULT_FACILITY(result) == FACILITY_WIN32 ? HRESULT_CODE(result) : static_cast<DWORD>(result);
}

Outcome CreateShortcuts(const char* installPath, int desktopIconWanted, const char* uninstallerPath,
                        const char* gameSite, const char* makerSite, const char* publisherSite)
{
    char programs[PathSize], desktop[PathSize];
    const std::string folder = installPath;
    const std::string game = folder + GameExecutableSuffix;
    Outcome first = Succeeded();
    // Every link: its file, its target; each starts in the game's folder. One that fails does not
    // keep the others from being written.
    auto link = [&](const std::string& file, const std::string& target) {
        Note(first, ErrorFromResult(CreateShellLink(target.c_str(), file.c_str(), "", installPath)), file);
    };
    if (desktopIconWanted) {
        if (DesktopFolder(desktop)) link(std::string(desktop) + GameLinkName, game);
        else Note(first, ERROR_PATH_NOT_FOUND, "Desktop");
    }
    if (!ProgramsFolder(programs)) {
        Note(first, ERROR_PATH_NOT_FOUND, "Programs");   // never a group at the root of some drive
        return first;
    }
    const std::string group = std::string(programs) + ProgramGroupName;
    // One left by an earlier installation is used as it is.
    if (!CreateDirectoryA(group.c_str(), nullptr)) {
        const DWORD error = GetLastError();
        if (error != ERROR_ALREADY_EXISTS) Note(first, error, group);
    }
    link(group + GameLinkName, game);
    link(group + UninstallLinkName, uninstallerPath);
    link(group + "\\" + gameSite + LinkExtension, folder + GameSiteFile);
    link(group + "\\" + publisherSite + LinkExtension, folder + PublisherSiteFile);
    link(group + "\\" + makerSite + LinkExtension, folder + MakerSiteFile);
    link(group + ArcadeLinkName, folder + ArcadeSiteFile);
    link(group + ReadMeLinkName, folder + GameReadMeFile);
    return first;
}

Outcome RemoveShortcuts()
{
    char desktop[PathSize], programs[PathSize], path[PathSize];
    Outcome first = Succeeded();
    if (!ProgramsFolder(programs) || !JoinText(path, programs, ProgramGroupName)) Note(first, ERROR_PATH_NOT_FOUND, "Programs");
    else KeepFirst(first, RemoveTree(path));
    if (!DesktopFolder(desktop) || !JoinText(path, desktop, GameLinkName)) {
        Note(first, ERROR_PATH_NOT_FOUND, "Desktop");
    } else if (!DeleteFileA(path)) {
        const DWORD error = GetLastError();   // a link that is not there is gone already
        if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) Note(first, error, path);
    }
    return first;
}
