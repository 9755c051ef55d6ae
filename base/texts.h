// Every text the program shows or uses, in the language it speaks, loaded once at start-up into
// a buffer of its own, in UTF-8: every language's letters whatever the system's code page.
#ifndef MARVOLEN_TEXTS_H
#define MARVOLEN_TEXTS_H

#include <windows.h>

#include <string>

#include "resources/resource_ids.h"

// The languages the program speaks, each a string table of its own (resources/lang/), English
// first: the one every other falls back to for a text it does not have (names, addresses).
// A language written right to left would need its layout mirrored as well as its table.
struct Language {
    const wchar_t* code;   // as /lang= takes it
    WORD primary, sub;     // the string table's language
};
inline constexpr Language Languages[] = {
    {L"en", LANG_ENGLISH, SUBLANG_ENGLISH_US}, {L"de", LANG_GERMAN, SUBLANG_GERMAN},
    {L"fr", LANG_FRENCH, SUBLANG_FRENCH},      {L"es", LANG_SPANISH, SUBLANG_SPANISH_MODERN},
    {L"it", LANG_ITALIAN, SUBLANG_ITALIAN},    {L"pl", LANG_POLISH, SUBLANG_DEFAULT},
    {L"ru", LANG_RUSSIAN, SUBLANG_DEFAULT},
};
inline constexpr int LanguageCount = sizeof(Languages) / sizeof(Languages[0]);
constexpr int English = 0;

// The language for the user's interface language: the same language and country, else the same
// language, else English.
int LanguageForInterface(LANGID interfaceLanguage);
// By its code ("de", any case); -1 for none of ours.
int LanguageOfCode(const std::wstring& code);
// By its name in its own form, as the install record keeps it ("Deutsch"); -1 for none of ours.
int LanguageNamed(const std::wstring& name);
// One text as `language`'s own table has it; false where it has none.
bool TextIn(int language, UINT id, std::wstring& text);

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
    IDS_USAGE_SILENT, IDS_USAGE_PASSIVE, IDS_USAGE_DIR, IDS_USAGE_DESKTOPICON, IDS_USAGE_ALLOWDOWNGRADE, IDS_USAGE_LOG,
    IDS_USAGE_LANG, IDS_EXIT_CODES, IDS_EXIT_DONE, IDS_EXIT_FAILED, IDS_EXIT_NO_SPACE, IDS_EXIT_BAD_SWITCH,
    IDS_EXIT_NOTHING, IDS_EXIT_RUNNING, IDS_EXIT_IN_USE, IDS_EXIT_CANCELLED, IDS_EXIT_NEWER, IDS_MEGABYTES,
};
inline constexpr int LoadedTextCount = sizeof(LoadedTextIds) / sizeof(LoadedTextIds[0]);
inline constexpr int TextLimit = 1023;   // bytes of UTF-8, NUL included: 340 letters of any script

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

// Every text in `language` (where it has the text, else in English), which the program speaks from
// then on; without one, in the language it speaks already (English at first).
void LoadTexts(int language = -1);
int SpokenLanguage();

// UTF-8 and UTF-16, for the system's wide calls: a text, a loaded text.
std::wstring WideFromUtf8(const char* text);
std::string Utf8FromWide(const std::wstring& text);
inline std::wstring WideText(UINT id) { return WideFromUtf8(Text(id)); }

#endif
