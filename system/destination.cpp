#include "system/destination.h"

#include <cstdio>
#include <cstring>
#include <shlobj.h>

#include "base/names.h"
#include "system/bounded_text.h"
#include "system/disk_space.h"
#include "system/folder_guard.h"
#include "system/folder_path.h"
#include "system/records.h"
#include "system/removal.h"

namespace {

bool ShellFolder(const char* value, int csidl, char (&path)[PathSize])
{
    if (ReadRegistryText(HKEY_CURRENT_USER, ShellFoldersKey, value, path)) return true;
    // The value is only a cache of the shell's own answer; ask the shell when it is missing.
    char asked[MAX_PATH] = "";
    if (FAILED(SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, asked))) return false;
    return CopyText(path, asked);
}

bool FitsInstallPath(const char* path) { return std::strlen(path) <= MaxInstallPathLength; }

}  // namespace

void DefaultDestination(char (&path)[PathSize], const char* windowsDir)
{
    char programFiles[PathSize];
    char candidate[PathSize];
    if (ReadRegistryText(HKEY_LOCAL_MACHINE, CurrentVersionKey, "ProgramFilesDir",
                         programFiles)) {
        const std::size_t length = std::strlen(programFiles);
        if (length > 0 && programFiles[length - 1] == '\\') programFiles[length - 1] = '\0';   // "D:\" as well
        if (JoinText(candidate, programFiles, GameFolderSuffix) && FitsInstallPath(candidate) && CopyText(path, candidate))
            return;
    }
    // No usable value: Program Files on the Windows drive, where every Windows keeps it.
    char drive[3] = {'C', ':', '\0'};
    if (windowsDir[0] && windowsDir[1] == ':') drive[0] = windowsDir[0];
    JoinText(path, drive, "\\Program Files") && AppendText(path, GameFolderSuffix);
}

bool ApplyChosenFolder(char (&path)[PathSize], const char* chosen)
{
    char folder[PathSize];
    if (!CopyText(folder, chosen)) return false;
    if (std::strlen(folder) == 3) folder[2] = '\0';   // "C:\" : no double backslash
    if (!AppendText(folder, GameFolderSuffix) || !FitsInstallPath(folder)) return false;
    return CopyText(path, folder);
}

bool BrowseDestination(char (&path)[PathSize], const wchar_t* title, HWND owner)
{
    wchar_t displayName[MAX_PATH];   // the dialog writes up to MAX_PATH characters into it
    BROWSEINFOW request = {};
    request.hwndOwner = owner;
    request.pszDisplayName = displayName;
    request.lpszTitle = title;
    request.ulFlags = BIF_RETURNONLYFSDIRS | BIF_RETURNFSANCESTORS | BIF_NEWDIALOGSTYLE;
    LPITEMIDLIST chosen = SHBrowseForFolderW(&request);
    if (!chosen) return false;
    // Asked for in UTF-16 and spelt without best-fit look-alikes: a character the ANSI code page
    // lacks shows as "?", and such a folder is refused at Continue rather than swapped for another.
    wchar_t wide[MAX_PATH] = L"";
    char folder[MAX_PATH * 2] = "";
    const bool applied = SHGetPathFromIDListW(chosen, wide) &&
                         WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, folder, sizeof folder, "?", nullptr) &&
                         ApplyChosenFolder(path, folder);
    IMalloc* allocator;
    if (SUCCEEDED(SHGetMalloc(&allocator))) {
        allocator->Free(chosen);
        allocator->Release();
    }
    return applied;
}

bool ProgramsFolder(char (&path)[PathSize]) { return ShellFolder("Programs", CSIDL_PROGRAMS, path); }
bool DesktopFolder(char (&path)[PathSize]) { return ShellFolder("Desktop", CSIDL_DESKTOPDIRECTORY, path); }

bool DriveRoot(const std::wstring& path, std::wstring& root)
{
    if (path.size() >= 2 && path[1] == L':') {
        root = path.substr(0, 2) + L"\\";
        return true;
    }
    if (path.compare(0, 2, L"\\\\") != 0) return false;
    // \\server\share\ : up to the backslash after the share name.
    const std::size_t share = path.find(L'\\', 2);
    if (share == std::wstring::npos || share == 2 || share + 1 >= path.size()) return false;
    root = path.substr(0, path.find(L'\\', share + 1)) + L"\\";
    return true;
}

std::uint64_t FreeBytes(const std::wstring& path)
{
    std::wstring root;
    std::uint64_t bytes = 0;
    if (!DriveRoot(path, root) || !DiskFreeBytes(root.c_str(), bytes)) return 0;
    return bytes;
}

void MebibyteText(std::uint64_t bytes, char (&text)[PathSize], const char* unit)
{
    const auto units = static_cast<std::uint32_t>(bytes >> 20);
    std::snprintf(text, PathSize, "%lu%s", static_cast<unsigned long>(units), unit);
}

void FreeSpaceText(const std::wstring& path, char (&text)[PathSize], const char* unit)
{
    MebibyteText(FreeBytes(path), text, unit);
}

bool EnoughFreeSpace(std::uint64_t freeBytes) { return freeBytes >= RequiredFreeBytes; }

namespace {

// Whether the ANSI code page spells a text exactly (no character missing, no look-alike).
bool Spellable(const std::wstring& text)
{
    BOOL lossy = FALSE;
    return WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.c_str(), -1, nullptr, 0, nullptr, &lossy) > 0 && !lossy;
}

}  // namespace

bool AnsiSpelling(const std::wstring& text, char (&spelt)[PathSize])
{
    const bool fits = Spellable(text) &&
                      WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.c_str(), -1, spelt, PathSize, nullptr, nullptr) > 0;
    if (!fits) spelt[0] = '\0';
    return fits;
}

Outcome ChooseDestination(const std::wstring& written, Destination& chosen)
{
    if (!Spellable(written)) return FailedWith(Happened::Unspellable, ERROR_NO_UNICODE_TRANSLATION, written);
    std::wstring resolved;
    if (!ResolveFolder(written, resolved) || !IsRemovableResolved(resolved) || HoldsLinks(resolved))
        return FailedWith(Happened::FolderUnusable, ERROR_DIRECTORY, written);
    // From here on the folder goes by the name it was checked under, exactly.
    if (!Spellable(resolved)) return FailedWith(Happened::Unspellable, ERROR_NO_UNICODE_TRANSLATION, resolved);
    char spelt[PathSize];
    if (!AnsiSpelling(resolved, spelt) || !FitsInstallPath(spelt))
        return FailedWith(Happened::FolderUnusable, ERROR_FILENAME_EXCED_RANGE, resolved);
    const DWORD attributes = GetFileAttributesW(VerbatimForm(resolved).c_str());
    chosen = {written, resolved, attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)};
    return Succeeded();
}

bool IsRecordedFolder(const Destination& destination)
{
    std::wstring recorded, resolved;
    return ReadInstallDirW(recorded) && ResolveFolder(recorded, resolved) && SameFolderName(resolved, destination.resolved);
}
