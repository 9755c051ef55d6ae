// Folder names as Windows uses them: what a spelling resolves to, the forms the file calls take,
// and the one comparison of two folder names.
#ifndef MARVOLEN_FOLDER_PATH_H
#define MARVOLEN_FOLDER_PATH_H

#include <windows.h>

#include <cstddef>
#include <map>
#include <string>
#include <vector>

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

// The two steps of ResolveFolder, for folders the system names (which may be links): the full,
// trimmed, long spelling; and what the file system calls the deepest part of it that exists.
bool CanonicalFolder(const std::wstring& spelling, std::wstring& canonical);
bool FinalFolder(const std::wstring& canonical, std::wstring& final);

// Two folder or file names are the same name: Windows ignores letter case, character by character.
bool SameFolderName(const std::wstring& one, const std::wstring& other);

// Names in the order Windows compares them (ignoring letter case), for sets and maps of names.
struct NameOrder {
    bool operator()(const std::wstring& one, const std::wstring& other) const;
};
// Names below a folder ("\\a\\b.dat"), each with whether it is a folder.
using NameKinds = std::map<std::wstring, bool, NameOrder>;

// A name below a folder as the program writes one: "\\part\\part...", every part a plain file
// name (not empty, not "." or "..", no ":" nor any other character no name may hold, no device
// name, no trailing dot or space). Anything else could lead out of the folder or elsewhere in it.
bool IsPlainRelativeName(const std::wstring& relative);

// The attributes of an open entry, or INVALID_FILE_ATTRIBUTES. Cheaper than
// GetFileInformationByHandle, which also asks for the volume's serial number: under Wine a trip to
// the mount manager, most of the cost of a file's removal or move when asked for each.
DWORD AttributesOf(HANDLE handle);

// An open handle (opened with FILE_FLAG_OPEN_REPARSE_POINT) is of the entry that `path`
// (verbatim) names itself: no link, and no other name for something elsewhere. Some systems open
// a link's target even when asked for the link; the name the file system gives the handle tells.
bool IsNamedAt(HANDLE handle, const std::wstring& path);
// The file system names an open handle `path` (verbatim): for a handle opened without
// FILE_FLAG_OPEN_REPARSE_POINT, what a link names shows under its own name, so this alone tells
// a link from the entry itself.
bool OpenedAs(HANDLE handle, const std::wstring& path);
// The same, and a folder.
bool IsPlainFolderAt(HANDLE handle, const std::wstring& path);

// Two spellings name the same folder, as the file system names it (links followed).
bool SameFolder(const char* one, const char* other);

// `inner` lies strictly below `outer` (both resolved; `outer` may be a root with its backslash).
bool IsBelowFolder(const std::wstring& inner, const std::wstring& outer);

// Where the parts below the root begin: after "C:\" or after "\\server\share\"; 0 for a path of
// neither form.
std::size_t RootLength(const std::wstring& path);

// The same folder in the form that the wide file calls take without any further rewriting and
// at any length: \\?\C:\... or \\?\UNC\server\share\...
std::wstring VerbatimForm(const std::wstring& resolved);

// The inverse: a verbatim form as a player would write it.
std::wstring PlainForm(const std::wstring& verbatim);

// The entries of a folder (verbatim form) but "." and "..", read whole before anything in it changes.
std::vector<WIN32_FIND_DATAW> FolderEntries(const std::wstring& folder);

// An ANSI text in UTF-16, exactly; empty when it is not valid in the ANSI code page.
std::wstring WideFromAnsi(const char* text);

#endif
