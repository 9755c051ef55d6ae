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

// The first failure of several steps is the one reported, with its path; the later ones are
// still tried.
void Note(Outcome& first, DWORD error, const std::wstring& path)
{
    if (error != ERROR_SUCCESS) KeepFirst(first, FailedWith(Happened::Failed, error, path));
}

std::wstring Wide(const char* text) { return WideFromAnsi(text); }

}  // namespace

HRESULT CreateShellLink(const std::wstring& target, const std::wstring& linkFile, const std::wstring& workingDir)
{
    // A link file's name as long as a path may be; a longer one is not written, never cut.
    if (linkFile.size() >= MAX_PATH) return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
    IShellLinkW* link;
    HRESULT result =
        CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, reinterpret_cast<void**>(&link));
    if (FAILED(result)) return result;
    // A link without its target or folder would open nothing: it is not saved.
    result = link->SetPath(target.c_str());
    if (SUCCEEDED(result)) result = link->SetDescription(L"");
    if (SUCCEEDED(result)) result = link->SetWorkingDirectory(workingDir.c_str());
    IPersistFile* file = nullptr;
    if (SUCCEEDED(result)) result = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
    if (SUCCEEDED(result)) {
        result = file->Save(linkFile.c_str(), TRUE);
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

Outcome CreateShortcuts(const std::wstring& installPath, int desktopIconWanted, const char* uninstallerPath,
                        const char* gameSite, const char* makerSite, const char* publisherSite)
{
    char programs[PathSize], desktop[PathSize];
    const std::wstring game = installPath + Wide(GameExecutableSuffix);
    Outcome first = Succeeded();
    // Every link: its file, its target; each starts in the game's folder. One that fails does not
    // keep the others from being written.
    auto link = [&](const std::wstring& file, const std::wstring& target) {
        Note(first, ErrorFromResult(CreateShellLink(target, file, installPath)), file);
    };
    if (desktopIconWanted) {
        if (DesktopFolder(desktop)) link(Wide(desktop) + Wide(GameLinkName), game);
        else Note(first, ERROR_PATH_NOT_FOUND, L"Desktop");
    }
    if (!ProgramsFolder(programs)) {
        Note(first, ERROR_PATH_NOT_FOUND, L"Programs");   // never a group at the root of some drive
        return first;
    }
    const std::wstring group = Wide(programs) + Wide(ProgramGroupName);
    // One left by an earlier installation is used as it is.
    if (!CreateDirectoryW(group.c_str(), nullptr)) {
        const DWORD error = GetLastError();
        if (error != ERROR_ALREADY_EXISTS) Note(first, error, group);
    }
    link(group + Wide(GameLinkName), game);
    link(group + Wide(UninstallLinkName), Wide(uninstallerPath));
    link(group + L"\\" + Wide(gameSite) + Wide(LinkExtension), installPath + Wide(GameSiteFile));
    link(group + L"\\" + Wide(publisherSite) + Wide(LinkExtension), installPath + Wide(PublisherSiteFile));
    link(group + L"\\" + Wide(makerSite) + Wide(LinkExtension), installPath + Wide(MakerSiteFile));
    link(group + Wide(ArcadeLinkName), installPath + Wide(ArcadeSiteFile));
    link(group + Wide(ReadMeLinkName), installPath + Wide(GameReadMeFile));
    return first;
}

Outcome RemoveShortcuts()
{
    char desktop[PathSize], programs[PathSize], path[PathSize];
    Outcome first = Succeeded();
    if (!ProgramsFolder(programs) || !JoinText(path, programs, ProgramGroupName)) Note(first, ERROR_PATH_NOT_FOUND, L"Programs");
    else KeepFirst(first, RemoveTree(path));
    if (!DesktopFolder(desktop) || !JoinText(path, desktop, GameLinkName)) {
        Note(first, ERROR_PATH_NOT_FOUND, L"Desktop");
    } else if (!DeleteFileA(path)) {
        const DWORD error = GetLastError();   // a link that is not there is gone already
        if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) Note(first, error, Wide(path));
    }
    return first;
}
