#include "system/file_copy.h"

#include <cstring>

std::string FolderOf(const char* path)
{
    const char* last = std::strrchr(path, '\\');
    return last ? std::string(path, last) : std::string();
}

bool ReadWhole(const char* path, std::vector<char>& bytes)
{
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER length;
    DWORD got = 0;
    bool read = GetFileSizeEx(file, &length) && length.QuadPart < 0x10000000;
    if (read) bytes.resize(static_cast<std::size_t>(length.QuadPart));
    read = read && (bytes.empty() || (ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) &&
                                      got == bytes.size()));
    CloseHandle(file);
    return read;
}

bool HoldsBytes(const char* path, const void* bytes, DWORD size)
{
    std::vector<char> held;
    return ReadWhole(path, held) && held.size() == size && (size == 0 || std::memcmp(held.data(), bytes, size) == 0);
}

bool SameContents(const char* one, const char* other)
{
    // Read side by side in pieces: the program is some 20 MB, and two whole copies in memory cost
    // more than the reading.
    HANDLE files[2];
    files[0] = CreateFileA(one, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    files[1] = CreateFileA(other, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    LARGE_INTEGER sizes[2] = {};
    bool same = files[0] != INVALID_HANDLE_VALUE && files[1] != INVALID_HANDLE_VALUE && GetFileSizeEx(files[0], &sizes[0]) &&
                GetFileSizeEx(files[1], &sizes[1]) && sizes[0].QuadPart == sizes[1].QuadPart;
    std::vector<char> pieces[2] = {std::vector<char>(1 << 20), std::vector<char>(1 << 20)};
    for (LONGLONG left = same ? sizes[0].QuadPart : 0; same && left > 0;) {
        DWORD got[2] = {};
        const DWORD wanted = static_cast<DWORD>(left < (1 << 20) ? left : (1 << 20));
        same = ReadFile(files[0], pieces[0].data(), wanted, &got[0], nullptr) && got[0] == wanted &&
               ReadFile(files[1], pieces[1].data(), wanted, &got[1], nullptr) && got[1] == wanted &&
               std::memcmp(pieces[0].data(), pieces[1].data(), wanted) == 0;
        left -= wanted;
    }
    for (HANDLE file : files)
        if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    return same;
}

bool PlaceWhole(const char* path, const void* bytes, DWORD size, bool replace)
{
    char temporary[MAX_PATH];
    if (!GetTempFileNameA(FolderOf(path).c_str(), "mvs", 0, temporary)) return false;
    HANDLE file = CreateFileA(temporary, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    bool whole = file != INVALID_HANDLE_VALUE && WriteFile(file, bytes, size, &written, nullptr) && written == size;
    if (file != INVALID_HANDLE_VALUE) whole = CloseHandle(file) && whole;
    whole = whole && HoldsBytes(temporary, bytes, size);
    if (whole && replace) SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);   // a read-only old copy is still replaced
    if (whole && MoveFileExA(temporary, path, replace ? MOVEFILE_REPLACE_EXISTING : 0)) return true;
    DeleteFileA(temporary);
    return false;
}
