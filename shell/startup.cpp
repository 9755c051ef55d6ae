#include "shell/startup.h"

#include <cstring>
#include <objbase.h>
#include <shlobj.h>
#include <string>
#include <vector>

#include "base/names.h"
#include "base/state.h"
#include "base/texts.h"
#include "install/extract.h"
#include "resources/resource_ids.h"
#include "shell/pump.h"
#include "shell/run.h"
#include "shell/window.h"
#include "system/bounded_text.h"
#include "system/destination.h"
#include "system/folder_guard.h"
#include "system/folder_path.h"
#include "system/records.h"
#include "ui/layout.h"
#include "ui/painter.h"

namespace {

constexpr DWORD PathReadLimit = PathSize - 1;

// A path read that fails or does not fit leaves an empty text rather than a cut one.
void KeepIfFits(char (&buffer)[PathSize], DWORD length, DWORD limit)
{
    if (length == 0 || length >= limit) buffer[0] = '\0';
}

bool LocateProgram()
{
    KeepIfFits(Setup.ExePath, GetModuleFileNameA(nullptr, Setup.ExePath, PathReadLimit), PathReadLimit);
    KeepIfFits(Setup.WindowsDir, GetWindowsDirectoryA(Setup.WindowsDir, PathReadLimit), PathReadLimit);
    const bool derived = DeriveProgramPaths(Setup.ExePath, Setup.WindowsDir);
    ProtectFolder(Setup.SetupDir);   // never removed, whatever a record says
    // Without both paths there is nothing sound to copy, nor anywhere sound to copy it to.
    if (derived && !Setup.UninstallerMode && Setup.ExePath[0] && Setup.WindowsDir[0]) RefreshUninstallerCopy();
    SetCurrentDirectoryA(Setup.SetupDir);
    return true;
}

bool LoadProgramTexts()
{
    LoadTexts();
    Setup.StatusText = Text(IDS_INITIALIZING);
    return true;
}

bool OpenWindow()
{
    RegisterWindowClass();
    return CreateMainWindow();
}

bool StartCom()
{
    CoInitialize(nullptr);   // for the shell links; a failure shows as links not written
    return true;
}

bool InitialPause()
{
    PauseDroppingInput(1000);   // the menu shows dimmed under "Setup Initializing..." for a moment
    return true;
}

Outcome Recovered = Succeeded();

bool LearnInstallState()
{
    // A run that died, wherever it was, is put back before the records are read: an uninstall cut
    // short brings the game's folder back under its name.
    Recovered = RecoverInterruptedRun();
    DefaultDestination(Setup.InstallPath, Setup.WindowsDir);
    char recorded[PathSize];
    Setup.Installed = ReadInstallDir(recorded) && CopyText(Setup.InstallPath, recorded);
    RefreshAvailability();
    return true;
}

bool WriteUnrarLibrary()
{
    char systemDir[PathSize];
    const DWORD limit = PathSize - 2;
    const DWORD length = GetSystemDirectoryA(systemDir, limit);
    char systemCopy[PathSize];
    if (length == 0 || length >= limit || !JoinText(systemCopy, systemDir, LibrarySuffix) ||
        !ChooseLibrary(systemCopy, Setup.LibraryPath))
        Setup.LibraryPath[0] = '\0';
    UseLibraryFile(Setup.LibraryPath);   // none: no library is loaded, and an installation fails
    return true;
}

bool GoLive()
{
    Setup.StatusPanelShown = 0;
    Setup.Busy = 0;
    PaintScreen();
    return true;
}

}  // namespace

const StartUpStep StartUpSteps[] = {
    {"program paths and uninstaller copy", LocateProgram, false, false},
    {"texts", LoadProgramTexts, false, false},
    {"window", OpenWindow, false, true},
    {"COM", StartCom, false, false},
    {"pause", InitialPause, true, true},
    {"install state", LearnInstallState, false, false},
    {"library copy", WriteUnrarLibrary, false, false},
    {"live menu paint", GoLive, false, true},
};
const int StartUpStepCount = sizeof StartUpSteps / sizeof StartUpSteps[0];

namespace {

// The library the program carries, or nothing.
bool CarriedLibrary(const void*& bytes, DWORD& size)
{
    HRSRC resource = FindResourceA(Setup.Instance, MAKEINTRESOURCEA(IDW_UNRAR_LIBRARY), "WAVE");
    HGLOBAL loaded = resource ? LoadResource(Setup.Instance, resource) : nullptr;
    bytes = loaded ? LockResource(loaded) : nullptr;
    size = bytes ? SizeofResource(Setup.Instance, resource) : 0;
    return bytes != nullptr;
}

// True when the file holds exactly these bytes.
bool HoldsBytes(const char* path, const void* bytes, DWORD size)
{
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER length;
    bool same = GetFileSizeEx(file, &length) && length.QuadPart == size;
    std::vector<char> read(same ? size : 0);
    DWORD got = 0;
    same = same && (size == 0 || (ReadFile(file, read.data(), size, &got, nullptr) && got == size &&
                                  std::memcmp(read.data(), bytes, size) == 0));
    CloseHandle(file);
    return same;
}

// Written whole under a passing name beside the path, read back, then moved into place: a
// short write leaves no truncated file that every later start would keep and trip over.
bool WriteChecked(const char* path, const void* bytes, DWORD size, DWORD moveFlags)
{
    char folder[PathSize], temporary[MAX_PATH];
    if (!CopyText(folder, path)) return false;
    if (char* lastBackslash = std::strrchr(folder, '\\')) *lastBackslash = '\0';
    if (!GetTempFileNameA(folder, "unr", 0, temporary)) return false;
    HANDLE file = CreateFileA(temporary, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    bool whole = file != INVALID_HANDLE_VALUE && WriteFile(file, bytes, size, &written, nullptr) && written == size;
    if (file != INVALID_HANDLE_VALUE) whole = CloseHandle(file) && whole;
    whole = whole && HoldsBytes(temporary, bytes, size);
    if (whole && MoveFileExA(temporary, path, moveFlags)) return true;
    DeleteFileA(temporary);
    return false;
}

// True when both files exist and hold the same bytes.
bool SameFileContents(const char* one, const char* other)
{
    HANDLE file = CreateFileA(one, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER length;
    std::vector<char> bytes;
    DWORD got = 0;
    bool read = GetFileSizeEx(file, &length) && length.QuadPart < 0x10000000;
    if (read) bytes.resize(static_cast<std::size_t>(length.QuadPart));
    read = read && (bytes.empty() || (ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) &&
                                      got == bytes.size()));
    CloseHandle(file);
    return read && HoldsBytes(other, bytes.data(), static_cast<DWORD>(bytes.size()));
}

}  // namespace

bool DeriveProgramPaths(const char* exePath, const char* windowsDir)
{
    char folder[PathSize];
    if (!CopyText(folder, exePath)) return false;
    if (char* lastBackslash = std::strrchr(folder, '\\')) *lastBackslash = '\0';

    Setup.UninstallerMode = SameFolder(folder, windowsDir);
    // The uninstaller copy lives in the Windows directory.
    return JoinText(Setup.UninstallerPath, windowsDir, UninstallerSuffix) &&
           JoinText(Setup.SetupDir, folder, "\\") && JoinText(Setup.PackagePath, Setup.SetupDir, PackageName);
}

void RefreshUninstallerCopy()
{
    if (SameFileContents(Setup.ExePath, Setup.UninstallerPath)) return;   // written only when missing or different
    // Copied under a passing name beside it and moved over the old copy only once whole: a copy
    // that fails leaves the Add/Remove entry's uninstaller as it was, not gone.
    char folder[PathSize], temporary[MAX_PATH];
    if (!CopyText(folder, Setup.UninstallerPath)) return;
    if (char* lastBackslash = std::strrchr(folder, '\\')) *lastBackslash = '\0';
    if (!GetTempFileNameA(folder, "unt", 0, temporary)) return;
    if (CopyFileA(Setup.ExePath, temporary, FALSE)) {
        SetFileAttributesA(Setup.UninstallerPath, FILE_ATTRIBUTE_NORMAL);   // a read-only old copy is still replaced
        if (MoveFileExA(temporary, Setup.UninstallerPath, MOVEFILE_REPLACE_EXISTING)) return;
    }
    DeleteFileA(temporary);
}

void WriteLibraryCopy(const char* path)
{
    const void* bytes;
    DWORD size;
    if (!CarriedLibrary(bytes, size)) return;
    // A library already installed, whatever its version, is never replaced; nor is one that
    // appears meanwhile (the move does not replace).
    if (GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES) return;
    WriteChecked(path, bytes, size, 0);
}

bool ChooseLibrary(const char* systemCopy, char (&chosen)[PathSize])
{
    const void* bytes;
    DWORD size;
    chosen[0] = '\0';
    if (!CarriedLibrary(bytes, size)) return false;
    WriteLibraryCopy(systemCopy);
    if (HoldsBytes(systemCopy, bytes, size)) return CopyText(chosen, systemCopy);
    // Another program's library stays where it is, for that program; this one runs its own,
    // from a folder of the user's that others cannot write into.
    char local[MAX_PATH], folder[PathSize], copy[PathSize];
    if (FAILED(SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, local)) ||
        !JoinText(folder, local, PrivateLibraryFolder) || !JoinText(copy, folder, LibrarySuffix))
        return false;
    CreateDirectoryA(folder, nullptr);   // there already, or the write below says it cannot be
    if (!HoldsBytes(copy, bytes, size) && !WriteChecked(copy, bytes, size, MOVEFILE_REPLACE_EXISTING)) return false;
    return CopyText(chosen, copy);
}

const Outcome& RecoveryAtStart() { return Recovered; }

bool StartUp(HINSTANCE instance)
{
    Setup.Instance = instance;
    for (const StartUpStep& step : StartUpSteps)
        if (!step.run()) return false;   // only the window can fail, and nothing after it happens
    return true;
}

void StartUpWithoutWindow(HINSTANCE instance)
{
    Setup.Instance = instance;
    for (const StartUpStep& step : StartUpSteps)
        if (!step.window) step.run();
}
