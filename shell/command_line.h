// The command line: switches for unattended installs and uninstalls. Without any the program
// runs with its window as always.
#ifndef MARVOLEN_COMMAND_LINE_H
#define MARVOLEN_COMMAND_LINE_H

#include <string>

#include "base/texts.h"
#include "base/types.h"

struct Options {
    bool silent = false;         // /silent: no window, no prompt, no pause
    bool passive = false;        // /passive: the window with its progress, but no question and no click
    bool uninstall = false;      // /uninstall: with /silent, uninstall as the uninstaller copy does
    bool desktopIcon = false;    // /desktopicon
    bool allowDowngrade = false;   // /allowdowngrade: this version even over a newer one
    bool help = false;           // /?
    std::wstring dir;            // /dir=<folder>: the game's folder itself, taken as given
    std::wstring log;            // /log=<file>
    std::wstring lang;           // /lang=<code>: the language of the texts, whatever the system's
};

// The arguments of a whole command line (as GetCommandLineW gives it): what follows the
// program's name, quoted or not, and the blanks after it.
const wchar_t* ArgumentsOf(const wchar_t* commandLine);

// Reads the arguments, in UTF-16 as Windows holds them: no code page stands between the player's
// characters and the switches, so a look-alike stays what it is (a fullwidth quote is no quote).
// Switches start with "/" or "-", are case-insensitive, and take their value after "="; quotes
// group words as Windows users expect ("/dir=C:\My Games\Marvolen" or /dir="C:\My Games\Marvolen").
// The other installer families' spellings that package managers use are aliases; /D=<folder>, as
// those installers take it, is the rest of the line, blanks and all, and so comes last. False for
// an unknown switch, a value missing or longer than a path, a word that is no switch, or a quote
// left open.
bool ParseCommandLine(const wchar_t* arguments, Options& options);

// The usage that /? shows: the command lines, the switches and every exit code, in lines
// separated by line feeds, in UTF-8, in `language` (base/texts.h).
std::string UsageText(int language = SpokenLanguage());

#endif
