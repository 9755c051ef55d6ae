// Unpacking the package through the UnRAR library, with progress and a cancel point.
#ifndef MARVOLEN_EXTRACT_H
#define MARVOLEN_EXTRACT_H

#include <windows.h>
#include <cstdint>
#include <dll.hpp>

// Sizes in 64 bits: a game's package passes 4 GiB.
extern std::uint64_t BytesTotal;   // the data the package's entries deliver, for the progress steps
extern std::uint64_t BytesDone;    // data delivered in the running extraction
extern bool ExtractionBegan;       // the running or last extraction wrote (or tried to write) an entry

// Loads "unrar.dll" by name (the system's search finds the copy start-up wrote) unless it is
// loaded already; false when it or an entry point that a pass calls is missing.
bool LoadUnrar();
void UnloadUnrar();

// The data an entry delivers through the data callback when it is extracted: its unpacked size,
// except for folders and for redirections (links, and references to a file already written,
// which the library copies without delivering the data again), which deliver none.
std::uint64_t DeliveredSize(const RARHeaderDataEx& entry);

// The sum of DeliveredSize over the package's entries; 0 when it cannot be opened.
std::uint64_t MeasurePackage();

// Extracts every entry below InstallPath, handed to the library as UTF-16 so that the folder is
// exactly the one named. Returns RunInstalled, RunAborted (a confirmed Cancel or close, the
// window gone, or the session ending) or RunFailed (the package could not be opened or read to
// its end, an entry could not be written, or an entry delivered less data than it claims).
int ExtractPackage();

// The library's data callback: counts the block and moves ProgressStep.
int PASCAL OnPackageData(unsigned char* block, int size);

// The step for the data done so far: 0 to 16 while within the measured total.
int ProgressStepFor(std::uint64_t done, std::uint64_t total);

#endif
