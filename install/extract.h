// Unpacking the package through the UnRAR library, with progress and a cancel point.
#ifndef MARVOLEN_EXTRACT_H
#define MARVOLEN_EXTRACT_H

#include <windows.h>
#include <cstdint>
#include <string>
#include <dll.hpp>

// Sizes in 64 bits: a game's package passes 4 GiB.
extern std::uint64_t BytesTotal;   // the measured total the progress steps are taken from, set by the run
extern std::uint64_t BytesDone;    // data delivered in the running extraction
extern bool ExtractionBegan;       // the running or last extraction wrote (or tried to write) an entry
extern unsigned EntriesExtracted;  // entries the running or last extraction wrote

// What the passes report to the run that started them and ask of it. The run supplies these;
// this floor knows nothing of windows.
struct ExtractionHooks {
    void (*extracting)();         // the extracting pass has opened the package, or failed to: Cancel goes live
    void (*progress)(int step);   // -1 before and after the extracting loop, 0 to 16 as data comes
    void (*keepAlive)();          // now and then, between entries and inside them
    bool (*stopNow)();            // asked between entries and inside them: a confirmed Cancel or close
};

// Loads the library file named by UseLibraryFile (without one, "unrar.dll" of the system
// directory), by its full path, unless it is loaded already; false when it or an entry point
// that a pass calls is missing.
bool LoadUnrar();
void UnloadUnrar();

// The library file to load from now on, a full path (empty: none); start-up names the
// program's own copy.
void UseLibraryFile(const char* path);

// The data an entry delivers through the data callback when it is extracted: its unpacked size,
// except for folders and for redirections (links, and references to a file already written,
// which the library copies without delivering the data again), which deliver none.
std::uint64_t DeliveredSize(const RARHeaderDataEx& entry);

// The sum of DeliveredSize over the package's entries; 0 when it cannot be opened.
std::uint64_t MeasurePackage(const char* package, const ExtractionHooks& hooks);

// Extracts every entry below destination, handed to the library as UTF-16 so that the folder is
// exactly the one named. Returns RunInstalled, RunAborted (hooks.stopNow said so) or RunFailed
// (the package could not be opened or read to its end, an entry could not be written, or an
// entry delivered less data than it claims).
int ExtractPackage(const char* package, const char* destination, const ExtractionHooks& hooks);
int ExtractPackageW(const char* package, std::wstring destination, const ExtractionHooks& hooks);

// The package file ends with its end-of-archive header, whole and naming no next volume: a
// package cut between two entries does not.
bool PackageEndsWhole(const char* package);

// The library's data callback: counts the block and reports a new step; stops the library once
// hooks.stopNow() says so. It reports to the hooks
// of the running pass, or to those given here.
int PASCAL OnPackageData(unsigned char* block, int size);
void ReportTo(const ExtractionHooks& hooks);

// The step for the data done so far: 0 to 16 while within the measured total.
int ProgressStepFor(std::uint64_t done, std::uint64_t total);

#endif
