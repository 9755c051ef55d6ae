// The one question put to the disk about free space, alone in its file: the tests and the screen
// renderer link their own answer in its place (a figure of their choosing), and everything that
// decides on free space is tested on the program's own code.
#ifndef MARVOLEN_DISK_SPACE_H
#define MARVOLEN_DISK_SPACE_H

#include <cstdint>

// Bytes the current user may still use on the drive or share whose root this is ("C:\",
// "\\server\share\"), which honours a disk quota; false when that cannot be learnt.
bool DiskFreeBytes(const wchar_t* root, std::uint64_t& bytes);

#endif
