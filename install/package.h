// The UnRAR library's records as the program keeps them: one open request and one entry
// header for the whole run, of the library's own published types.
#ifndef MARVOLEN_PACKAGE_H
#define MARVOLEN_PACKAGE_H

#include <windows.h>
#include <dll.hpp>

inline constexpr int CommentBufferSize = 16384;

extern RAROpenArchiveData OpenRequest;
extern RARHeaderData EntryHeader;
extern char ArchiveComment[CommentBufferSize];

#endif
