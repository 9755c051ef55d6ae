// Unpacking the package through the UnRAR library, with progress and a cancel point.
#ifndef MARVOLEN_EXTRACT_H
#define MARVOLEN_EXTRACT_H

#include <windows.h>
#include <cstdint>
#include <string>
#include <dll.hpp>

#include "base/outcome.h"
#include "base/types.h"
#include "system/folder_path.h"

// What the passes report to the run that started them and ask of it. The run supplies these;
// this floor knows nothing of windows. Every hook is called on the thread that started the pass:
// the extracting pass runs the library on a thread of its own and passes its news on.
struct ExtractionHooks {
    void (*extracting)();         // the extracting pass has opened the package, or failed to: Cancel goes live
    void (*progress)(int step);   // -1 before and after the extracting loop, 0 to 16 as data comes
    void (*keepAlive)();          // between entries, and after each wait for news: the hook decides how often to act
    bool (*stopNow)();            // a confirmed Cancel or close; the library stops within a block of data
    // While the extracting pass runs: waits until `news` is set, the time passes or the face has
    // business of its own (a message for the window), which keepAlive then sees to. None: the
    // pass waits on `news` alone.
    void (*waitForNews)(DWORD milliseconds, HANDLE news);
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

// What the measuring pass found: the sum of DeliveredSize over the package's entries, and every
// name the package places below the folder ("\\a\\b.dat", the folders above its files too) with
// whether it is a folder. Failed, with the reason and the package's or library's path, when the
// library or the package cannot be opened or listed.
struct PackageListing {
    Outcome outcome;
    std::uint64_t size = 0;
    NameKinds names;
    // Every entry a file or a folder under a plain name, no name clashing with another, and enough
    // files to pay for threads: the program writes the files itself, checking each entry again.
    bool plain = false;
};
PackageListing ListPackage(const char* package, const ExtractionHooks& hooks);

// What an extracting pass did. Sizes in 64 bits: a game's package passes 4 GiB.
struct Extraction {
    // Done; Cancelled (hooks.stopNow said so); or Failed: the package could not be opened or read
    // to its end, an entry could not be written (its path), or one delivered less data than it
    // claims. The library's reason is told as the system's error closest to it.
    Outcome outcome;
    bool began = false;         // an entry was written, or tried: the destination may hold something of it
    unsigned entries = 0;       // entries written whole
    std::uint64_t bytes = 0;    // data delivered
};

// Extracts every entry below destination, handed to the library as UTF-16 so that the folder is
// exactly the one named. `measured` is what ListPackage found: its size, which the progress steps
// divide, and whether the program may write the files itself.
Extraction ExtractPackage(const char* package, std::wstring destination, const PackageListing& measured,
                          const ExtractionHooks& hooks);

// The package file ends with its end-of-archive header, whole and naming no next volume: a
// package cut between two entries does not.
bool PackageEndsWhole(const char* package);

// The library's data callback: counts the block and reports a new step; stops the library once
// hooks.stopNow() says so. It reports to the running pass, or to one begun here (for tests).
int PASCAL OnPackageData(unsigned char* block, int size);
void ReportTo(const ExtractionHooks& hooks, std::uint64_t total);

// The step for the data done so far: 0 to 16 while within the measured total.
int ProgressStepFor(std::uint64_t done, std::uint64_t total);

#endif
