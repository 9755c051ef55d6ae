#include "install/package.h"

RAROpenArchiveData OpenRequest;
RARHeaderData EntryHeader;
char ArchiveComment[CommentBufferSize];
