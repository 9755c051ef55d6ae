#include "install/extract.h"

#include <atomic>
#include <cstring>
#include <string>
#include <unordered_set>
#include <vector>

#include "base/names.h"
#include "base/types.h"
#include "resources/resource_ids.h"
#include "system/folder_path.h"

namespace {

// The header record with the redirection type and the high halves of the sizes. Large (it
// carries wide names), so one lives for the whole run.
RARHeaderDataEx Entry;

// The running pass, as the data callback sees it.
const ExtractionHooks* Hooks;
std::uint64_t Total;       // the measured size the steps divide
std::uint64_t Delivered;   // data delivered so far
int Step = -1;             // the last step reported

// Further instances of the library, each extracting its share of the entries on a thread of its
// own (see ExtractPackage): the data they have delivered, and a stop for all. Three instances in
// all: measured on two cores under Wine, where a file's creation waits for the one server, three
// extract the bench package in 0.80 of the time of one, two in 0.86 and four in 0.84
// (BENCHMARKS-x86_64.md).
constexpr int Instances = 3;
std::atomic<std::uint64_t> SharedDelivered;
std::atomic<bool> Abandoned;
SRWLOCK Held = SRWLOCK_INIT;   // taken whole while the question whether to stop is open

struct UnrarApi {
    HMODULE module;
    decltype(&RAROpenArchive) OpenArchive;
    decltype(&RAROpenArchiveEx) OpenArchiveEx;   // optional: without it, one instance extracts
    decltype(&RARSetCallback) SetCallback;         // optional, as that
    decltype(&RARCloseArchive) CloseArchive;
    decltype(&RARReadHeaderEx) ReadHeaderEx;
    decltype(&RARProcessFileW) ProcessFileW;
    decltype(&RARSetProcessDataProc) SetProcessDataProc;
} Unrar;

template <typename Function>
void LookUp(Function& function, const char* name)
{
    function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(Unrar.module, name)));
}

// The system's error closest to what the library reports.
DWORD ErrorOfLibrary(unsigned code)
{
    switch (code) {
    case ERAR_NO_MEMORY: return ERROR_NOT_ENOUGH_MEMORY;
    case ERAR_BAD_DATA: return ERROR_CRC;
    case ERAR_EOPEN: return ERROR_OPEN_FAILED;
    case ERAR_ECREATE: return ERROR_CANNOT_MAKE;
    case ERAR_ECLOSE:
    case ERAR_EWRITE: return ERROR_WRITE_FAULT;
    case ERAR_EREAD: return ERROR_READ_FAULT;
    case ERAR_SMALL_BUF: return ERROR_INSUFFICIENT_BUFFER;
    case ERAR_MISSING_PASSWORD:
    case ERAR_BAD_PASSWORD: return ERROR_INVALID_PASSWORD;
    default: return ERROR_FILE_CORRUPT;   // a damaged or foreign package
    }
}

// The package opened in a mode, or Failed: the system's word for a package that is not there or
// cannot be read, the library's otherwise.
HANDLE OpenPackage(const char* package, unsigned int mode, Outcome& failed)
{
    RAROpenArchiveData request = {};   // no comment buffer: the archive comment is not wanted
    request.ArcName = const_cast<char*>(package);
    request.OpenMode = mode;
    HANDLE opened = Unrar.OpenArchive(&request);
    if (opened) return opened;
    const DWORD error = GetFileAttributesA(package) == INVALID_FILE_ATTRIBUTES ? GetLastError() : ErrorOfLibrary(request.OpenResult);
    failed = FailedWith(Happened::Failed, error, WideFromAnsi(package));
    return nullptr;
}

// An entry's name as a name below the folder: one backslash before each part.
std::wstring RelativeName(const wchar_t* stored)
{
    std::wstring name = L"\\";
    for (const wchar_t* c = stored; *c; ++c) {
        const wchar_t part = *c == L'/' ? L'\\' : *c;
        if (part != L'\\' || name.back() != L'\\') name += part;
    }
    if (name.size() > 1 && name.back() == L'\\') name.pop_back();
    return name;
}

// The entry's name and the folders above it, as the package would place them.
void AddNames(NameKinds& names, const RARHeaderDataEx& entry)
{
    const std::wstring name = RelativeName(entry.FileNameW);
    if (name.size() < 2) return;
    for (std::size_t at = name.find(L'\\', 1); at != std::wstring::npos; at = name.find(L'\\', at + 1))
        names[name.substr(0, at)] = true;
    names[name] = (entry.Flags & RHDF_DIRECTORY) != 0;
}

// Cleared once a pass: no comment or redirection-name buffers, and the reserved part zero, as
// the library asks. It fills in the rest at every header, so clearing 10 KB per entry is not needed.
void StartReading() { Entry = RARHeaderDataEx{}; }

int ReadEntry(HANDLE package) { return Unrar.ReadHeaderEx(package, &Entry); }

void ReportStep(int step)
{
    if (step == Step) return;
    Step = step;
    Hooks->progress(step);
}

// Asked between entries and inside them; keeping the window alive costs only what the hook does.
void KeepAlive() { Hooks->keepAlive(); }

// CRC-32 as the RAR format takes it (the zip polynomial), over a header's few bytes.
std::uint32_t Crc32(const unsigned char* bytes, size_t size)
{
    std::uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; ++i) {
        crc ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

// A RAR 5 variable-length number; false when it runs past `end`.
bool ReadVint(const unsigned char*& at, const unsigned char* end, std::uint64_t& value)
{
    value = 0;
    for (int shift = 0; at < end && shift < 64; shift += 7) {
        const unsigned char byte = *at++;
        value |= static_cast<std::uint64_t>(byte & 0x7F) << shift;
        if (!(byte & 0x80)) return true;
    }
    return false;
}

// The tail is a whole RAR 5 end-of-archive header starting at `start` that names no further volume.
bool Rar5EndAt(const unsigned char* tail, size_t start, size_t size)
{
    const unsigned char* at = tail + start + 4;
    const unsigned char* end = tail + size;
    std::uint64_t headerSize, type, flags, skipped, endFlags;
    if (!ReadVint(at, end, headerSize) || headerSize != static_cast<std::uint64_t>(end - at)) return false;
    const std::uint32_t stated = tail[start] | tail[start + 1] << 8 | tail[start + 2] << 16 |
                                 static_cast<std::uint32_t>(tail[start + 3]) << 24;
    if (Crc32(tail + start + 4, size - start - 4) != stated) return false;
    if (!ReadVint(at, end, type) || type != 5 || !ReadVint(at, end, flags)) return false;
    if ((flags & 1) && !ReadVint(at, end, skipped)) return false;   // an extra area's size
    if ((flags & 2) && !ReadVint(at, end, skipped)) return false;   // a data area's size
    return ReadVint(at, end, endFlags) && !(endFlags & 1);
}

// The same for the older format's end block (type 0x7B, a 16-bit CRC).
bool Rar4EndAt(const unsigned char* tail, size_t start, size_t size)
{
    if (size - start < 7 || tail[start + 2] != 0x7B) return false;
    const unsigned stated = tail[start] | tail[start + 1] << 8, flags = tail[start + 3] | tail[start + 4] << 8;
    const size_t headerSize = tail[start + 5] | tail[start + 6] << 8;
    return headerSize == size - start && (Crc32(tail + start + 2, headerSize - 2) & 0xFFFF) == stated && !(flags & 1);
}

std::wstring LibraryFile;   // see UseLibraryFile
bool LibraryChosen;

// The system directory's copy, by its full path, when start-up named none.
std::wstring DefaultLibraryFile()
{
    wchar_t system[MAX_PATH];
    const UINT length = GetSystemDirectoryW(system, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return std::wstring();
    return std::wstring(system) + L"\\" + WideFromAnsi(LibraryName);
}

}  // namespace

void UseLibraryFile(const char* path)
{
    LibraryFile = WideFromAnsi(path);
    LibraryChosen = true;
    UnloadUnrar();
}

bool PackageEndsWhole(const char* packagePath)
{
    // The library meets the end of a file cut between two entries just as it meets the end of
    // the archive: only the end-of-archive header, which rar writes last, tells them apart.
    HANDLE file = CreateFileA(packagePath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    unsigned char signature[8] = {}, tail[64];
    LARGE_INTEGER size = {}, from = {};
    DWORD read = 0, tailSize = 0;
    bool whole = GetFileSizeEx(file, &size) && ReadFile(file, signature, sizeof signature, &read, nullptr) &&
                 read == sizeof signature;
    from.QuadPart = size.QuadPart > static_cast<LONGLONG>(sizeof tail) ? size.QuadPart - sizeof tail : 0;
    whole = whole && SetFilePointerEx(file, from, nullptr, FILE_BEGIN) &&
            ReadFile(file, tail, sizeof tail, &tailSize, nullptr);
    CloseHandle(file);
    if (!whole || std::memcmp(signature, "Rar!\x1a\x07", 6) != 0) return false;
    const bool rar5 = signature[6] == 1;
    for (size_t start = 0; start + 7 <= tailSize; ++start)
        if (rar5 ? Rar5EndAt(tail, start, tailSize) : Rar4EndAt(tail, start, tailSize)) return true;
    return false;
}

bool LoadUnrar()
{
    if (!Unrar.module) {
        const std::wstring file = LibraryChosen ? LibraryFile : DefaultLibraryFile();
        if (file.empty()) return false;
        // Never by its bare name, which searches the program's own folder (a CD, a download
        // folder) first; and what the library needs in turn comes from the system directory.
        Unrar.module = LoadLibraryExW(file.c_str(), nullptr, LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
        if (!Unrar.module && GetLastError() == ERROR_INVALID_PARAMETER)   // a system without those flags
            Unrar.module = LoadLibraryExW(file.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
        if (!Unrar.module) return false;
        LookUp(Unrar.OpenArchive, "RAROpenArchive");
        LookUp(Unrar.OpenArchiveEx, "RAROpenArchiveEx");
        LookUp(Unrar.SetCallback, "RARSetCallback");
        LookUp(Unrar.CloseArchive, "RARCloseArchive");
        LookUp(Unrar.ReadHeaderEx, "RARReadHeaderEx");
        LookUp(Unrar.ProcessFileW, "RARProcessFileW");
        LookUp(Unrar.SetProcessDataProc, "RARSetProcessDataProc");
    }
    return Unrar.OpenArchive && Unrar.CloseArchive && Unrar.ReadHeaderEx && Unrar.ProcessFileW &&
           Unrar.SetProcessDataProc;
}

void UnloadUnrar()
{
    if (Unrar.module) FreeLibrary(Unrar.module);
    Unrar = {};
}

std::uint64_t DeliveredSize(const RARHeaderDataEx& entry)
{
    if ((entry.Flags & RHDF_DIRECTORY) || entry.RedirType != 0) return 0;
    return (static_cast<std::uint64_t>(entry.UnpSizeHigh) << 32) | entry.UnpSize;
}

void ReportTo(const ExtractionHooks& hooks, std::uint64_t total)
{
    Hooks = &hooks;
    Total = total;
    Delivered = 0;
    SharedDelivered = 0;
    Abandoned = false;
    Step = -1;
}

// The library by its full path, or Failed naming it.
bool LoadForPass(Outcome& failed)
{
    if (LoadUnrar()) return true;
    const DWORD error = GetLastError();
    failed = FailedWith(Happened::Failed, error ? error : ERROR_PROC_NOT_FOUND, LibraryChosen ? LibraryFile : DefaultLibraryFile());
    return false;
}

// Extracts the entries one by one until the end, a stop, or an entry that fails (then named in
// `done`, with the library's reason); with `share`, only the entries it gives this instance (0),
// skipping the rest. The last header read is returned.
int ExtractEntries(HANDLE package, std::wstring& destination, const ExtractionHooks& hooks, Extraction& done,
                   const std::vector<char>* share = nullptr)
{
    int header;
    StartReading();
    for (std::size_t index = 0; (header = ReadEntry(package)) == 0 && !hooks.stopNow() && !Abandoned; ++index) {
        if (share && index < share->size() && (*share)[index] != 0) {
            Unrar.ProcessFileW(package, RAR_SKIP, nullptr, nullptr);
            KeepAlive();
            continue;
        }
        const std::uint64_t before = Delivered;
        done.began = true;
        const int result = Unrar.ProcessFileW(package, RAR_EXTRACT, &destination[0], nullptr);
        const bool shortOfData = Delivered - before < DeliveredSize(Entry);
        KeepAlive();
        if (result != 0 || shortOfData) {
            const std::wstring entry = destination + RelativeName(Entry.FileNameW);
            done.outcome = FailedWith(Happened::Failed, result != 0 ? ErrorOfLibrary(result) : ERROR_HANDLE_EOF, entry);
            return header;
        }
        ++done.entries;
    }
    if (header != 0 && header != ERAR_END_ARCHIVE)
        done.outcome = FailedWith(Happened::Failed, ErrorOfLibrary(header), destination);
    return header;
}

// A further instance's share: the same package opened again, the entries marked `mine` extracted,
// the others skipped. It reports only through the shared count and stop; the first instance's
// thread does all the talking to the run.
struct SecondShare {
    HANDLE package = nullptr;
    std::wstring destination;
    const std::vector<char>* share = nullptr;
    char mine = 1;
    std::atomic<std::uint64_t> delivered{0};
    Extraction done;
    int header = 0;
    RARHeaderDataEx entry;
};

int CALLBACK OnSecondShareData(UINT message, LPARAM share, LPARAM, LPARAM size)
{
    if (message != UCM_PROCESSDATA) return -1;   // no password, no next volume
    AcquireSRWLockShared(&Held);   // waits while the player is asked whether to stop
    ReleaseSRWLockShared(&Held);
    reinterpret_cast<SecondShare*>(share)->delivered += static_cast<std::uint64_t>(size);
    SharedDelivered += static_cast<std::uint64_t>(size);
    return Abandoned ? -1 : 1;
}

DWORD WINAPI ExtractSecondShare(void* argument)
{
    auto& second = *static_cast<SecondShare*>(argument);
    second.entry = RARHeaderDataEx{};
    second.done.outcome = Succeeded();
    std::uint64_t delivered = 0;
    for (std::size_t index = 0; !Abandoned && (second.header = Unrar.ReadHeaderEx(second.package, &second.entry)) == 0; ++index) {
        if (index >= second.share->size() || (*second.share)[index] != second.mine) {
            Unrar.ProcessFileW(second.package, RAR_SKIP, nullptr, nullptr);
            continue;
        }
        second.done.began = true;
        const int result = Unrar.ProcessFileW(second.package, RAR_EXTRACT, &second.destination[0], nullptr);
        const std::uint64_t now = second.delivered;
        const bool shortOfData = now - delivered < DeliveredSize(second.entry);
        delivered = now;
        if (Abandoned) break;
        if (result != 0 || shortOfData) {
            second.done.outcome = FailedWith(Happened::Failed, result != 0 ? ErrorOfLibrary(result) : ERROR_HANDLE_EOF,
                                             second.destination + RelativeName(second.entry.FileNameW));
            Abandoned = true;   // the first instance stops at its next block
            return 0;
        }
        ++second.done.entries;
    }
    if (!Abandoned && second.header != ERAR_END_ARCHIVE) {
        second.done.outcome = FailedWith(Happened::Failed, ErrorOfLibrary(second.header), second.destination);
        Abandoned = true;
    }
    return 0;
}

// Which instance extracts each entry, for a package two can share: not solid (each entry can be
// unpacked without those before it), no entry that refers to another (a link, a copy of a file
// written before), no name twice (the later must win), and enough entries to pay for more
// threads. Each entry goes to the instance with least work so far, counting a file's creation as
// 64 KB of data. Empty: one instance extracts all.
std::vector<char> Shares(const char* packagePath)
{
    std::vector<char> share;
    SYSTEM_INFO machine;
    GetNativeSystemInfo(&machine);
    if (!Unrar.OpenArchiveEx || !Unrar.SetCallback || machine.dwNumberOfProcessors < 2) return share;
    RAROpenArchiveDataEx request = {};
    request.ArcName = const_cast<char*>(packagePath);
    request.OpenMode = RAR_OM_LIST;
    HANDLE package = Unrar.OpenArchiveEx(&request);
    if (!package) return share;
    const bool shareable = !(request.Flags & (ROADF_SOLID | ROADF_VOLUME));
    std::unordered_set<std::wstring> names;
    std::uint64_t work[Instances] = {};
    RARHeaderDataEx entry = {};
    int header = 0;
    bool fit = shareable;
    while (fit && (header = Unrar.ReadHeaderEx(package, &entry)) == 0) {
        std::wstring name = RelativeName(entry.FileNameW);
        CharLowerBuffW(&name[0], static_cast<DWORD>(name.size()));
        fit = entry.RedirType == 0 && !(entry.Flags & RHDF_SOLID) && names.insert(name).second;
        int instance = 0;
        for (int other = 1; other < Instances; ++other)
            if (work[other] < work[instance]) instance = other;
        work[instance] += DeliveredSize(entry) + 65536;
        share.push_back(static_cast<char>(instance));
        Unrar.ProcessFileW(package, RAR_SKIP, nullptr, nullptr);
        KeepAlive();
    }
    Unrar.CloseArchive(package);
    constexpr std::size_t FewestShared = 8;
    if (!fit || header != ERAR_END_ARCHIVE || share.size() < FewestShared) share.clear();
    return share;
}

PackageListing ListPackage(const char* packagePath, const ExtractionHooks& hooks)
{
    ReportTo(hooks, 0);
    PackageListing listing;
    HANDLE package = LoadForPass(listing.outcome) ? OpenPackage(packagePath, RAR_OM_LIST, listing.outcome) : nullptr;
    if (!package) return listing;
    StartReading();
    int header;
    while ((header = ReadEntry(package)) == 0 && !hooks.stopNow()) {
        Unrar.ProcessFileW(package, RAR_SKIP, nullptr, nullptr);
        listing.size += DeliveredSize(Entry);
        AddNames(listing.names, Entry);
        KeepAlive();
    }
    Unrar.CloseArchive(package);
    // A package that cannot be listed to its end fails later, when it is extracted.
    listing.outcome = Succeeded();
    return listing;
}

Extraction ExtractPackage(const char* packagePath, std::wstring destination, std::uint64_t total, const ExtractionHooks& hooks)
{
    ReportTo(hooks, total);
    Extraction done;
    HANDLE package = LoadForPass(done.outcome) ? OpenPackage(packagePath, RAR_OM_EXTRACT, done.outcome) : nullptr;
    hooks.extracting();
    if (package && !destination.empty()) {
        Unrar.SetProcessDataProc(package, OnPackageData);
        Step = -2;   // whatever the run shows, it is told -1 now
        ReportStep(-1);
        done.outcome = Succeeded();
        // File creation, not decompression, is most of an entry's cost (the more so where a
        // scanner reads each file as it is closed): a package several instances can share is
        // extracted by them all at once, each further one on a thread of its own.
        const std::vector<char> share = Shares(packagePath);
        SecondShare others[Instances - 1];
        HANDLE threads[Instances - 1] = {};
        // All the further instances, or none: each package opened and each thread made (held)
        // before any begins; what could not be is closed again and one instance extracts all.
        int started = 0;
        for (int i = 0; i < Instances - 1 && !share.empty(); ++i, ++started) {
            SecondShare& other = others[i];
            Outcome notOpened;
            other.package = OpenPackage(packagePath, RAR_OM_EXTRACT, notOpened);
            other.destination = destination;
            other.share = &share;
            other.mine = static_cast<char>(i + 1);
            if (other.package) Unrar.SetCallback(other.package, OnSecondShareData, reinterpret_cast<LPARAM>(&other));
            threads[i] = other.package ? CreateThread(nullptr, 0, ExtractSecondShare, &other, CREATE_SUSPENDED, nullptr) : nullptr;
            if (!threads[i]) {
                if (other.package) Unrar.CloseArchive(other.package);
                for (int j = 0; j < i; ++j) {
                    TerminateThread(threads[j], 0);   // never begun: held since it was made
                    CloseHandle(threads[j]);
                    Unrar.CloseArchive(others[j].package);
                }
                started = 0;
                break;
            }
        }
        for (int i = 0; i < started; ++i) ResumeThread(threads[i]);
        const int header = ExtractEntries(package, destination, hooks, done, started ? &share : nullptr);
        if (started) {
            // The first share done (or stopped), the run stays live while the others end.
            for (;;) {
                if (hooks.stopNow() || !done.outcome.Done()) Abandoned = true;
                if (WaitForMultipleObjects(static_cast<DWORD>(started), threads, TRUE, 10) != WAIT_TIMEOUT) break;
                ReportStep(ProgressStepFor(Delivered + SharedDelivered, Total));
                KeepAlive();
            }
            ReportStep(ProgressStepFor(Delivered + SharedDelivered, Total));   // the last data, whichever delivered it
            bool reasonFound = false;
            for (int i = 0; i < started; ++i) {
                CloseHandle(threads[i]);
                Unrar.CloseArchive(others[i].package);
                done.began = done.began || others[i].done.began;
                done.entries += others[i].done.entries;
                // A further share's failure is the reason when there is one: the others, the first
                // among them, then stopped for it (a share stopped so reports none of its own).
                if (!others[i].done.outcome.Done() && !reasonFound) {
                    done.outcome = others[i].done.outcome;
                    reasonFound = true;
                }
            }
        }
        Unrar.SetProcessDataProc(package, nullptr);
        Unrar.CloseArchive(package);
        // Installed only when the package ended where it should and every entry came out whole.
        if (done.outcome.Done() && !hooks.stopNow() && (header != ERAR_END_ARCHIVE || !PackageEndsWhole(packagePath)))
            done.outcome = FailedWith(Happened::Failed, ERROR_HANDLE_EOF, WideFromAnsi(packagePath));
    } else if (package) {
        Unrar.CloseArchive(package);
        done.outcome = FailedWith(Happened::Failed, ERROR_PATH_NOT_FOUND);
    }
    UnloadUnrar();
    ReportStep(-1);
    if (hooks.stopNow()) done.outcome = FailedWith(Happened::Cancelled, ERROR_SUCCESS);
    done.bytes = Delivered + SharedDelivered;
    return done;
}

void HoldExtraction() { AcquireSRWLockExclusive(&Held); }

void ReleaseExtraction(bool stopping)
{
    if (stopping) Abandoned = true;
    ReleaseSRWLockExclusive(&Held);
}

int ProgressStepFor(std::uint64_t done, std::uint64_t total)
{
    // In double precision: exact at the ends (done == total gives 16), and no overflow at any size.
    if (total == 0) return 0;
    const double step = static_cast<double>(done) * (PROGRESS_FRAMES - 1) / static_cast<double>(total);
    return step < 1e6 ? static_cast<int>(step) : 1000000;   // far past the end: the painter holds 16 anyway
}

int PASCAL OnPackageData(unsigned char*, int size)
{
    Delivered += static_cast<unsigned int>(size);
    ReportStep(ProgressStepFor(Delivered + SharedDelivered, Total));
    KeepAlive();
    // A confirmed Cancel or close stops the library inside the entry (a large one could take
    // minutes), and the second instance at its next block; so does the second's failure.
    if (Hooks->stopNow()) Abandoned = true;
    return Abandoned ? 0 : 1;
}
