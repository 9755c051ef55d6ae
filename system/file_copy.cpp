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
