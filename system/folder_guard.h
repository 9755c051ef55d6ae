// Which folders removal may take: the folder Windows would really use for a spelling, and
// whether that folder belongs to the system or the user rather than to the game.
#ifndef MARVOLEN_FOLDER_GUARD_H
#define MARVOLEN_FOLDER_GUARD_H

#include <string>

// The folder a spelling names, as Windows resolves it when the path is used: full, forward and
// doubled separators made single backslashes, trailing dots and spaces of every part dropped,
// short 8.3 parts of existing folders in their long form, no trailing backslash. False for
// namespace and device forms (\\?\, \\.\, \??\, CON, NUL, ...), relative or drive-relative
// paths, "." and ".." parts, characters no folder name may hold, a drive or share root, and
// anything else that cannot be resolved.
bool ResolveFolder(const std::wstring& requested, std::wstring& resolved);

// For a resolved folder: true unless it is, or contains, a folder of the system or the user
// (Windows, system, both Program Files and their Common Files, ProgramData, the profiles, every
// known shell folder, the folders given to ProtectFolder), or lies inside the Windows directory.
// Compares both the resolved texts and the identities of the folders on disk, so a link or an
// alias of a protected folder is refused too.
bool IsRemovableResolved(const std::wstring& resolved);

// Adds a folder of the program's own to the protected ones: the folder the setup runs from.
void ProtectFolder(const char* folder);

// The same folder in the form that the wide file calls take without any further rewriting and
// at any length: \\?\C:\... or \\?\UNC\server\share\...
std::wstring VerbatimForm(const std::wstring& resolved);

// An ANSI text in UTF-16, exactly; empty when it is not valid in the ANSI code page.
std::wstring WideFromAnsi(const char* text);

#endif
