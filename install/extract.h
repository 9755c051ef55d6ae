// Unpacking the package through the UnRAR library, with progress and a cancel point.
#ifndef MARVOLEN_EXTRACT_H
#define MARVOLEN_EXTRACT_H

#include <windows.h>
#include <dll.hpp>

inline constexpr int CommentBufferSize = 16384;

// The library's records as the program keeps them: one of each for the whole run.
extern RAROpenArchiveData OpenRequest;
extern RARHeaderData EntryHeader;

extern unsigned int BytesTotal;   // the measured unpacked size, for the progress steps
extern unsigned int BytesDone;    // unpacked bytes delivered in the running extraction

// Loads "unrar.dll" by name (the system's search finds the copy start-up wrote) unless it is
// loaded already; false when it or an entry point that a pass calls is missing.
bool LoadUnrar();
void UnloadUnrar();

// The sum of the package's unpacked sizes; 0 when it cannot be opened.
unsigned int MeasurePackage();

// Extracts every entry below InstallPath. Returns RunInstalled, RunAborted (a confirmed
// Cancel, or the window closed) or RunFailed (the package could not be opened or read, an
// entry could not be written, or less data came out than was measured).
int ExtractPackage();

// The library's data callback: counts the block and moves ProgressStep.
int PASCAL OnPackageData(unsigned char* block, int size);

// The step for the bytes done so far: 0 to 16 while within the measured total.
int ProgressStepFor(unsigned int done, unsigned int total);

#endif
