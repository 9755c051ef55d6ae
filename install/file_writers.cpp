#include "install/file_writers.h"

#include <atomic>
#include <deque>
#include <vector>

namespace {

// Data travels in pieces of up to this much: a small file is one piece, its end included.
constexpr std::size_t PieceSize = 1u << 20;
constexpr int MostThreads = 4;

// One file, from its first piece to its last; owned by the writer of its lane.
struct PendingFile {
    std::wstring path;
    FILE_BASIC_INFO basic;
    HANDLE handle = INVALID_HANDLE_VALUE;
    bool failed = false;
};

struct Piece {
    PendingFile* file = nullptr;
    std::vector<unsigned char> data;
    bool end = false;     // the file's last piece
    bool whole = false;   // with `end`: every byte of it came, and its check passed
};

Piece PieceOf(PendingFile* file)
{
    Piece piece;
    piece.file = file;
    return piece;
}

}  // namespace

struct FileWriters::Shared {
    void (*whileWaiting)();
    SRWLOCK lock = SRWLOCK_INIT;
    CONDITION_VARIABLE work = CONDITION_VARIABLE_INIT;      // a piece queued, or the end
    CONDITION_VARIABLE drained = CONDITION_VARIABLE_INIT;   // a piece written
    // Each file goes to one lane, so that its pieces are written in order by one thread.
    std::deque<Piece> lanes[MostThreads];
    HANDLE threads[MostThreads] = {};
    int threadCount = 0;
    int nextLane = 0;
    std::size_t held = 0;   // bytes queued and not yet written
    std::size_t mostHeld = 0;
    bool closing = false;
    std::atomic<bool> failed{false};
    Outcome failure = Succeeded();
    // The file being handed over, and its piece not yet queued.
    PendingFile* current = nullptr;
    int currentLane = 0;
    Piece piece;

    void Fail(PendingFile& file, DWORD error)
    {
        file.failed = true;
        AcquireSRWLockExclusive(&lock);
        if (!failed) failure = FailedWith(Happened::Failed, error, file.path);
        failed = true;
        ReleaseSRWLockExclusive(&lock);
    }

    void Queue(Piece&& queued)
    {
        const std::size_t size = queued.data.size();
        AcquireSRWLockExclusive(&lock);
        // A file larger than the limit streams through it: it waits only while others hold data.
        while (held > 0 && held + size > WritersHoldLimit && !failed) {
            SleepConditionVariableSRW(&drained, &lock, 10, 0);
            ReleaseSRWLockExclusive(&lock);
            whileWaiting();
            AcquireSRWLockExclusive(&lock);
        }
        held += size;
        if (held > mostHeld) mostHeld = held;
        lanes[currentLane].push_back(std::move(queued));
        ReleaseSRWLockExclusive(&lock);
        WakeAllConditionVariable(&work);
    }

    void Write(Piece& written)
    {
        PendingFile& file = *written.file;
        if (failed) file.failed = true;   // once one file fails, nothing more is written
        if (!file.failed && file.handle == INVALID_HANDLE_VALUE) {
            file.handle = CreateFileW(file.path.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
            if (file.handle == INVALID_HANDLE_VALUE) Fail(file, GetLastError());
        }
        for (std::size_t at = 0; !file.failed && at < written.data.size();) {
            DWORD wrote = 0;
            const DWORD size = static_cast<DWORD>(written.data.size() - at);
            if (!WriteFile(file.handle, written.data.data() + at, size, &wrote, nullptr) || wrote == 0) {
                Fail(file, GetLastError() ? GetLastError() : ERROR_WRITE_FAULT);
                break;
            }
            at += wrote;
        }
        if (!written.end) return;
        if (file.handle != INVALID_HANDLE_VALUE) {
            if (written.whole && !file.failed &&
                !SetFileInformationByHandle(file.handle, FileBasicInfo, &file.basic, sizeof file.basic))
                Fail(file, GetLastError());
            // Never left in place unless whole and written: a file whose data failed its check goes.
            if (!written.whole || file.failed) {
                FILE_DISPOSITION_INFO disposition = {TRUE};
                SetFileInformationByHandle(file.handle, FileDispositionInfo, &disposition, sizeof disposition);
            }
            if (!CloseHandle(file.handle) && written.whole && !file.failed) Fail(file, GetLastError());
        }
        delete &file;
    }

    // One lane's writer: its pieces in order until the end is asked and the lane is empty.
    void Serve(int lane)
    {
        for (;;) {
            AcquireSRWLockExclusive(&lock);
            while (lanes[lane].empty() && !closing) SleepConditionVariableSRW(&work, &lock, INFINITE, 0);
            if (lanes[lane].empty()) {
                ReleaseSRWLockExclusive(&lock);
                return;
            }
            Piece next = std::move(lanes[lane].front());
            lanes[lane].pop_front();
            ReleaseSRWLockExclusive(&lock);
            const std::size_t size = next.data.size();
            Write(next);
            AcquireSRWLockExclusive(&lock);
            held -= size;
            ReleaseSRWLockExclusive(&lock);
            WakeAllConditionVariable(&drained);
        }
    }
};

namespace {

struct Lane {
    FileWriters::Shared* shared;
    int lane;
};

DWORD WINAPI ServeLane(void* argument)
{
    Lane lane = *static_cast<Lane*>(argument);
    delete static_cast<Lane*>(argument);
    lane.shared->Serve(lane.lane);
    return 0;
}

}  // namespace

FileWriters::FileWriters(void (*whileWaiting)()) : shared(new Shared)
{
    shared->whileWaiting = whileWaiting;
}

FileWriters::~FileWriters()
{
    Finish();
    delete shared;
}

bool FileWriters::Start(int threads)
{
    for (int i = 0; i < threads && i < MostThreads; ++i) {
        auto* lane = new Lane{shared, i};
        shared->threads[i] = CreateThread(nullptr, 0, ServeLane, lane, 0, nullptr);
        if (!shared->threads[i]) {
            delete lane;
            Finish();   // the ones made end at once: nothing was queued
            return false;
        }
        // The window comes first: its thread unpacks, pumps and paints.
        SetThreadPriority(shared->threads[i], THREAD_PRIORITY_BELOW_NORMAL);
        shared->threadCount = i + 1;
    }
    return shared->threadCount > 0;
}

void FileWriters::Begin(const std::wstring& verbatimPath, const FILE_BASIC_INFO& basic)
{
    if (shared->current) End(false);
    shared->current = new PendingFile{verbatimPath, basic};
    shared->currentLane = shared->nextLane;
    shared->nextLane = (shared->nextLane + 1) % shared->threadCount;
    shared->piece = PieceOf(shared->current);
}

void FileWriters::Add(const unsigned char* data, std::size_t size)
{
    if (!shared->current) return;
    Piece& piece = shared->piece;
    while (size > 0) {
        const std::size_t taken = size < PieceSize - piece.data.size() ? size : PieceSize - piece.data.size();
        if (piece.data.capacity() == 0) piece.data.reserve(taken);
        piece.data.insert(piece.data.end(), data, data + taken);
        data += taken;
        size -= taken;
        if (piece.data.size() >= PieceSize) {
            shared->Queue(std::move(piece));
            piece = PieceOf(shared->current);
        }
    }
}

void FileWriters::End(bool whole)
{
    if (!shared->current) return;
    shared->piece.end = true;
    shared->piece.whole = whole;
    shared->Queue(std::move(shared->piece));
    shared->piece = Piece{};
    shared->current = nullptr;
}

bool FileWriters::Failed() const { return shared->failed; }

std::size_t FileWriters::MostHeld() const { return shared->mostHeld; }

Outcome FileWriters::Finish()
{
    End(false);
    AcquireSRWLockExclusive(&shared->lock);
    shared->closing = true;
    ReleaseSRWLockExclusive(&shared->lock);
    WakeAllConditionVariable(&shared->work);
    // What is left to write is at most the limit: the window stays live meanwhile.
    while (shared->threadCount > 0 &&
           WaitForMultipleObjects(static_cast<DWORD>(shared->threadCount), shared->threads, TRUE, 10) == WAIT_TIMEOUT)
        shared->whileWaiting();
    for (int i = 0; i < shared->threadCount; ++i) CloseHandle(shared->threads[i]);
    shared->threadCount = 0;
    return shared->failure;
}
