#include "system/folder_path.h"

#include <windows.h>

#include <vector>

namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool StartsWith(const std::wstring& text, const wchar_t* prefix)
{
    return text.compare(0, wcslen(prefix), prefix) == 0;
}

std::wstring Upper(std::wstring text)
{
    if (!text.empty()) CharUpperBuffW(&text[0], static_cast<DWORD>(text.size()));
    return text;
}

std::wstring TrimTrailingDotsAndSpaces(std::wstring part)
{
    while (!part.empty() && (part.back() == L'.' || part.back() == L' ')) part.pop_back();
    return part;
}

// CON, PRN, AUX, NUL, COM1-9, LPT1-9 (also with superscript digits) and the console names are
// devices in every folder and with any extension.
bool IsDeviceName(const std::wstring& part)
{
    std::wstring base = Upper(part.substr(0, part.find(L'.')));
    while (!base.empty() && base.back() == L' ') base.pop_back();
    for (const wchar_t* device : {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$", L"CLOCK$"})
        if (base == device) return true;
    if (base.size() != 4 || (base.compare(0, 3, L"COM") != 0 && base.compare(0, 3, L"LPT") != 0)) return false;
    const wchar_t digit = base[3];
    return (digit >= L'1' && digit <= L'9') || digit == 0x00B9 || digit == 0x00B2 || digit == 0x00B3;
}

bool IsForbiddenCharacter(wchar_t c) { return c < 32 || wcschr(L"<>\"|?*:", c) != nullptr; }

// The parts after the root, split at backslashes; empty parts (doubled separators) dropped.
std::vector<std::wstring> SplitParts(const std::wstring& path, std::size_t from)
{
    std::vector<std::wstring> parts;
    std::size_t start = from;
    while (start <= path.size()) {
        std::size_t end = path.find(L'\\', start);
        if (end == std::wstring::npos) end = path.size();
        if (end > start) parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

// The long form of a folder, for as much of it as exists; the part that does not exist yet is
// kept as written.
std::wstring LongForm(const std::wstring& path, std::size_t rootLength)
{
    std::wstring head = path, tail;
    while (head.size() > rootLength) {
        const DWORD needed = GetLongPathNameW(head.c_str(), nullptr, 0);
        if (needed > 0) {
            std::wstring longHead(needed, L'\0');
            const DWORD length = GetLongPathNameW(head.c_str(), &longHead[0], needed);
            if (length > 0 && length < needed) {
                longHead.resize(length);
                return longHead + tail;
            }
        }
        const std::size_t cut = head.rfind(L'\\');
        if (cut == std::wstring::npos || cut < rootLength - 1) break;
        tail = head.substr(cut) + tail;
        head.resize(cut);
    }
    return path;
}

// A link or alias of its own: the file system names the folder otherwise than its parent and
// its own name in that parent say.
bool IsLinkItself(const std::wstring& canonical)
{
    const std::size_t root = RootLength(canonical);
    const std::size_t cut = canonical.rfind(L'\\');
    if (cut == std::wstring::npos || cut + 1 < root || canonical.size() <= root) return false;
    WIN32_FIND_DATAW entry;
    HANDLE found = FindFirstFileW(VerbatimForm(canonical).c_str(), &entry);
    if (found == INVALID_HANDLE_VALUE) return false;   // nothing there yet
    FindClose(found);
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) return true;
    std::wstring parent = canonical.substr(0, cut < root ? root : cut), parentFinal, selfFinal;
    if (!FinalFolder(parent + L"\\" + entry.cFileName, selfFinal) || !FinalFolder(parent, parentFinal)) return true;
    if (parentFinal.back() != L'\\') parentFinal += L'\\';
    return !SameFolderName(selfFinal, parentFinal + entry.cFileName);
}

}  // namespace

bool SameFolderName(const std::wstring& one, const std::wstring& other)
{
    // Windows compares file names without regard to letter case, character by character.
    return CompareStringOrdinal(one.c_str(), static_cast<int>(one.size()), other.c_str(), static_cast<int>(other.size()),
                                TRUE) == CSTR_EQUAL;
}

bool NameOrder::operator()(const std::wstring& one, const std::wstring& other) const
{
    return CompareStringOrdinal(one.c_str(), static_cast<int>(one.size()), other.c_str(), static_cast<int>(other.size()),
                                TRUE) == CSTR_LESS_THAN;
}

bool IsPlainRelativeName(const std::wstring& relative)
{
    if (relative.size() < 2 || relative.size() > 32000 || relative[0] != L'\\') return false;
    for (std::size_t start = 1;;) {
        std::size_t end = relative.find(L'\\', start);
        if (end == std::wstring::npos) end = relative.size();
        const std::wstring part = relative.substr(start, end - start);
        if (part.empty() || part == L"." || part == L".." || part.back() == L'.' || part.back() == L' ' ||
            IsDeviceName(part))
            return false;
        for (const wchar_t c : part)
            if (IsForbiddenCharacter(c) || c == L'/') return false;
        if (end == relative.size()) return true;
        start = end + 1;
    }
}

DWORD AttributesOf(HANDLE handle)
{
    FILE_BASIC_INFO basic;
    return GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof basic) ? basic.FileAttributes
                                                                                     : INVALID_FILE_ATTRIBUTES;
}

bool IsPlainFolderAt(HANDLE handle, const std::wstring& path)
{
    const DWORD attributes = AttributesOf(handle);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) && IsNamedAt(handle, path);
}

bool IsNamedAt(HANDLE handle, const std::wstring& path)
{
    const DWORD attributes = AttributesOf(handle);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT) && OpenedAs(handle, path);
}

bool OpenedAs(HANDLE handle, const std::wstring& path)
{
    std::wstring expected = PlainForm(path);
    if (expected.size() > RootLength(expected) && expected.back() == L'\\') expected.pop_back();
    std::vector<wchar_t> name(path.size() + MAX_PATH);
    const DWORD length = GetFinalPathNameByHandleW(handle, name.data(), static_cast<DWORD>(name.size()),
                                                   FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length > 0 && length < name.size()) {
        std::wstring opened = PlainForm(std::wstring(name.data(), length));
        if (opened.size() > RootLength(opened) && opened.back() == L'\\') opened.pop_back();
        return SameFolderName(opened, expected);
    }
    // Some systems give no full name past MAX_PATH: the name within the volume tells as much.
    std::vector<unsigned char> buffer(sizeof(FILE_NAME_INFO) + (path.size() + MAX_PATH) * sizeof(wchar_t));
    if (!GetFileInformationByHandleEx(handle, FileNameInfo, buffer.data(), static_cast<DWORD>(buffer.size()))) return false;
    const auto* within = reinterpret_cast<const FILE_NAME_INFO*>(buffer.data());
    const std::wstring opened(within->FileName, within->FileNameLength / sizeof(wchar_t));
    // "C:\\a\\b" is "\\a\\b" within its volume; "\\\\server\\share\\a" is "\\server\\share\\a".
    const std::size_t volume = RootLength(expected) == 3 ? 2 : 1;
    return expected.size() > volume && SameFolderName(opened, expected.substr(volume));
}

bool SameFolder(const char* one, const char* other)
{
    std::wstring first, second, firstFinal, secondFinal;
    return CanonicalFolder(WideFromAnsi(one), first) && FinalFolder(first, firstFinal) &&
           CanonicalFolder(WideFromAnsi(other), second) && FinalFolder(second, secondFinal) &&
           SameFolderName(firstFinal, secondFinal);
}

bool IsBelowFolder(const std::wstring& inner, const std::wstring& outer)
{
    if (!outer.empty() && outer.back() == L'\\')   // a root
        return inner.size() > outer.size() && SameFolderName(inner.substr(0, outer.size()), outer);
    return inner.size() > outer.size() + 1 && inner[outer.size()] == L'\\' &&
           SameFolderName(inner.substr(0, outer.size()), outer);
}

std::size_t RootLength(const std::wstring& path)
{
    if (path.size() >= 3 && iswalpha(path[0]) && path[1] == L':' && path[2] == L'\\') return 3;
    if (path.size() < 5 || path[0] != L'\\' || path[1] != L'\\' || path[2] == L'\\') return 0;
    const std::size_t share = path.find(L'\\', 2);
    if (share == std::wstring::npos || share + 1 >= path.size() || path[share + 1] == L'\\') return 0;
    const std::size_t below = path.find(L'\\', share + 1);
    return below == std::wstring::npos ? path.size() : below + 1;
}

// Full path, single separators, no trailing dots or spaces in any part, long form. Used both for
// the folder asked for and for the protected ones.
bool CanonicalFolder(const std::wstring& spelling, std::wstring& canonical)
{
    std::wstring path = spelling;
    for (wchar_t& c : path)
        if (c == L'/') c = L'\\';
    const DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0) return false;
    std::wstring full(needed, L'\0');
    const DWORD length = GetFullPathNameW(path.c_str(), needed, &full[0], nullptr);
    if (length == 0 || length >= needed) return false;
    full.resize(length);
    if (StartsWith(full, L"\\\\?\\") || StartsWith(full, L"\\\\.\\")) return false;   // a device after all
    const std::size_t root = RootLength(full);
    if (root == 0) return false;

    std::wstring rebuilt = full.substr(0, root);
    if (rebuilt.back() != L'\\') rebuilt += L'\\';   // a share root written without its backslash
    // Administrative and hidden shares (C$, ADMIN$) are other names for local system folders.
    if (StartsWith(rebuilt, L"\\\\") && rebuilt.size() > 2 && rebuilt[rebuilt.size() - 2] == L'$') return false;
    const std::vector<std::wstring> parts = SplitParts(full, root);
    if (parts.empty()) return false;   // nothing below the root
    for (std::size_t i = 0; i < parts.size(); ++i) {
        // Windows drops trailing dots and spaces from the last part only; a folder further up
        // whose name ends in one is a different folder than the trimmed name, and no game's.
        const std::wstring trimmed = TrimTrailingDotsAndSpaces(parts[i]);
        if (trimmed.empty() || (i + 1 < parts.size() && trimmed != parts[i])) return false;
        rebuilt += (i == 0 ? L"" : L"\\") + trimmed;
    }
    canonical = LongForm(rebuilt, RootLength(rebuilt));
    return true;
}

// The folder as the file system itself names it: the deepest part of the path that exists,
// opened and read back by handle, with the rest kept as written. That sees through drive
// aliases, mapped and administrative shares, junctions and symbolic links. False when no part
// of it exists, not even its root.
bool FinalFolder(const std::wstring& canonical, std::wstring& final)
{
    const std::size_t root = RootLength(canonical);
    std::wstring head = canonical, tail;
    for (;;) {
        std::wstring opened = VerbatimForm(head);
        if (head.size() <= root && opened.back() != L'\\') opened += L'\\';
        HANDLE handle = CreateFileW(opened.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            wchar_t name[MAX_PATH * 4];
            const DWORD length = GetFinalPathNameByHandleW(handle, name, MAX_PATH * 4, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
            CloseHandle(handle);
            if (length == 0 || length >= MAX_PATH * 4) return false;
            std::wstring read(name, length);
            if (StartsWith(read, L"\\\\?\\UNC\\")) read = L"\\" + read.substr(7);
            else if (StartsWith(read, L"\\\\?\\")) read = read.substr(4);
            if (RootLength(read) == 0) return false;
            if (read.size() > RootLength(read) && read.back() == L'\\') read.pop_back();
            if (read.back() == L'\\' && !tail.empty()) tail.erase(0, 1);
            final = read + tail;
            return true;
        }
        const DWORD error = GetLastError();
        if ((error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) || head.size() <= root) return false;
        const std::size_t cut = head.rfind(L'\\');
        if (cut == std::wstring::npos || cut + 1 < root) return false;
        tail = head.substr(cut) + tail;
        head.resize(cut < root ? root : cut);
    }
}

std::wstring WideFromAnsi(const char* text)
{
    const int needed = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text, -1, nullptr, 0);
    if (needed <= 0) return std::wstring();
    std::wstring wide(static_cast<std::size_t>(needed), L'\0');
    if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text, -1, &wide[0], needed) != needed) return std::wstring();
    wide.resize(static_cast<std::size_t>(needed) - 1);
    return wide;
}

std::wstring VerbatimForm(const std::wstring& resolved)
{
    if (StartsWith(resolved, L"\\\\")) return L"\\\\?\\UNC\\" + resolved.substr(2);
    return L"\\\\?\\" + resolved;
}

bool ResolveFolder(const std::wstring& requested, std::wstring& resolved)
{
    std::wstring path = requested;
    for (wchar_t& c : path)
        if (c == L'/') c = L'\\';
    // Namespace forms skip every rule Windows applies to ordinary paths: never taken at their word.
    if (StartsWith(path, L"\\\\?\\") || StartsWith(path, L"\\\\.\\") || StartsWith(path, L"\\??\\")) return false;
    const bool drive = path.size() >= 3 && iswalpha(path[0]) && path[1] == L':' && IsSeparator(path[2]);
    const bool share = path.size() >= 3 && path[0] == L'\\' && path[1] == L'\\';
    if (!drive && !share) return false;   // relative, drive-relative or rooted on the current drive
    for (std::size_t i = drive ? 2 : 0; i < path.size(); ++i)
        if (IsForbiddenCharacter(path[i])) return false;
    for (const std::wstring& part : SplitParts(path, drive ? 3 : 2)) {
        if (part == L"." || part == L".." || IsDeviceName(part)) return false;
        if (TrimTrailingDotsAndSpaces(part).empty()) return false;
    }
    std::wstring canonical;
    // A folder that is itself a link is not the game's to install into or to take away.
    return CanonicalFolder(path, canonical) && !IsLinkItself(canonical) && FinalFolder(canonical, resolved);
}

bool IsLinkFolder(const std::wstring& requested)
{
    std::wstring canonical;
    return CanonicalFolder(requested, canonical) && IsLinkItself(canonical);
}

std::wstring PlainForm(const std::wstring& verbatim)
{
    if (StartsWith(verbatim, L"\\\\?\\UNC\\")) return L"\\\\" + verbatim.substr(8);
    if (StartsWith(verbatim, L"\\\\?\\")) return verbatim.substr(4);
    return verbatim;
}

std::vector<WIN32_FIND_DATAW> FolderEntries(const std::wstring& folder)
{
    std::vector<WIN32_FIND_DATAW> entries;
    WIN32_FIND_DATAW entry;
    HANDLE listing = FindFirstFileW((folder + L"\\*").c_str(), &entry);
    if (listing == INVALID_HANDLE_VALUE) return entries;
    do
        if (std::wcscmp(entry.cFileName, L".") != 0 && std::wcscmp(entry.cFileName, L"..") != 0) entries.push_back(entry);
    while (FindNextFileW(listing, &entry));
    FindClose(listing);
    return entries;
}
