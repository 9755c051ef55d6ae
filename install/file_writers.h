// Files created, written and closed on threads of their own while the extracting thread goes on
// unpacking: under Wine, and on Windows where a scanner reads each file as it is closed, a file's
// creation and close cost more than unpacking its data.
#ifndef MARVOLEN_FILE_WRITERS_H
#define MARVOLEN_FILE_WRITERS_H

#include <windows.h>

#include <cstddef>
#include <string>

#include "base/outcome.h"

// At most this much data waits for the writers at any time; a larger file streams through.
constexpr std::size_t WritersHoldLimit = 32u << 20;

// The extracting thread hands each file over in order: Begin, its data in any number of Add
// calls, End. A file is created only where none is (its folder must exist), gets its times and
// attributes once whole, and is deleted again when it is not whole or cannot be written. Add waits
// while the writers hold their limit, calling `whileWaiting` every 10 ms meanwhile.
class FileWriters {
public:
    explicit FileWriters(void (*whileWaiting)());
    ~FileWriters();
    FileWriters(const FileWriters&) = delete;
    FileWriters& operator=(const FileWriters&) = delete;

    // False when not every thread could be made; then none writes, and the object is not used.
    bool Start(int threads);
    void Begin(const std::wstring& verbatimPath, const FILE_BASIC_INFO& basic);
    void Add(const unsigned char* data, std::size_t size);
    void End(bool whole);
    // A file could not be created or written: the extraction stops; Finish tells which.
    bool Failed() const;
    // Waits until every file handed over is written or deleted: Done, or the first that failed
    // with the system's reason and its path.
    Outcome Finish();
    // The most data that waited for the writers at any one time.
    std::size_t MostHeld() const;

    struct Shared;

private:
    Shared* shared;
};

#endif
