#include "system/disk_space.h"

#include <windows.h>

bool DiskFreeBytes(const wchar_t* root, std::uint64_t& bytes)
{
    ULARGE_INTEGER available, total;
    if (!GetDiskFreeSpaceExW(root, &available, &total, nullptr)) return false;
    bytes = available.QuadPart;
    return true;
}
