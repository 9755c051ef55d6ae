// The game's Start-menu folder with its links, and the optional desktop link.
#ifndef MARVOLEN_SHORTCUTS_H
#define MARVOLEN_SHORTCUTS_H

#include <windows.h>

// Writes one shell link; the result is the COM status. A link path too long for the
// conversion buffer is not written.
HRESULT CreateShellLink(const char* target, const char* linkFile, const char* description, const char* workingDir);

// The desktop link first when wanted, then the program group's seven links in their order.
void CreateShortcuts(const char* installPath, int desktopIconWanted, const char* uninstallerPath,
                     const char* gameSite, const char* makerSite, const char* publisherSite);

// The program group with every file in it, and the desktop link.
int RemoveShortcuts();

#endif
