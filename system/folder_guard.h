// Which folders removal may take: the folder Windows would really use for a spelling, and
// whether that folder belongs to the system or the user rather than to the game.
#ifndef MARVOLEN_FOLDER_GUARD_H
#define MARVOLEN_FOLDER_GUARD_H

#include <string>

// The folder a spelling names, as the file system itself names it: full, forward and doubled
// separators made single backslashes, trailing dots and spaces of the last part dropped (as
// Windows does), and the deepest part that exists read back by handle, which resolves drive
// aliases, mapped shares, junctions, symbolic links and short 8.3 names; the part that does not
// exist yet follows as written, no trailing backslash. What is resolved is what is to be used.
// False for namespace and device forms (\\?\, \\.\, \??\, CON, NUL, ...), relative or
// drive-relative paths, "." and ".." parts, a part further up that ends in a dot or a space,
// characters no folder name may hold, administrative shares (C$, ADMIN$), a drive or share root,
// a folder that is itself a link, a path of which not even the root exists, and anything else
// that cannot be resolved.
bool ResolveFolder(const std::wstring& requested, std::wstring& resolved);

// True when the folder a spelling names exists and is itself a link (or another name) for a
// folder elsewhere.
bool IsLinkFolder(const std::wstring& requested);

// For a resolved folder: true unless it is, or contains, a folder of the system or the user
// (Windows, system, both Program Files and their Common Files, ProgramData, every profile of
// the machine, every known shell folder, the folders given to ProtectFolder), or lies inside
// the Windows directory or inside another user's profile.
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
