// The game's Start-menu folder with its links, and the optional desktop link.
#ifndef MARVOLEN_SHORTCUTS_H
#define MARVOLEN_SHORTCUTS_H

#include <windows.h>

#include <string>

#include "base/outcome.h"

// Writes one shell link, in UTF-16 as the folders are named; the result is the COM status. A link
// file's name as long as a path or longer is not written.
HRESULT CreateShellLink(const std::wstring& target, const std::wstring& linkFile, const std::wstring& workingDir);

// The Win32 error a COM status stands for: its code for a Win32 one, else the status itself.
DWORD ErrorFromResult(HRESULT result);

// The desktop link first when wanted, then the program group's seven links in their order.
// Every link that can be is written; the result names the first that could not be (Failed).
Outcome CreateShortcuts(const std::wstring& installPath, int desktopIconWanted, const char* uninstallerPath,
                        const char* gameSite, const char* makerSite, const char* publisherSite);

// The program group with every file in it, and the desktop link; both are tried. Done when
// nothing of them is left (one that was not there is no failure); else the first that stayed.
Outcome RemoveShortcuts();

#endif
