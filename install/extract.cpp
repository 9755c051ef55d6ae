#include "install/extract.h"

#include <atomic>
#include <cstring>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "base/names.h"
#include "base/types.h"
#include "install/file_writers.h"
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

// The writers of the running extraction, when the program writes the files itself (see
// ExtractPackage): measured on two cores under Wine, with two the bench package takes some 0.7 of
// the bare library loop's time, with one a little more, with three no less than with two.
FileWriters* Writers;
constexpr int WriterThreads = 2;
constexpr std::size_t FewestForWriters = 8;   // files; fewer do not pay for the threads

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

// The entry's name and the folders above it, as the package would place them; false when one
// clashes with what an earlier entry placed: a file where a folder is, or a file named twice in
// any letter case. The last entry of a name says what it is.
bool AddNames(NameKinds& names, const std::wstring& name, bool folder)
{
    if (name.size() < 2) return false;
    bool fits = true;
    for (std::size_t at = name.find(L'\\', 1); at != std::wstring::npos; at = name.find(L'\\', at + 1)) {
        const auto above = names.emplace(name.substr(0, at), true);
        fits = fits && above.first->second;
        above.first->second = true;
    }
    const auto placed = names.emplace(name, folder);
    fits = fits && (placed.second || (folder && placed.first->second));   // only a folder may come twice
    placed.first->second = folder;
    return fits;
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

// The entry just read, through the library: extracted below `destination`, or (null) only
// unpacked, its data to the writers. Failed, naming it, when the library fails it or it delivers
// less than its size.
Outcome ProcessEntry(HANDLE package, wchar_t* destination, const std::wstring& folder)
{
    const std::uint64_t before = Delivered;
    const int result = Unrar.ProcessFileW(package, destination ? RAR_EXTRACT : RAR_TEST, destination, nullptr);
    const bool shortOfData = Delivered - before < DeliveredSize(Entry);
    if (result == 0 && !shortOfData) return Succeeded();
    return FailedWith(Happened::Failed, result != 0 ? ErrorOfLibrary(result) : ERROR_HANDLE_EOF, folder + RelativeName(Entry.FileNameW));
}

// The attributes and times the library gives an entry it writes: the stored times (none stored,
// none set), and the stored attributes when the package was made on Windows, else those of a
// plain file or folder.
FILE_BASIC_INFO BasicInfoOf(const RARHeaderDataEx& entry)
{
    constexpr unsigned MadeOnUnix = 3;
    constexpr DWORD Settable = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                               FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_OFFLINE |
                               FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    const bool folder = entry.Flags & RHDF_DIRECTORY;
    FILE_BASIC_INFO basic = {};
    basic.LastWriteTime.QuadPart = static_cast<LONGLONG>((static_cast<ULONGLONG>(entry.MtimeHigh) << 32) | entry.MtimeLow);
    basic.CreationTime.QuadPart = static_cast<LONGLONG>((static_cast<ULONGLONG>(entry.CtimeHigh) << 32) | entry.CtimeLow);
    basic.LastAccessTime.QuadPart = static_cast<LONGLONG>((static_cast<ULONGLONG>(entry.AtimeHigh) << 32) | entry.AtimeLow);
    basic.FileAttributes = entry.HostOS < MadeOnUnix ? entry.FileAttr & Settable : (folder ? 0 : FILE_ATTRIBUTE_ARCHIVE);
    if (!folder && basic.FileAttributes == 0) basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    return basic;   // a folder's 0: its attributes stay as made
}

// Every part of a name no longer than a name within a folder may be.
bool PartsFit(const std::wstring& name)
{
    constexpr std::size_t LongestPart = 255;
    std::size_t start = 1;
    for (std::size_t end; (end = name.find(L'\\', start)) != std::wstring::npos; start = end + 1)
        if (end - start > LongestPart) return false;
    return name.size() - start <= LongestPart;
}

// An entry the program may write itself, the library only unpacking it: a file or a folder under
// a plain name (no link or copy of another entry, not encrypted, not split across volumes, no
// part longer than a name may be). Anything else the library writes, with every check it makes.
bool PlainEntry(const RARHeaderDataEx& entry, const std::wstring& name)
{
    return entry.RedirType == 0 && !(entry.Flags & (RHDF_ENCRYPTED | RHDF_SPLITBEFORE | RHDF_SPLITAFTER)) &&
           IsPlainRelativeName(name) && PartsFit(name);
}

// The folders of a name below `root` (and the name itself, for a folder) made where missing; false
// with the system's reason when one cannot be.
bool MakeFoldersOf(const std::wstring& root, const std::wstring& name, bool folder, std::set<std::wstring, NameOrder>& made)
{
    for (std::size_t at = name.find(L'\\', 1);; at = name.find(L'\\', at + 1)) {
        if (at == std::wstring::npos && !folder) return true;
        const std::wstring part = at == std::wstring::npos ? name : name.substr(0, at);
        if (!made.count(part)) {
            if (!CreateDirectoryW((root + part).c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return false;
            made.insert(part);
        }
        if (at == std::wstring::npos) return true;
    }
}

// The entries unpacked one by one by the library in test mode, each file's data handed to the
// writers, which create, write and close the files; the folders made here, and given their times
// once every file in them is written. Stops as ExtractEntries does, and when a file cannot be
// written. The last header read is returned.
int ExtractToWriters(const char* packagePath, HANDLE package, const std::wstring& destination, const ExtractionHooks& hooks,
                     Extraction& done, FileWriters& writers)
{
    const std::wstring root = VerbatimForm(destination);
    // The folder itself and those above it, where missing, as the library makes them; one that
    // cannot be made shows as the first file's failure.
    const std::wstring plain = PlainForm(root);
    for (std::size_t at = plain.find(L'\\', RootLength(plain));; at = plain.find(L'\\', at + 1)) {
        CreateDirectoryW(VerbatimForm(at == std::wstring::npos ? plain : plain.substr(0, at)).c_str(), nullptr);
        if (at == std::wstring::npos) break;
    }
    std::set<std::wstring, NameOrder> made;
    std::vector<std::pair<std::wstring, FILE_BASIC_INFO>> folders;
    int header;
    StartReading();
    while ((header = ReadEntry(package)) == 0 && !hooks.stopNow() && !writers.Failed()) {
        const std::wstring name = RelativeName(Entry.FileNameW);
        const bool folder = Entry.Flags & RHDF_DIRECTORY;
        done.began = true;
        if (!PlainEntry(Entry, name)) {   // the package changed since it was measured: never written as it stands
            done.outcome = FailedWith(Happened::Failed, ERROR_FILE_CORRUPT, WideFromAnsi(packagePath));
            break;
        }
        if (!MakeFoldersOf(root, name, folder, made)) {
            done.outcome = FailedWith(Happened::Failed, GetLastError(), destination + name);
            break;
        }
        if (folder) {
            Unrar.ProcessFileW(package, RAR_SKIP, nullptr, nullptr);
            folders.emplace_back(root + name, BasicInfoOf(Entry));
            ++done.entries;
            KeepAlive();
            continue;
        }
        writers.Begin(root + name, BasicInfoOf(Entry));
        done.outcome = ProcessEntry(package, nullptr, destination);
        writers.End(done.outcome.Done());
        KeepAlive();
        if (!done.outcome.Done()) break;
        ++done.entries;
    }
    if (done.outcome.Done() && header != 0 && header != ERAR_END_ARCHIVE)
        done.outcome = FailedWith(Happened::Failed, ErrorOfLibrary(header), destination);
    // A file that could not be written is the reason, unless an entry failed first.
    const Outcome written = writers.Finish();
    if (done.outcome.Done() && !written.Done()) done.outcome = written;
    if (!done.outcome.Done() || hooks.stopNow()) return header;
    for (const auto& made : folders) {   // their times, as the library sets them; a failure changes nothing else
        HANDLE handle = CreateFileW(made.first.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        if (handle == INVALID_HANDLE_VALUE) continue;
        SetFileInformationByHandle(handle, FileBasicInfo, const_cast<FILE_BASIC_INFO*>(&made.second), sizeof made.second);
        CloseHandle(handle);
    }
    return header;
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

// The library by its full path, or Failed naming it.
bool LoadForPass(Outcome& failed)
{
    if (LoadUnrar()) return true;
    const DWORD error = GetLastError();
    failed = FailedWith(Happened::Failed, error ? error : ERROR_PROC_NOT_FOUND, LibraryChosen ? LibraryFile : DefaultLibraryFile());
    return false;
}

// Extracts the entries one by one until the end, a stop, or an entry that fails (then named in
// `done`, with the library's reason). The last header read is returned.
int ExtractEntries(HANDLE package, std::wstring& destination, const ExtractionHooks& hooks, Extraction& done)
{
    int header;
    StartReading();
    while ((header = ReadEntry(package)) == 0 && !hooks.stopNow()) {
        done.began = true;
        done.outcome = ProcessEntry(package, &destination[0], destination);
        KeepAlive();
        if (!done.outcome.Done()) return header;
        ++done.entries;
    }
    if (header != 0 && header != ERAR_END_ARCHIVE)
        done.outcome = FailedWith(Happened::Failed, ErrorOfLibrary(header), destination);
    return header;
}

PackageListing ListPackage(const char* packagePath, const ExtractionHooks& hooks)
{
    ReportTo(hooks, 0);
    PackageListing listing;
    HANDLE package = LoadForPass(listing.outcome) ? OpenPackage(packagePath, RAR_OM_LIST, listing.outcome) : nullptr;
    if (!package) return listing;
    StartReading();
    int header;
    bool plain = true;
    std::size_t files = 0;
    while ((header = ReadEntry(package)) == 0 && !hooks.stopNow()) {
        Unrar.ProcessFileW(package, RAR_SKIP, nullptr, nullptr);
        listing.size += DeliveredSize(Entry);
        const std::wstring name = RelativeName(Entry.FileNameW);
        const bool folder = Entry.Flags & RHDF_DIRECTORY;
        plain = AddNames(listing.names, name, folder) && PlainEntry(Entry, name) && plain;
        files += folder ? 0 : 1;
        KeepAlive();
    }
    Unrar.CloseArchive(package);
    listing.plain = plain && header == ERAR_END_ARCHIVE && files >= FewestForWriters;
    // A package that cannot be listed to its end fails later, when it is extracted.
    listing.outcome = Succeeded();
    return listing;
}

// The extracting pass on the thread that calls it, reporting through `hooks`.
Extraction ExtractHere(const char* packagePath, std::wstring destination, const PackageListing& measured,
                       const ExtractionHooks& hooks)
{
    ReportTo(hooks, measured.size);
    Extraction done;
    HANDLE package = LoadForPass(done.outcome) ? OpenPackage(packagePath, RAR_OM_EXTRACT, done.outcome) : nullptr;
    hooks.extracting();
    if (package && !destination.empty()) {
        Unrar.SetProcessDataProc(package, OnPackageData);
        Step = -2;   // whatever the run shows, it is told -1 now
        ReportStep(-1);
        done.outcome = Succeeded();
        // Creating, writing and closing a file costs more than unpacking it: where the program
        // can name every file itself, the library only unpacks and threads of its own write.
        FileWriters writers(KeepAlive);
        Writers = measured.plain && writers.Start(WriterThreads) ? &writers : nullptr;
        const int header = Writers ? ExtractToWriters(packagePath, package, destination, hooks, done, writers)
                                   : ExtractEntries(package, destination, hooks, done);
        Writers = nullptr;
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
    done.bytes = Delivered;
    return done;
}

namespace {

// The extracting pass's news for the thread that started it, and what that thread passes back.
// The library waits while the caller is busy with anything but waiting (a question on screen, a
// step to paint): a press is answered, and a confirmed Cancel stops it, within one block of data.
struct Relay {
    HANDLE news = nullptr;        // set at every piece of news, and when the pass ends
    HANDLE resume = nullptr;      // set when the caller goes back to waiting
    SRWLOCK lock = SRWLOCK_INIT;
    bool extracting = false;      // its extracting hook is due
    std::vector<int> steps;       // its steps due, in order
    std::atomic<bool> told{false};   // the extracting hook has been called, and the caller waits again
    std::atomic<bool> busy{false};   // the caller is not waiting
    std::atomic<bool> stop{false};
} Relayed;

constexpr DWORD Frame = 15;   // ms: how often the caller sees to its own business without news

void Tell(bool extracting, int step)
{
    AcquireSRWLockExclusive(&Relayed.lock);
    if (extracting) Relayed.extracting = true;
    else Relayed.steps.push_back(step);
    ReleaseSRWLockExclusive(&Relayed.lock);
    SetEvent(Relayed.news);
}

void WhileCallerBusy()
{
    while (Relayed.busy) WaitForSingleObject(Relayed.resume, Frame);
}

// Cancel goes live: a press that waited for it is taken before the first entry.
void RelayExtracting()
{
    Tell(true, 0);
    while (!Relayed.told) WaitForSingleObject(Relayed.resume, Frame);
}

void RelayStep(int step) { Tell(false, step); }
void NothingToKeepAlive() {}   // the caller keeps itself alive; a stop is asked right after anyway
bool RelayedStop()
{
    WhileCallerBusy();
    return Relayed.stop;
}
const ExtractionHooks RelayHooks = {RelayExtracting, RelayStep, NothingToKeepAlive, RelayedStop, nullptr};

// The news so far, told to the caller's hooks in the order it came.
void PassOn(const ExtractionHooks& hooks)
{
    std::vector<int> steps;
    AcquireSRWLockExclusive(&Relayed.lock);
    const bool extracting = Relayed.extracting;
    Relayed.extracting = false;
    steps.swap(Relayed.steps);
    ReleaseSRWLockExclusive(&Relayed.lock);
    if (extracting) hooks.extracting();
    for (const int step : steps) hooks.progress(step);
    if (extracting) Relayed.told = true;
}

struct Pass {
    const char* package;
    std::wstring destination;
    const PackageListing& measured;
    Extraction done;
};

DWORD WINAPI ExtractOnThread(void* context)
{
    Pass& pass = *static_cast<Pass*>(context);
    pass.done = ExtractHere(pass.package, pass.destination, pass.measured, RelayHooks);
    SetEvent(Relayed.news);
    return 0;
}

}  // namespace

Extraction ExtractPackage(const char* packagePath, std::wstring destination, const PackageListing& measured,
                          const ExtractionHooks& hooks)
{
    // The library runs on a thread of its own, so that a block it takes long over never keeps the
    // caller's window from answering; the caller waits for its news and passes a stop back.
    constexpr SIZE_T Stack = 4u << 20;   // the library keeps some long names on its stack
    Pass pass = {packagePath, std::move(destination), measured, {}};
    Relayed.told = false;
    Relayed.busy = false;
    Relayed.stop = hooks.stopNow();
    Relayed.news = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    Relayed.resume = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE thread = Relayed.news && Relayed.resume
        ? CreateThread(nullptr, Stack, ExtractOnThread, &pass, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr)
        : nullptr;
    for (bool ended = !thread; !ended;) {
        // Until Cancel goes live, input waits for it, as it would while the package is opened here.
        const bool live = Relayed.told;
        if (hooks.waitForNews && live) hooks.waitForNews(Frame, Relayed.news);
        else WaitForSingleObject(Relayed.news, Frame);
        ResetEvent(Relayed.resume);
        Relayed.busy = true;
        ended = WaitForSingleObject(thread, 0) == WAIT_OBJECT_0;
        PassOn(hooks);
        if (live) hooks.keepAlive();
        Relayed.stop = hooks.stopNow();
        Relayed.busy = false;
        SetEvent(Relayed.resume);
    }
    for (HANDLE handle : {thread, Relayed.news, Relayed.resume})
        if (handle) CloseHandle(handle);
    Relayed.news = Relayed.resume = nullptr;
    if (!thread) return ExtractHere(pass.package, pass.destination, measured, hooks);   // none to be had: here
    // A stop confirmed after the library's last block still stops the run.
    if (hooks.stopNow()) pass.done.outcome = FailedWith(Happened::Cancelled, ERROR_SUCCESS);
    return pass.done;
}

int ProgressStepFor(std::uint64_t done, std::uint64_t total)
{
    // In double precision: exact at the ends (done == total gives 16), and no overflow at any size.
    if (total == 0) return 0;
    const double step = static_cast<double>(done) * (PROGRESS_FRAMES - 1) / static_cast<double>(total);
    return step < 1e6 ? static_cast<int>(step) : 1000000;   // far past the end: the painter holds 16 anyway
}

int PASCAL OnPackageData(unsigned char* block, int size)
{
    if (Writers) Writers->Add(block, static_cast<unsigned int>(size));
    Delivered += static_cast<unsigned int>(size);
    ReportStep(ProgressStepFor(Delivered, Total));
    KeepAlive();
    // A confirmed Cancel or close stops the library inside the entry: a large one could take minutes.
    return Hooks->stopNow() ? 0 : 1;
}
