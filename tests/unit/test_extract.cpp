#include <doctest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <string>

#include "base/exit_codes.h"
#include "base/names.h"
#include "install/extract.h"
#include "install/file_writers.h"
#include "shell/run.h"
#include "shell/window_face.h"
#include "shell/copies.h"
#include "shell/startup.h"
#include "system/destination.h"
#include "system/folder_path.h"
#include "system/removal.h"
#include "system/records.h"
#include "system/run_note.h"
#include "system/staging.h"
#include "shell/pump.h"
#include "support.h"
#include "ui/layout.h"
#include "ui/painter.h"

namespace {

const std::string Packages = "T:\\packages\\";
// The work area's name, as the program spells it (with its backslash).
const std::string WorkArea(WorkAreaName, WorkAreaName + std::char_traits<wchar_t>::length(WorkAreaName));

// Start-up's own step: the library copy goes into the system directory, where loading by
// name finds it.
void InstallLibrary()
{
    char system[MAX_PATH];
    GetSystemDirectoryA(system, MAX_PATH);
    WriteLibraryCopy((std::string(system) + "\\unrar.dll").c_str());
}

// The run's destination, chosen as Continue chooses it.
void Aim(const std::string& folder)
{
    strcpy(Setup.Paths.InstallPath, folder.c_str());
    REQUIRE(ChooseDestination(WideFromAnsi(folder.c_str()), Setup.Paths.Target).Done());
}

std::string PrepareRun(const char* package, const char* folderName)
{
    ResetState();
    InstallLibrary();
    const std::string folder = ScratchFolder(folderName);
    strcpy(Setup.Paths.PackagePath, (Packages + package).c_str());
    Aim(folder);
    return folder;
}

bool SameFile(const std::string& a, const std::string& b)
{
    return GetFileAttributesA(a.c_str()) != INVALID_FILE_ATTRIBUTES && ReadFile(a) == ReadFile(b);
}

// What the files directly in a folder hold so far.
std::uint64_t BytesBelow(const std::string& folder)
{
    std::uint64_t bytes = 0;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return 0;
    do bytes += (std::uint64_t{entry.nFileSizeHigh} << 32) | entry.nFileSizeLow;
    while (FindNextFileA(search, &entry));
    FindClose(search);
    return bytes;
}

// Attributes and modification time alike: as the library leaves a file, or as the packed one was.
bool SameStamp(const std::string& a, const std::string& b)
{
    WIN32_FILE_ATTRIBUTE_DATA one, other;
    return GetFileAttributesExA(a.c_str(), GetFileExInfoStandard, &one) &&
           GetFileAttributesExA(b.c_str(), GetFileExInfoStandard, &other) && one.dwFileAttributes == other.dwFileAttributes &&
           CompareFileTime(&one.ftLastWriteTime, &other.ftLastWriteTime) == 0;
}

bool IsFolder(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Queues what a player does during extraction: a press on Cancel, then on Yes. The first
// pump inside the library's data callback takes them up.
void QueueCancelYes()
{
    Setup.Shown.Screen = ProgressScreen;
    EnsureWindow();
    QueuePress(Centre(Layout::ProgressRects[0]));
    QueuePress(Centre(Layout::QuestionRects[0]));
}

// Every file below `folder` with its bytes and read-only bit, every folder as "/": what a player
// would find there, to compare before and after a run.
void Snapshot(const std::string& folder, std::map<std::string, std::string>& found, const std::string& below = "")
{
    WIN32_FIND_DATAA entry;
    HANDLE listing = FindFirstFileA((folder + below + "\\*").c_str(), &entry);
    if (listing == INVALID_HANDLE_VALUE) return;
    do {
        const std::string name = entry.cFileName, relative = below + "\\" + name;
        if (name == "." || name == "..") continue;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            found[relative] = "/";
            Snapshot(folder, found, relative);
        } else {
            found[relative] = ReadFile(folder + relative) + (entry.dwFileAttributes & FILE_ATTRIBUTE_READONLY ? "(r)" : "");
        }
    } while (FindNextFileA(listing, &entry));
    FindClose(listing);
}

std::map<std::string, std::string> Snapshot(const std::string& folder)
{
    std::map<std::string, std::string> found;
    Snapshot(folder, found);
    return found;
}

const char* const NestedFiles[] = {"big.dat", "a\\notes.txt", "a\\b\\c\\deep.bin", "d\\empty.txt", "tarn.exe"};

// An earlier installation of other bytes, its game read-only, and the player's save beside it.
void PlantEarlierInstallation(const std::string& folder)
{
    for (const char* sub : {"", "\\a", "\\a\\b", "\\a\\b\\c", "\\d", "\\Saves", "\\empty folder"})
        CreateDirectoryA((folder + sub).c_str(), nullptr);
    for (const char* file : NestedFiles) WriteFile(folder + "\\" + file, std::string("earlier ") + file);
    WriteFile(folder + "\\Saves\\slot1.sav", "the player's save");
    SetFileAttributesA((folder + "\\tarn.exe").c_str(), FILE_ATTRIBUTE_READONLY);
}

// The two passes as the window runs them, into the run's destination.
PackageListing Measured;
std::uint64_t MeasureSetupPackage() { return (Measured = ListPackage(Setup.Paths.PackagePath, WindowHooks)).size; }
Extraction ExtractSetupPackage() { return ExtractPackage(Setup.Paths.PackagePath, Setup.Paths.Target.resolved, Measured, WindowHooks); }

// A whole run as the window makes it, without its pauses: the player's presses are taken up
// once the package is being extracted.
bool Extracting;
const ExtractionHooks RunHooks = {[] { Extracting = true; }, [](int) {},
                                  [] { if (Extracting) PumpMessages(); },
                                  [] { return Setup.Run.CancelRequested || Setup.Process.QuitRequested || Setup.Run.SessionEnding != 0; },
                                  nullptr};
Outcome RunInstall(const std::string& folder, BetweenMoves between)
{
    Extracting = false;
    const RunFace face = {&RunHooks, between, [](RunKinds) {}, [](RunKinds, const Outcome&) {}, [](UINT) {},
                          [](const std::wstring&) { return false; }};
    const Outcome outcome = Install(face, WideFromAnsi(folder.c_str()));
    WaitForOldCopies(nullptr);   // as the program does before it ends
    return outcome;
}

int MovesLeft;     // before a Cancel confirmed mid-commit
NextMove CarryOn() { return NextMove::CarryOn; }
NextMove StopWhenCounted()
{
    if (MovesLeft-- > 0) return NextMove::CarryOn;
    Setup.Run.CancelRequested = 1;   // as a confirmed Cancel asks it
    return NextMove::RollBack;
}

}  // namespace

TEST_SUITE("extract") {

TEST_CASE("a package is measured, then extracted whole below the destination folder")
{
    const std::string folder = PrepareRun("nested.rar", "extract-whole");
    const std::uint64_t total = MeasureSetupPackage();
    CHECK(total == 3000000u + 20000u + 70000u + 5000u);
    EnsureWindow();
    Extraction done;
    {
        const FrameCounter frames;
        done = ExtractSetupPackage();
        CHECK(frames.Frames() >= 2);   // as the Cancel goes live, and a step at least
        CHECK(frames.Frames() <= 1 + 17);   // one as the Cancel goes live, one per step
    }
    CHECK(done.outcome.Done());
    CHECK(done.bytes == total);
    CHECK(Setup.Shown.ProgressStep == -1);
    CHECK(Setup.Shown.Busy == 0);
    CHECK(Setup.Shown.StatusPanelShown == 0);
    const std::string source = Packages + "nested\\";
    for (const char* file : {"big.dat", "a\\notes.txt", "a\\b\\c\\deep.bin", "d\\empty.txt", "tarn.exe"}) {
        CAPTURE(file);
        CHECK(SameFile(folder + "\\" + file, source + file));
    }
    CHECK(IsFolder(folder + "\\empty folder"));

    // A second run starts again from nothing.
    const Extraction again = ExtractSetupPackage();
    CHECK(again.outcome.Done());
    CHECK(again.bytes == total);
}

TEST_CASE("the progress step climbs from -1 through 0 to exactly 16, repainting only on change")
{
    ResetState();
    EnsureWindow();
    ReportTo(WindowHooks, 1600);
    Setup.Shown.ProgressStep = -1;
    const FrameCounter frames;
    OnPackageData(nullptr, 10);   // less than a sixteenth: step 0
    CHECK(Setup.Shown.ProgressStep == 0);
    OnPackageData(nullptr, 50);
    CHECK(Setup.Shown.ProgressStep == 0);
    CHECK(frames.Frames() == 1);
    for (int i = 0; i < 154; ++i) OnPackageData(nullptr, 10);
    CHECK(Setup.Shown.ProgressStep == 16);
    CHECK(frames.Frames() == 17);

    CHECK(ProgressStepFor(5, 0) == 0);                        // nothing measured
    CHECK(ProgressStepFor(0x80000000u, 0x80000000u) == 16);   // past 2 GiB: no sign trouble
    CHECK(ProgressStepFor(1u << 31, 0xFFFFFFFFu) == 8);
    CHECK(ProgressStepFor((1u << 31) - 1, 0xFFFFFFFFu) == 7);
    CHECK(ProgressStepFor(3200, 1600) == 32);                 // more than measured: the painter holds 16
}

TEST_CASE("past 4 GiB sizes are counted whole: the steps and the data an entry must deliver")
{
    constexpr std::uint64_t GiB = 1ull << 30;
    CHECK(ProgressStepFor(5 * GiB, 5 * GiB) == 16);
    CHECK(ProgressStepFor(5 * GiB / 2, 5 * GiB) == 8);
    CHECK(ProgressStepFor(4 * GiB + 1, 8 * GiB) == 8);       // modulo 2^32 this would be step 0
    CHECK(ProgressStepFor(6 * GiB, 2 * GiB) == 48);

    // Blocks of 64 MiB to 6 GiB: no wrap in the count, every step once, the last one 16.
    ResetState();
    EnsureWindow();
    ReportTo(WindowHooks, 6 * GiB);
    Setup.Shown.ProgressStep = -1;
    {
        const FrameCounter frames;
        for (int i = 0; i < 96; ++i) OnPackageData(nullptr, 64 << 20);
        CHECK(Setup.Shown.ProgressStep == 16);
        CHECK(frames.Frames() == 17);
    }

    // What each entry must deliver: its whole size, none for folders, links and file references.
    RARHeaderDataEx entry = {};
    entry.UnpSizeHigh = 1;
    entry.UnpSize = 5;
    CHECK(DeliveredSize(entry) == 4 * GiB + 5);
    entry.Flags = RHDF_DIRECTORY;
    CHECK(DeliveredSize(entry) == 0);
    entry.Flags = 0;
    for (unsigned redirection : {1u, 2u, 3u, 4u, 5u}) {   // symlinks, junction, hard link, file copy
        entry.RedirType = redirection;
        CHECK(DeliveredSize(entry) == 0);
    }
}

TEST_CASE("entries without data of their own install: file references, links, empty files and folders")
{
    const std::string folder = PrepareRun("refs.rar", "extract-refs");
    CHECK(MeasureSetupPackage() < 2 * 300000u);   // the references are not counted as data to come
    CHECK(ExtractSetupPackage().outcome.Done());
    const std::string source = Packages + "refs\\";
    for (const char* copy : {"original.dat", "copy.dat", "copies\\another copy.dat"}) {
        CAPTURE(copy);
        CHECK(SameFile(folder + "\\" + copy, source + "original.dat"));
    }
    CHECK(SameFile(folder + "\\tarn.exe", source + "tarn.exe"));
    CHECK(ReadFile(folder + "\\empty.txt").empty());
    CHECK(IsFolder(folder + "\\empty folder"));
}

TEST_CASE("the files land in exactly the folder named, whatever the OEM code page lacks")
{
    // An en dash, a euro sign and an oe ligature: ANSI characters that the OEM code page does not have.
    const std::string parent = PrepareRun("nested.rar", "extract-ansi");
    const std::string folder = parent + "\\Jeux \x96 PC \x80\x9c\\Marvolen";
    Aim(folder);
    MeasureSetupPackage();
    CHECK(ExtractSetupPackage().outcome.Done());
    const std::wstring wide = WideFromAnsi(folder.c_str());
    CHECK(wide.find(L"Jeux \u2013 PC \u20AC\u0153\\Marvolen") != std::wstring::npos);
    CHECK(GetFileAttributesW((wide + L"\\big.dat").c_str()) != INVALID_FILE_ATTRIBUTES);
    CHECK(GetFileAttributesA((parent + "\\Jeux - PC").c_str()) == INVALID_FILE_ATTRIBUTES);   // no look-alike beside it
}

TEST_CASE("a package with no data completes without a frame")
{
    const std::string folder = PrepareRun("empty.rar", "extract-empty");
    CHECK(MeasureSetupPackage() == 0);
    CHECK(ExtractSetupPackage().outcome.Done());
    CHECK(IsFolder(folder + "\\only a folder"));
}

TEST_CASE("missing, foreign, truncated and damaged packages fail")
{
    for (const char* package : {"missing.rar", "notrar.pkg", "truncated.rar", "cut.rar", "damaged.rar"}) {
        CAPTURE(package);
        PrepareRun(package, "extract-bad");
        MeasureSetupPackage();
        CHECK(ExtractSetupPackage().outcome.what == Happened::Failed);
        CHECK(Setup.Shown.ProgressStep == -1);
    }
    PrepareRun("missing.rar", "extract-bad");
    CHECK(MeasureSetupPackage() == 0);
}

TEST_CASE("a package is whole only when it ends with its end-of-archive header, in either format")
{
    const std::string rar5 = std::string("Rar!\x1a\x07\x01\x00", 8) + "entries...";
    const std::string rar4 = std::string("Rar!\x1a\x07\x00", 7) + "entries...";
    const std::string end5 = std::string("\x1d\x77\x56\x51\x03\x05\x04\x00", 8);
    const std::string nextVolume5 = std::string("\x8b\x47\x51\x26\x03\x05\x04\x01", 8);
    const std::string end4 = std::string("\xc4\x3d\x7b\x00\x40\x07\x00", 7);
    const struct {
        std::string bytes;
        bool whole;
    } cases[] = {
        {rar5 + end5, true},          {rar5, false},
        {rar5 + end5.substr(0, 7), false},                      // cut inside the header
        {rar5 + "\x1d\x77\x56\x52" + end5.substr(4), false},    // its CRC does not match
        {rar5 + nextVolume5, false},  // the first volume of a set
        {rar4 + end4, true},          {rar4, false},
        {rar5 + end4, false},         // the other format's header
        {end5, false},                // no signature
    };
    const std::string path = ScratchFolder("ends") + "\\package.rar";
    for (const auto& c : cases) {
        CAPTURE(c.bytes.size());
        WriteFile(path, c.bytes);
        CHECK(PackageEndsWhole(path.c_str()) == c.whole);
    }
    for (const char* package : {"nested.rar", "refs.rar", "bad\\escaping.rar"})
        CHECK(PackageEndsWhole((Packages + package).c_str()));
    CHECK_FALSE(PackageEndsWhole((Packages + "cut.rar").c_str()));
}

TEST_CASE("without a usable library both passes end as for a package that cannot be opened")
{
    char system[MAX_PATH];
    GetSystemDirectoryA(system, MAX_PATH);
    const std::string library = std::string(system) + "\\unrar.dll";
    for (const char* stand : {"", "version.dll"}) {
        CAPTURE(stand);
        PrepareRun("nested.rar", "extract-nolibrary");
        UnloadUnrar();   // a measuring pass that could not open its package keeps it loaded
        REQUIRE(DeleteFileA(library.c_str()));
        // Missing altogether, or a library of that name without the entry points.
        if (*stand) CopyFileA((std::string(system) + "\\" + stand).c_str(), library.c_str(), FALSE);
        CHECK(MeasureSetupPackage() == 0);
        CHECK(ExtractSetupPackage().outcome.what == Happened::Failed);
        CHECK(Setup.Shown.ProgressStep == -1);
    }
    DeleteFileA(library.c_str());
}

TEST_CASE("files written by the program's own threads come out as the library writes them; a stop or a damaged entry leaves none cut")
{
    // Nine plain entries: the library unpacks, the program writes. Nested: five, which the library writes.
    for (const char* package : {"shared", "nested"}) {
        CAPTURE(package);
        const std::string folder = PrepareRun((std::string(package) + ".rar").c_str(), (std::string("stamps-") + package).c_str());
        const std::uint64_t total = MeasureSetupPackage();
        std::vector<int> steps;
        static std::vector<int>* seen;
        seen = &steps;
        ExtractionHooks hooks = WindowHooks;
        hooks.progress = [](int step) { seen->push_back(step); };
        const Extraction done = ExtractPackage(Setup.Paths.PackagePath, WideFromAnsi(folder.c_str()), Measured, hooks);
        CHECK(done.outcome.Done());
        CHECK(done.bytes == total);
        const std::vector<std::string> files = std::string(package) == "shared"
            ? std::vector<std::string>{"part1.bin", "part2.bin", "part3.bin", "part4.bin", "part5.bin", "part6.bin",
                                       "part7.bin", "part8.bin", "part9.bin"}
            : std::vector<std::string>{"tarn.exe", "big.dat", "a\\notes.txt", "a\\b\\c\\deep.bin", "d\\empty.txt", "a\\b\\c", "d"};
        for (const std::string& file : files) {
            CAPTURE(file);
            const std::string source = Packages + package + "\\" + file;
            CHECK((IsFolder(source) || SameFile(folder + "\\" + file, source)));
            CHECK(SameStamp(folder + "\\" + file, source));
        }
        REQUIRE(steps.size() >= 3);
        CHECK(steps.front() == -1);
        CHECK(steps.back() == -1);
        CHECK(std::is_sorted(steps.begin() + 1, steps.end() - 1));
        CHECK(steps[steps.size() - 2] == 16);
    }

    // A stop at the first block of data, inside the first entry of some 34 MB: nothing is finished,
    // and the file begun is not left cut.
    const std::string longFolder = PrepareRun("sharedlong.rar", "extract-shared-cancel");
    const std::uint64_t longTotal = MeasureSetupPackage();
    REQUIRE(longTotal > 9 * 30000000ull);
    ExtractionHooks hooks = WindowHooks;
    static int asked;
    asked = 0;
    hooks.stopNow = [] { return ++asked > 1; };   // the first ask comes before the first entry
    const Extraction stopped = ExtractPackage(Setup.Paths.PackagePath, WideFromAnsi(longFolder.c_str()), Measured, hooks);
    CHECK(stopped.outcome.what == Happened::Cancelled);
    CHECK(stopped.entries == 0u);
    CHECK(stopped.bytes < 30000000u);
    CHECK(BytesBelow(longFolder) == 0u);

    // The fifth entry's data fails its check: the run fails naming it, and it is not left in place.
    const std::string damaged = PrepareRun("shared-damaged.rar", "extract-shared-damaged");
    MeasureSetupPackage();
    const Extraction failed = ExtractPackage(Setup.Paths.PackagePath, WideFromAnsi(damaged.c_str()), Measured, WindowHooks);
    CHECK(failed.outcome.what == Happened::Failed);
    CHECK(failed.outcome.error == ERROR_CRC);
    CHECK(failed.outcome.path.find(L"part5.bin") != std::wstring::npos);
    CHECK(GetFileAttributesA((damaged + "\\part5.bin").c_str()) == INVALID_FILE_ATTRIBUTES);
}

TEST_CASE("the writers keep every byte in order within their limit, and stop at the first file they cannot write")
{
    const std::string folder = ScratchFolder("writers");
    const std::wstring root = L"\\\\?\\" + WideFromAnsi(folder.c_str());
    std::string big(3 * WritersHoldLimit + 12345, '\0');
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>((i * 2654435761u) >> 13);
    FILE_BASIC_INFO basic = {};
    basic.FileAttributes = FILE_ATTRIBUTE_HIDDEN;
    basic.LastWriteTime.QuadPart = 130000000000000000;
    {
        FileWriters writers([] {});
        REQUIRE(writers.Start(2));
        writers.Begin(root + L"\\big.bin", basic);
        // In blocks of odd sizes, then the rest (more than the limit) at once.
        const auto* bytes = reinterpret_cast<const unsigned char*>(big.data());
        std::size_t at = 0;
        for (std::size_t step = 1; at < WritersHoldLimit; at += step, step = step * 7 % 3000001 + 1) writers.Add(bytes + at, step);
        writers.Add(bytes + at, big.size() - at);
        writers.End(true);
        writers.Begin(root + L"\\cut.bin", basic);
        writers.Add(reinterpret_cast<const unsigned char*>(big.data()), 5000000);
        writers.End(false);
        writers.Begin(root + L"\\small.txt", basic);
        writers.Add(reinterpret_cast<const unsigned char*>("small"), 5);
        writers.End(true);
        CHECK(writers.Finish().Done());
        CHECK(writers.MostHeld() <= WritersHoldLimit);
    }
    CHECK(ReadFile(folder + "\\big.bin") == big);
    CHECK(GetFileAttributesA((folder + "\\cut.bin").c_str()) == INVALID_FILE_ATTRIBUTES);
    WIN32_FILE_ATTRIBUTE_DATA small;
    REQUIRE(GetFileAttributesExA((folder + "\\small.txt").c_str(), GetFileExInfoStandard, &small));
    CHECK(ReadFile(folder + "\\small.txt") == "small");
    CHECK((small.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN));
    CHECK((static_cast<LONGLONG>(small.ftLastWriteTime.dwHighDateTime) << 32 | small.ftLastWriteTime.dwLowDateTime) ==
          basic.LastWriteTime.QuadPart);

    // A file that is there already is never written over; nothing after it is written either.
    FileWriters writers([] {});
    REQUIRE(writers.Start(1));
    writers.Begin(root + L"\\small.txt", basic);
    writers.Add(reinterpret_cast<const unsigned char*>("other"), 5);
    writers.End(true);
    writers.Begin(root + L"\\after.txt", basic);
    writers.End(true);
    const Outcome failed = writers.Finish();
    CHECK(failed.what == Happened::Failed);
    CHECK(failed.error == ERROR_FILE_EXISTS);
    CHECK(failed.path == root + L"\\small.txt");
    CHECK(ReadFile(folder + "\\small.txt") == "small");
    CHECK(GetFileAttributesA((folder + "\\after.txt").c_str()) == INVALID_FILE_ATTRIBUTES);
}

TEST_CASE("a name that is not plain is never written as it stands, nor anywhere outside the folder")
{
    // Each package holds eight plain entries and one of these (see tools/make-packages.sh).
    const char* hostile[] = {"../up1.txt", "a/../../up2.txt", "C:/up3.txt", "/up4.txt", "name:stream.txt", "CON",
                             "nul.txt", "a/COM1/x.txt", "trail.", "trail ", "n...n.txt (300)", "a\\..\\..\\up5.txt"};
    const std::string parent = ScratchFolder("hostile");
    PrepareRun("shared.rar", "hostile-unused");
    MeasureSetupPackage();
    const PackageListing plain = Measured;
    REQUIRE(plain.plain);
    for (int i = 1; i <= 12; ++i) {
        const std::string entry = hostile[i - 1];
        CAPTURE(entry);
        const std::string in = parent + "\\in" + std::to_string(i);
        CreateDirectoryA(in.c_str(), nullptr);
        PrepareRun(("bad\\hostile" + std::to_string(i) + ".rar").c_str(), "hostile-unused");
        Aim(in + "\\Marvolen");
        MeasureSetupPackage();
        // The names the library reports have lost their drive and root, and a name made on Unix its
        // ':' and '\\': those are plain already, and written so.
        const bool reportedPlain = i == 3 || i == 4 || i == 5 || i == 12;
        CHECK(Measured.plain == reportedPlain);
        // As measured: as the library does it, each name made plain, or (past the length a name may
        // have) refused. Measured as a plain package, as if it changed since: refused at that entry.
        for (const bool changed : {false, true}) {
            CAPTURE(changed);
            const std::string folder = in + (changed ? "\\Changed" : "\\Marvolen");
            const Extraction done = ExtractPackage(Setup.Paths.PackagePath, WideFromAnsi(folder.c_str()), changed ? plain : Measured, WindowHooks);
            if (!changed) {
                CHECK(done.outcome.what == (i == 11 ? Happened::Failed : Happened::Done));
                CHECK(done.entries == (i == 11 ? 8u : 9u));
            } else {
                CHECK(done.outcome.what == (reportedPlain ? Happened::Done : Happened::Failed));
            }
            // Whatever was made of it: every name written below the folder is a plain one.
            std::vector<std::wstring> pending = {L""};
            while (!pending.empty()) {
                const std::wstring relative = pending.back();
                pending.pop_back();
                for (const WIN32_FIND_DATAW& entry : FolderEntries(L"\\\\?\\" + WideFromAnsi(folder.c_str()) + relative)) {
                    const std::wstring name = relative + L"\\" + entry.cFileName;
                    CHECK(IsPlainRelativeName(name));
                    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) pending.push_back(name);
                }
            }
        }
        for (const std::string& outside : {in, parent, std::string("C:")})
            for (const char* up : {"\\up1.txt", "\\up2.txt", "\\up3.txt", "\\up4.txt", "\\up5.txt"})
                CHECK(GetFileAttributesA((outside + up).c_str()) == INVALID_FILE_ATTRIBUTES);
    }
}

TEST_CASE("a cancel confirmed during an entry stops it there, and the run ends aborted")
{
    // Stored order: deep.bin first, then notes.txt and big.dat. The first block stops the library.
    PrepareRun("nested.rar", "extract-cancel");
    MeasureSetupPackage();
    QueueCancelYes();
    ShowStatus("Preparing");   // as the run shows it until Cancel goes live: the presses wait
    const Extraction stopped = ExtractSetupPackage();
    CHECK(stopped.outcome.what == Happened::Cancelled);
    CHECK(stopped.bytes <= 70000u);   // deep.bin comes in one block
    CHECK(stopped.entries == 0);
    CHECK(Setup.Shown.ProgressStep == -1);

    // In the only entry, which is also the last: stopped within it, whatever its size.
    PrepareRun("single.rar", "extract-cancel-last");
    MeasureSetupPackage();
    QueueCancelYes();
    const Extraction last = ExtractSetupPackage();
    CHECK(last.outcome.what == Happened::Cancelled);
    CHECK(last.bytes < 2000000u);

    // The library waits while the window is busy (a question read slowly), and stops within a
    // block of the answer; a stop that comes after its last block still stops the run.
    PrepareRun("sharedlong.rar", "extract-cancel-slow");
    const std::uint64_t total = MeasureSetupPackage();
    ExtractionHooks hooks = WindowHooks;
    static bool answered;
    answered = false;
    hooks.progress = [](int step) { if (step == 1 && !answered) { Sleep(500); answered = true; } };
    hooks.stopNow = [] { return answered; };
    const Extraction slow = ExtractPackage(Setup.Paths.PackagePath, Setup.Paths.Target.resolved, Measured, hooks);
    CHECK(slow.outcome.what == Happened::Cancelled);
    CHECK(slow.bytes < total / 8);
    static bool whole;
    whole = answered = false;
    hooks.progress = [](int step) { answered = whole && step == -1; whole = step == 16; };
    CHECK(ExtractPackage(Setup.Paths.PackagePath, Setup.Paths.Target.resolved, Measured, hooks).outcome.what == Happened::Cancelled);
}

TEST_CASE("a run over an earlier installation or into a new folder: every stop leaves the folder as it was")
{
    enum Stop { NoStop, CancelYes, Damaged, CutShort, FileInUse, KilledMidCommit, CancelMidCommit, KilledExtracting };
    struct Row { Stop stop; const char* package; bool earlier; int stopAfter; Happened outcome; };
    const Row rows[] = {
        {NoStop, "nested.rar", false, 0, Happened::Done},    {NoStop, "nested.rar", true, 0, Happened::Done},
        {CancelYes, "nested.rar", false, 0, Happened::Cancelled}, {CancelYes, "nested.rar", true, 0, Happened::Cancelled},
        {Damaged, "damaged.rar", false, 0, Happened::Failed},  {Damaged, "damaged.rar", true, 0, Happened::Failed},
        {CutShort, "cut.rar", false, 0, Happened::Failed},     {CutShort, "cut.rar", true, 0, Happened::Failed},
        {FileInUse, "nested.rar", true, 0, Happened::InUse},
        // Killed, or cancelled, before the first move, with a file or a whole folder moved aside
        // but the new one not yet in place (odd counts), and later; killed while extracting into a
        // new folder.
        {KilledMidCommit, "nested.rar", true, 0, Happened::NothingDone}, {KilledMidCommit, "nested.rar", true, 1, Happened::NothingDone},
        {KilledMidCommit, "nested.rar", true, 3, Happened::NothingDone}, {KilledMidCommit, "nested.rar", true, 5, Happened::NothingDone},
        {KilledMidCommit, "nested.rar", true, 8, Happened::NothingDone},
        {CancelMidCommit, "nested.rar", true, 0, Happened::Cancelled}, {CancelMidCommit, "nested.rar", true, 3, Happened::Cancelled},
        {CancelMidCommit, "nested.rar", true, 8, Happened::Cancelled}, {KilledExtracting, "nested.rar", false, 0, Happened::NothingDone},
        {KilledExtracting, "nested.rar", true, 0, Happened::NothingDone},
    };
    for (const Row& row : rows) {
        CAPTURE(row.stop);
        CAPTURE(row.earlier);
        CAPTURE(row.stopAfter);
        const std::string parent = PrepareRun(row.package, "run-stops");
        const std::string folder = parent + "\\Marvolen";
        RemoveTreeW(WideFromAnsi(folder.c_str()), true);
        RegDeleteTreeA(HKEY_CURRENT_USER, InstallRecordKey);
        if (row.earlier) {   // on record: the player's save beside it is no stranger's
            PlantEarlierInstallation(folder);
            RecordInstallation(folder);
        }
        const auto before = Snapshot(folder);
        if (row.stop == CancelYes) QueueCancelYes();
        HANDLE held = row.stop == FileInUse ? CreateFileA((folder + "\\d\\empty.txt").c_str(), GENERIC_READ,
                                                          FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr)
                                            : INVALID_HANDLE_VALUE;
        MovesLeft = row.stopAfter;
        RunNote standing;
        if (row.stop == KilledMidCommit || row.stop == KilledExtracting) {
            // A process killed among its moves, or while it extracts, leaves what it wrote and its
            // note as they were: the next start puts them back, wherever the folder was.
            const std::string at = (row.stop == KilledExtracting ? "step:8" : "moves:") +
                                   (row.stop == KilledExtracting ? std::string() : std::to_string(row.stopAfter));
            CHECK(InstallKilled(folder, Setup.Paths.PackagePath, at) == 9);
            CHECK(ReadRunNote(standing));
            if (row.stopAfter > 0 || row.stop == KilledExtracting) CHECK(Snapshot(folder) != before);   // really half-way
            CHECK(RecoverInterruptedRun().Done());
            CHECK(Snapshot(folder) == before);
            CHECK(IsFolder(folder) == row.earlier);
            CHECK_FALSE(ReadRunNote(standing));
            continue;
        }
        // Which folder stands there: a folder of files is swapped for the new one, an empty one kept.
        const auto identity = [&folder](const char* sub) {
            BY_HANDLE_FILE_INFORMATION info = {};
            HANDLE handle = CreateFileA((folder + sub).c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
            GetFileInformationByHandle(handle, &info);
            CloseHandle(handle);
            return (static_cast<ULONGLONG>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
        };
        const ULONGLONG files = identity("\\a"), empty = identity("\\empty folder");
        const Outcome result = RunInstall(folder, row.stop == CancelMidCommit ? StopWhenCounted : CarryOn);
        if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
        CHECK(result.what == row.outcome);
        if (row.stop == NoStop && row.earlier) CHECK((identity("\\a") != files && identity("\\empty folder") == empty));
        if (row.stop == NoStop) {
            for (const char* file : NestedFiles) CHECK(SameFile(folder + "\\" + file, Packages + "nested\\" + file));
            CHECK(IsFolder(folder + "\\empty folder"));
            CHECK(ReadFile(folder + "\\Saves\\slot1.sav") == (row.earlier ? "the player's save" : ""));
            CHECK_FALSE(IsFolder(folder + WorkArea));
            CHECK_FALSE(ReadRunNote(standing));
            continue;
        }
        // Each face tells the stop its own way: one code, from the one table.
        CHECK(ExitCodeFor(result.what) == (row.stop == FileInUse ? ExitInUse : result.what == Happened::Cancelled ? ExitCancelled : ExitFailed));
        CHECK(Snapshot(folder) == before);
        CHECK(IsFolder(folder) == row.earlier);
        CHECK_FALSE(ReadRunNote(standing));
    }

    // An old copy that cannot go yet (a program holds it open, sharing its deletion): the run is
    // done, and its note keeps the work area known until the next start has removed it.
    const std::string folder = PrepareRun("nested.rar", "run-stops") + "\\Marvolen";
    RemoveTreeW(WideFromAnsi(folder.c_str()), true);
    PlantEarlierInstallation(folder);
    RecordInstallation(folder);
    HANDLE held = CreateFileA((folder + "\\tarn.exe").c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    CHECK(RunInstall(folder, CarryOn).Done());
    RunNote standing;
    CHECK(SameFile(folder + "\\tarn.exe", Packages + "nested\\tarn.exe"));
    CHECK((IsFolder(folder + WorkArea) && ReadRunNote(standing)));
    CloseHandle(held);
    CHECK(RecoverInterruptedRun().Done());
    CHECK_FALSE((IsFolder(folder + WorkArea) || ReadRunNote(standing)));
    RegDeleteTreeA(HKEY_CURRENT_USER, InstallRecordKey);
}

TEST_CASE("a folder is installed into only when it holds nothing but an earlier installation of the game")
{
    const std::string parent = PrepareRun("nested.rar", "others");
    const std::string folder = parent + "\\Marvolen";
    // The package's own files (a lost record): taken. Someone's file beside them, a folder where the
    // package has a file, a folder named like the work area: refused before anything is written;
    // the recorded folder: taken.
    struct Row { std::string file; bool folder; bool recorded; Happened outcome; };
    const Row rows[] = {
        {"", false, false, Happened::Done},
        {"\\My Mods\\notes.txt", false, false, Happened::OthersFiles},
        {"\\big.dat\\inside.txt", true, false, Happened::OthersFiles},
        {WorkArea + "\\mine.txt", false, false, Happened::OthersFiles},
        {"\\My Mods\\notes.txt", false, true, Happened::Done},
        {"\\a\\b\\mine.txt", false, true, Happened::Done},   // beside the package's files: they move, it stays
    };
    for (const Row& row : rows) {
        CAPTURE(row.file);
        RemoveTreeW(WideFromAnsi(folder.c_str()), true);
        PlantEarlierInstallation(folder);
        RemoveTreeW(WideFromAnsi((folder + "\\Saves").c_str()), true);
        if (row.folder) {
            DeleteFileA((folder + "\\big.dat").c_str());
            CreateDirectoryA((folder + "\\big.dat").c_str(), nullptr);
        }
        if (!row.file.empty()) {
            const std::string path = folder + row.file;
            CreateDirectoryA(path.substr(0, path.rfind('\\')).c_str(), nullptr);
            WriteFile(path, "the player's own file");
        }
        RegDeleteTreeA(HKEY_CURRENT_USER, InstallRecordKey);
        if (row.recorded) RecordInstallation(folder);
        const auto before = Snapshot(folder);
        const Outcome result = RunInstall(folder, CarryOn);
        CHECK(result.what == row.outcome);
        CHECK(ExitCodeFor(row.outcome) == (row.outcome == Happened::Done ? ExitDone : ExitFailed));
        if (!result.Done()) CHECK(Snapshot(folder) == before);
        if (!row.file.empty() && result.Done()) CHECK(ReadFile(folder + row.file) == "the player's own file");
    }

    // The package's real size against the free space, once measured: the fixed figure is not all.
    RemoveTreeW(WideFromAnsi(folder.c_str()), true);
    FreeSpaceFigure = [](const wchar_t*) -> std::uint64_t { return 3000000; };
    CHECK(RunInstall(folder, CarryOn).what == Happened::NoSpace);
    CHECK_FALSE(IsFolder(folder));
    FreeSpaceFigure = nullptr;

    // A file of the package where the player keeps a folder (after the check, as a race would have
    // it): the run fails before anything moves, and the folder keeps what it holds.
    PlantEarlierInstallation(folder);
    RecordInstallation(folder);
    RemoveTreeW(WideFromAnsi((folder + "\\d").c_str()), true);
    CreateDirectoryA((folder + "\\d").c_str(), nullptr);
    CreateDirectoryA((folder + "\\d\\empty.txt").c_str(), nullptr);
    WriteFile(folder + "\\d\\empty.txt\\mine.txt", "the player's own file");
    const auto before = Snapshot(folder);
    const Outcome clash = RunInstall(folder, CarryOn);
    CHECK(clash.what == Happened::Failed);
    CHECK(clash.path.find(L"empty.txt") != std::wstring::npos);
    CHECK(Snapshot(folder) == before);

    // A link where the package has a file (the host laid it, see tests/wine-run.sh): the same, and
    // what it leads to keeps what it holds.
    const std::string linked = "C:\\planted\\Linked";
    RecordInstallation(linked);
    const Outcome led = RunInstall(linked, CarryOn);
    CHECK(led.what == Happened::Failed);
    CHECK(led.path.find(L"tarn.exe") != std::wstring::npos);
    CHECK(ReadFile("C:\\link-target\\keep.txt") == "not the game's\n");
    RegDeleteTreeA(HKEY_CURRENT_USER, InstallRecordKey);
}

TEST_CASE("an older version replaces a newer one only as the player wants; the same, an older or none is replaced")
{
    const std::string parent = PrepareRun("nested.rar", "versions");
    const std::string folder = parent + "\\Marvolen";
    constexpr OlderOverNewer Refused = OlderOverNewer::Refused, Allowed = OlderOverNewer::Allowed, Asked = OlderOverNewer::Asked;
    // This setup is 1.12. Asked: the window's question, answered Yes or No.
    struct Row { const char* recorded; OlderOverNewer rule; bool yes; Happened outcome; };
    const Row rows[] = {
        {"1.12", Refused, false, Happened::Done}, {"1.11", Refused, false, Happened::Done},
        {"1.9", Refused, false, Happened::Done}, {"0.99", Refused, false, Happened::Done},
        {"1.13", Refused, false, Happened::NewerInstalled}, {"2.0", Refused, false, Happened::NewerInstalled},
        {"1.100", Refused, false, Happened::NewerInstalled}, {"01.013", Refused, false, Happened::NewerInstalled},
        {"1.13", Allowed, false, Happened::Done}, {"1.13", Asked, false, Happened::NewerInstalled},
        {"1.13", Asked, true, Happened::Done},
        // No version that can be read: installed over as any earlier installation.
        {"", Refused, false, Happened::Done}, {"1.13a", Refused, false, Happened::Done},
        {"1.1.3", Refused, false, Happened::Done}, {"v2.0", Refused, false, Happened::Done},
        {"999999.0", Refused, false, Happened::Done}, {"2.", Refused, false, Happened::Done},
        {".13", Refused, false, Happened::Done}, {nullptr, Refused, false, Happened::Done},
    };
    for (const Row& row : rows) {
        CAPTURE(row.recorded ? row.recorded : "(none)");
        CAPTURE(static_cast<int>(row.rule));
        RemoveTreeW(WideFromAnsi(folder.c_str()), true);
        PlantEarlierInstallation(folder);
        RecordInstallation(folder);
        if (row.recorded)
            RegSetKeyValueA(HKEY_CURRENT_USER, InstallRecordKey, "Version", REG_SZ, row.recorded,
                            static_cast<DWORD>(strlen(row.recorded) + 1));
        const auto before = Snapshot(folder);
        Setup.Run.Downgrade = row.rule;
        Outcome result;
        if (row.rule == Asked) {
            EnsureWindow();
            QueuePress(Centre(Layout::QuestionRects[row.yes ? 0 : 1]));
            result = InstallWithWindow(WideFromAnsi(folder.c_str()));
        } else {
            result = RunInstall(folder, CarryOn);
        }
        CHECK(result.what == row.outcome);
        char version[PathSize] = "";
        ReadRegistryText(HKEY_CURRENT_USER, InstallRecordKey, "Version", version);
        if (result.Done()) {
            CHECK(SameFile(folder + "\\tarn.exe", Packages + "nested\\tarn.exe"));
            CHECK(ReadFile(folder + "\\Saves\\slot1.sav") == "the player's save");
            CHECK(std::string(version) == "1.12");
        } else {
            CHECK(ExitCodeFor(result.what) == ExitNewerInstalled);
            CHECK(Snapshot(folder) == before);
            CHECK(std::string(version) == row.recorded);
        }
    }
    RegDeleteTreeA(HKEY_CURRENT_USER, InstallRecordKey);
}

TEST_CASE("a journal is obeyed only in what the program writes, never through a link, and kept until it is done")
{
    // The host laid links in C:\planted\Marvolen (see tests/wine-run.sh) to C:\link-target.
    const std::string kept = "C:\\link-target\\keep.txt", planted = "C:\\planted\\Marvolen";
    const std::string plain = ScratchFolder("journals") + "\\Marvolen";
    struct Row {
        const char* journal;
        bool links;           // in the folder with the host's links
        bool backup;          // the work area holds the earlier tarn.exe
        bool held;            // another program holds the new tarn.exe
        const char* marker;   // what the work area's marker says; nullptr: the run's own token
        Happened outcome;
        const char* tarn;     // tarn.exe afterwards
    };
    const Row rows[] = {
        // Whole journals: put back, or (committed) only tidied.
        {"N\\new.txt\nD\\newdir\nR\\tarn.exe\n", false, true, false, nullptr, Happened::Done, "earlier"},
        {"R\\tarn.exe\nC\n", false, true, false, nullptr, Happened::Done, "new"},
        {"R\\tarn.exe\n", false, false, false, nullptr, Happened::Done, "new"},   // never moved aside
        // A restore that fails keeps everything for the next start.
        {"R\\tarn.exe\n", false, true, true, nullptr, Happened::NotRestored, "new"},
        // A work area that is not the run's, and journals that are not the program's: nothing obeyed.
        {"N\\tarn.exe\n", false, true, false, "{someone else}", Happened::NotRestored, "new"},
        {"X\\tarn.exe\n", false, true, false, nullptr, Happened::NotRestored, "new"},
        {"N\\tarn.exe\nN\\..\\..\\link-target\\keep.txt\n", false, true, false, nullptr, Happened::NotRestored, "new"},
        {"N\\tarn.exe\nN\\C:\\keep.txt\n", false, true, false, nullptr, Happened::NotRestored, "new"},
        {"N\\tarn.exe.\n", false, true, false, nullptr, Happened::NotRestored, "new"},
        {"N\\\\tarn.exe\n", false, true, false, nullptr, Happened::NotRestored, "new"},
        {"C\nN\\tarn.exe\n", false, true, false, nullptr, Happened::NotRestored, "new"},
        {"N\\tarn.exe\n\xff", false, true, false, nullptr, Happened::NotRestored, "new"},   // an odd byte: unreadable
        // Links at each depth, of the game's folder and of the work area.
        {"N\\x\\keep.txt\n", true, false, false, nullptr, Happened::NotRestored, "new"},
        {"N\\a\\y\\keep.txt\n", true, false, false, nullptr, Happened::NotRestored, "new"},
        {"N\\f.txt\n", true, false, false, nullptr, Happened::NotRestored, "new"},
        {"R\\x\\keep.txt\n", true, false, false, nullptr, Happened::NotRestored, "new"},
        {"R\\z.dll\n", true, false, false, nullptr, Happened::NotRestored, "new"},
        {"S\\x\n", true, false, false, nullptr, Happened::NotRestored, "new"},   // a folder swapped back through links
    };
    for (const Row& row : rows) {
        CAPTURE(row.journal);
        const std::string game = row.links ? planted : plain, area = game + WorkArea;
        CreateDirectoryA(game.c_str(), nullptr);
        CreateDirectoryA(area.c_str(), nullptr);
        CreateDirectoryA((area + "\\old").c_str(), nullptr);
        WriteFile(game + "\\tarn.exe", "new");
        WriteFile(game + "\\new.txt", "new");
        CreateDirectoryA((game + "\\newdir").c_str(), nullptr);
        if (row.backup) WriteFile(area + "\\old\\tarn.exe", "earlier");
        std::wstring journal = WideFromAnsi(row.journal);
        std::string bytes(reinterpret_cast<const char*>(journal.data()), journal.size() * sizeof(wchar_t));
        if (bytes.back() == '\0' && journal.back() == L'\xff') bytes.pop_back();   // the odd byte
        WriteFile(area + "\\journal", bytes);
        RunNote note;
        note.folder = L"\\\\?\\" + WideFromAnsi(game.c_str());
        REQUIRE(BeginRunNote(note).Done());
        REQUIRE(NoteOwnFolder(note, note.folder + WorkAreaName).Done());
        const std::wstring token = row.marker ? WideFromAnsi(row.marker) : note.token;
        WriteFile(area + "\\owner", std::string(reinterpret_cast<const char*>(token.data()), token.size() * sizeof(wchar_t)));
        HANDLE held = row.held ? CreateFileA((game + "\\tarn.exe").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                             OPEN_EXISTING, 0, nullptr)
                               : INVALID_HANDLE_VALUE;

        const Outcome recovered = RecoverInterruptedRun();
        if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
        CHECK(recovered.what == row.outcome);
        CHECK(ReadFile(kept) == "not the game's\n");
        CHECK(ReadFile(game + "\\tarn.exe") == row.tarn);
        RunNote standing;
        CHECK(ReadRunNote(standing) == (row.outcome == Happened::NotRestored));
        // Nothing of a work area goes until it is done with: its journal and backups stay.
        CHECK(IsFolder(area) == (row.outcome == Happened::NotRestored || row.links));
        if (row.outcome == Happened::NotRestored) {
            CHECK(GetFileAttributesA((area + "\\journal").c_str()) != INVALID_FILE_ATTRIBUTES);
            CHECK((ReadFile(area + "\\old\\tarn.exe") == "earlier") == row.backup);
        }
        if (row.held) {   // tried again at the next start, once the file is free
            CHECK(RecoverInterruptedRun().Done());
            CHECK(ReadFile(game + "\\tarn.exe") == "earlier");
            CHECK_FALSE(IsFolder(area));
        }
        const bool placedGoes = row.outcome == Happened::Done && std::string(row.journal).find("N\\new") == 0;
        CHECK((GetFileAttributesA((game + "\\new.txt").c_str()) == INVALID_FILE_ATTRIBUTES) == placedGoes);
        EndRunNote();
        for (const char* file : {"\\journal", "\\owner", "\\old\\tarn.exe"}) DeleteFileA((area + file).c_str());
        if (!row.links) RemoveTreeW(WideFromAnsi(game.c_str()), true);
    }
}

TEST_CASE("a cancel answered No lets the run complete")
{
    PrepareRun("nested.rar", "extract-no");
    MeasureSetupPackage();
    Setup.Shown.Screen = ProgressScreen;
    EnsureWindow();
    QueuePress(Centre(Layout::ProgressRects[0]));
    QueuePress(Centre(Layout::QuestionRects[1]));
    CHECK(ExtractSetupPackage().outcome.Done());
    CHECK(Setup.Run.CancelRequested == 0);
}

TEST_CASE("an entry that delivers less data than it claims fails the run")
{
    PrepareRun("bad\\oversized.rar", "extract-oversized");
    CHECK(MeasureSetupPackage() == 100000000u);
    CHECK(ExtractSetupPackage().outcome.what == Happened::Failed);
}

TEST_CASE("a closed window stops the run at its next cancel point")
{
    PrepareRun("nested.rar", "extract-close");
    MeasureSetupPackage();
    EnsureWindow();
    PostMessageA(Setup.Process.Window, WM_CLOSE, 0, 0);
    CHECK(ExtractSetupPackage().outcome.what == Happened::Cancelled);
    CHECK(Setup.Process.QuitRequested == 1);
    Setup.Process.QuitRequested = 0;
}

}
