#include "install/extract.h"

#include <cstring>
#include <string>

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

struct UnrarApi {
    HMODULE module;
    decltype(&RAROpenArchive) OpenArchive;
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

HANDLE OpenPackage(const char* package, unsigned int mode)
{
    RAROpenArchiveData request = {};   // no comment buffer: the archive comment is not wanted
    request.ArcName = const_cast<char*>(package);
    request.OpenMode = mode;
    return Unrar.OpenArchive(&request);
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

// Draining the queue costs a round trip to the window system even when it is empty (about
// 0.1 ms under Wine), which per entry and per block of a large package adds up to seconds.
// Draining at most once a frame keeps the window just as responsive.
constexpr DWORD PumpInterval = 15;   // ms
DWORD LastPump;

void StartPumping() { LastPump = GetTickCount() - PumpInterval; }

void PumpNowAndThen()
{
    if (GetTickCount() - LastPump < PumpInterval) return;
    Hooks->keepAlive();
    LastPump = GetTickCount();
}

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
    Step = -1;
}

std::uint64_t MeasurePackage(const char* packagePath, const ExtractionHooks& hooks)
{
    ReportTo(hooks, 0);
    if (!LoadUnrar()) return 0;
    HANDLE package = OpenPackage(packagePath, RAR_OM_LIST);
    std::uint64_t sum = 0;
    if (!package) return 0;
    StartPumping();
    StartReading();
    while (ReadEntry(package) == 0 && !hooks.stopNow()) {
        Unrar.ProcessFileW(package, RAR_SKIP, nullptr, nullptr);
        sum += DeliveredSize(Entry);
        PumpNowAndThen();
    }
    Unrar.CloseArchive(package);
    return sum;
}

Extraction ExtractPackage(const char* packagePath, const char* destinationPath, std::uint64_t total,
                          const ExtractionHooks& hooks)
{
    // The folder exactly as Windows names it; the OEM code page would turn what it lacks into
    // look-alikes and put the files somewhere else.
    return ExtractPackageW(packagePath, WideFromAnsi(destinationPath), total, hooks);
}

Extraction ExtractPackageW(const char* packagePath, std::wstring destination, std::uint64_t total,
                           const ExtractionHooks& hooks)
{
    ReportTo(hooks, total);
    const bool loaded = LoadUnrar();
    HANDLE package = loaded ? OpenPackage(packagePath, RAR_OM_EXTRACT) : nullptr;
    hooks.extracting();

    Extraction done;
    if (package && !destination.empty()) {
        Unrar.SetProcessDataProc(package, OnPackageData);
        Step = -2;   // whatever the run shows, it is told -1 now
        ReportStep(-1);
        int header;
        bool damaged = false, shortOfData = false;
        StartPumping();
        StartReading();
        while ((header = ReadEntry(package)) == 0 && !hooks.stopNow()) {
            const std::uint64_t before = Delivered;
            done.began = true;
            damaged = Unrar.ProcessFileW(package, RAR_EXTRACT, &destination[0], nullptr) != 0;
            shortOfData = Delivered - before < DeliveredSize(Entry);
            if (!damaged && !shortOfData) ++done.entries;
            PumpNowAndThen();
            if (damaged || shortOfData) break;
        }
        Unrar.SetProcessDataProc(package, nullptr);
        Unrar.CloseArchive(package);
        // Installed only when the package ended where it should and every entry came out whole.
        const bool ended = header == ERAR_END_ARCHIVE && PackageEndsWhole(packagePath);
        const bool complete = !damaged && !shortOfData && (ended || hooks.stopNow());
        done.result = complete ? RunInstalled : RunFailed;
    } else if (package) {
        Unrar.CloseArchive(package);
    }
    UnloadUnrar();
    ReportStep(-1);
    if (hooks.stopNow()) done.result = RunAborted;
    done.bytes = Delivered;
    return done;
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
    ReportStep(ProgressStepFor(Delivered, Total));
    PumpNowAndThen();
    // A confirmed Cancel or close stops the library inside the entry: a large one could take minutes.
    return Hooks->stopNow() ? 0 : 1;
}
