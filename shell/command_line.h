// The command line: switches for unattended installs and uninstalls. Without any the program
// runs with its window as always.
#ifndef MARVOLEN_COMMAND_LINE_H
#define MARVOLEN_COMMAND_LINE_H

#include <string>

#include "base/types.h"

struct Options {
    bool silent = false;         // /silent: no window, no prompt, no pause
    bool passive = false;        // /passive: the window with its progress, but no question and no click
    bool uninstall = false;      // /uninstall: with /silent, uninstall as the uninstaller copy does
    bool desktopIcon = false;    // /desktopicon
    bool help = false;           // /?
    char dir[PathSize] = "";     // /dir=<folder>: the game's folder itself, taken as given
    char log[PathSize] = "";     // /log=<file>
};

// Reads the arguments (the command line without the program's name). Switches start with "/"
// or "-", are case-insensitive, and take their value after "="; quotes group words as Windows
// users expect ("/dir=C:\My Games\Marvolen" or /dir="C:\My Games\Marvolen"). The other
// installer families' spellings that package managers use are aliases; /D=<folder>, as those
// installers take it, is the rest of the line, blanks and all, and so comes last. False for an
// unknown switch, a value missing or too long, a word that is no switch, or a quote
// left open.
bool ParseCommandLine(const char* arguments, Options& options);

// The usage that /? shows: the command lines, the switches and every exit code, in lines
// separated by line feeds.
std::string UsageText();

#endif
