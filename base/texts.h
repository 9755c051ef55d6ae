// Every text the program shows or uses, loaded once at start-up into a buffer of its own.
#ifndef MARVOLEN_TEXTS_H
#define MARVOLEN_TEXTS_H

#include <windows.h>

#include "resources/resource_ids.h"

inline constexpr UINT LoadedTextIds[] = {
    IDS_WINDOW_TITLE, IDS_WINDOW_CLASS,
    IDS_INSTALL, IDS_UNINSTALL, IDS_REINSTALL, IDS_EXIT, IDS_WWW, IDS_PLAY, IDS_INITIALIZING,
    IDS_OK, IDS_CANCEL,
    IDS_BROWSE, IDS_BACK, IDS_CONTINUE, IDS_DESKTOP_ICON, IDS_AVAILABLE_SPACE, IDS_INSTALL_FOLDER,
    IDS_REGISTRATION, IDS_PLAY_NOW, IDS_VIEW_README, IDS_SETUP_MENU, IDS_INSTALLED_HEADING,
    IDS_INSTALLED_BODY, IDS_ASK_ABORT,
    IDS_BROWSE_TITLE, IDS_NO_SPACE, IDS_CREATING_ICONS, IDS_UPDATING_REGISTRY, IDS_ASK_UNINSTALL,
    IDS_REMOVING_FILES, IDS_REMOVING_REGISTRY, IDS_REMOVING_ICONS, IDS_UNINSTALLED,
    IDS_PREPARING,
    IDS_FAILED_HEADING, IDS_YES, IDS_NO, IDS_ABORTED_HEADING, IDS_RETRY_BODY,
    IDS_DIRECTX, IDS_SPACE_REQUIRED,
    IDS_GAME_SITE, IDS_MAKER_SITE, IDS_PUBLISHER_SITE, IDS_REGISTRATION_PAGE, IDS_VERSION, IDS_LANGUAGE,
    IDS_BAD_FOLDER, IDS_IN_USE, IDS_OTHERS_FILES, IDS_UNREACHABLE, IDS_NOT_RESTORED, IDS_NOT_REMOVED,
    IDS_ASK_OLDER_OVER_NEWER,
};
inline constexpr int LoadedTextCount = sizeof(LoadedTextIds) / sizeof(LoadedTextIds[0]);
inline constexpr int TextLimit = 255;   // LoadStringA's limit, NUL included

extern char TextBuffers[LoadedTextCount][TextLimit + 1];

constexpr int TextIndex(UINT id)
{
    for (int i = 0; i < LoadedTextCount; ++i)
        if (LoadedTextIds[i] == id) return i;
    return -1;
}

// The buffer of a loaded text. Constant, so button records can point at it before loading;
// an id that is not loaded fails to compile where it is used as a constant.
constexpr const char* Text(UINT id)
{
    return TextBuffers[TextIndex(id)];
}

void LoadTexts();

#endif
