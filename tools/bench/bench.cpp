// The benchmark harness: the program's own start-up, painter, hover handling and extraction,
// timed in process under Wine. tools/bench/run.py starts it and turns its output into
// BENCHMARKS.md. Every record is one JSON line on stdout; any run that does not do its job
// prints an "error" record and ends the process with a non-zero code, so a broken
// measurement can never pass for a figure.
//
//   bench paint ROUNDS [DPI]      start-up, then every screen painted ROUNDS times undimmed
//                                 and dimmed, then ROUNDS hover messages; with DPI, the window
//                                 first moved to a monitor of that scale (WM_DPICHANGED)
//   bench extract PACKAGE DEST PAIRS
//                                 start-up, then PAIRS of (program, bare loop) extractions;
//                                 before each run it prints "ready" and waits for a line on
//                                 stdin, so the driver can empty DEST and sync the disk
//   bench profile PACKAGE DEST    the pieces of the program's extra work during extraction,
//                                 each timed on its own
//   bench startup-steps           start-up's steps one by one
//   bench respond PACKAGE DEST RUNS
//                                 start-up, then RUNS of the program's passes while a second
//                                 thread plays the mouse on the window: moves on and off Cancel
//                                 (time to the frame that shows it lit or dark) and a press on it
//                                 (time to the question on screen, answered No)
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <dll.hpp>

#include "install/extract.h"
#include "shell/run.h"
#include "shell/window_face.h"
#include "shell/flow.h"
#include "shell/startup.h"
#include "base/state.h"
#include "base/texts.h"
#include "shell/pump.h"
#include "shell/window.h"
#include "system/destination.h"
#include "system/folder_path.h"
#include "system/records.h"
#include "ui/layout.h"
#include "ui/painter.h"
#include "ui/scale.h"

namespace {

// The frames the painter shows, counted through its FrameShown (no reader listens here).
unsigned PaintCount;
void CountFrame() { ++PaintCount; }

// The program's two passes as the window runs them, into the run's destination.
PackageListing Measured;
std::uint64_t MeasureSetupPackage() { return (Measured = ListPackage(Setup.Paths.PackagePath, WindowHooks)).size; }
Extraction ExtractSetupPackage() { return ExtractPackage(Setup.Paths.PackagePath, Setup.Paths.Target.resolved, Measured, WindowHooks); }

double Ticks()
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

[[noreturn]] void Fail(const std::string& message)
{
    std::string escaped;
    for (char c : message) {
        if (c == '"' || c == '\\') escaped += '\\';
        escaped += c;
    }
    std::printf("{\"kind\":\"error\",\"message\":\"%s\"}\n", escaped.c_str());
    std::fflush(stdout);
    std::exit(1);
}

void Expect(bool condition, const std::string& message)
{
    if (!condition) Fail(message);
}

double Percentile(std::vector<double> samples, double fraction)
{
    std::sort(samples.begin(), samples.end());
    const size_t index = static_cast<size_t>(fraction * static_cast<double>(samples.size() - 1) + 0.5);
    return samples[std::min(index, samples.size() - 1)];
}

SIZE_T PeakWorkingSet()
{
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    Expect(GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters) != 0, "GetProcessMemoryInfo failed");
    return counters.PeakWorkingSetSize;
}

// Start-up as the program runs it, timed; its fixed pause is reported apart.
void TimedStartUp()
{
    const double started = Ticks();
    Expect(StartUp(GetModuleHandleA(nullptr)), "StartUp could not create the window");
    const double elapsed = Ticks() - started;
    Expect(Setup.Process.Window && IsWindow(Setup.Process.Window), "no window after StartUp");
    Expect(Setup.Shown.Busy == 0 && Setup.Shown.StatusPanelShown == 0, "StartUp did not end on the live menu");
    FrameShown = CountFrame;
    std::printf("{\"kind\":\"startup\",\"ms\":%.3f,\"fixed_pause_ms\":1000,\"peak_working_set\":%lu}\n", elapsed,
                static_cast<unsigned long>(PeakWorkingSet()));
    std::fflush(stdout);
}

// Start-up's own steps one by one, in its order and without its pause, each timed: where its
// time goes.
int StartUpStepsMode()
{
    Setup.Process.Instance = GetModuleHandleA(nullptr);
    for (int i = 0; i < StartUpStepCount; ++i) {
        const StartUpStep& step = StartUpSteps[i];
        if (step.pause) continue;
        const double started = Ticks();
        Expect(step.run(), std::string("start-up step failed: ") + step.name);
        std::printf("{\"kind\":\"startup_step\",\"step\":\"%s\",\"ms\":%.3f}\n", step.name, Ticks() - started);
    }
    std::fflush(stdout);
    return 0;
}

// ---- Painting ---------------------------------------------------------------------------

// The window must show what the painter composes: compares a grid of points of the window
// with a frame composed off screen from the same state.
void CheckWindowShowsFrame(const char* what)
{
    HDC window = GetDC(Setup.Process.Window);
    Frame frame;
    Expect(BeginFrame(window, frame), std::string("BeginFrame failed for ") + what);
    ComposeFrame(frame);
    const RECT whole = ScaledFrame();
    int compared = 0, equal = 0;
    for (int y = 7; y < whole.bottom; y += 31)
        for (int x = 5; x < whole.right; x += 29) {
            ++compared;
            equal += GetPixel(window, x, y) == GetPixel(frame.dc, x, y);
        }
    EndFrame(frame);
    ReleaseDC(Setup.Process.Window, window);
    Expect(equal == compared, std::string("the window does not show the composed frame for ") + what + " (" +
                                  std::to_string(equal) + " of " + std::to_string(compared) + " points)");
}

void PaintCase(ScreenId screen, int progressStep, int busy, int rounds)
{
    Setup.Shown.Screen = screen;
    Setup.Shown.ProgressStep = progressStep;
    Setup.Shown.Busy = busy;
    Setup.Shown.StatusPanelShown = 0;
    Setup.Shown.PromptKind = NoPrompt;
    for (int i = 0; i < 5; ++i) PaintScreen();   // first loads of the resources are not the case measured

    std::vector<double> samples;
    samples.reserve(rounds);
    const unsigned paintsBefore = PaintCount;
    for (int i = 0; i < rounds; ++i) {
        const double started = Ticks();
        PaintScreen();
        GdiFlush();
        samples.push_back(Ticks() - started);
    }
    Expect(PaintCount - paintsBefore == static_cast<unsigned>(rounds), "PaintScreen was not counted once per call");
    const std::string what = "screen " + std::to_string(screen) + (busy ? " dimmed" : " undimmed");
    CheckWindowShowsFrame(what.c_str());
    std::printf("{\"kind\":\"paint\",\"dpi\":%d,\"screen\":%d,\"dimmed\":%d,\"samples\":%d,\"median_ms\":%.4f,"
                "\"p99_ms\":%.4f,\"max_ms\":%.4f}\n",
                Setup.Shown.Dpi, screen, busy, rounds, Percentile(samples, 0.5), Percentile(samples, 0.99), Percentile(samples, 1.0));
    std::fflush(stdout);
}

// A pointer moving onto the first main-menu button and off it again, each message handled by
// the window procedure to the end: the button changes colour, the sound starts, the frame is
// painted.
void HoverCase(int rounds)
{
    Setup.Shown.Screen = MainMenu;
    Setup.Shown.ProgressStep = -1;
    Setup.Shown.Busy = 0;
    Setup.Shown.StatusPanelShown = 0;
    Setup.Shown.PromptKind = NoPrompt;
    PaintScreen();
    const RECT button = Scaled(Layout::MainMenuRects[0]);   // where the window shows it
    const LPARAM on = MAKELPARAM((button.left + button.right) / 2, (button.top + button.bottom) / 2);
    const LPARAM off = MAKELPARAM(Scaled(100), Scaled(440));   // on no button
    Expect(MainMenuButtons[0].colour == NormalColour, "the first menu button is not available");

    std::vector<double> samples;
    samples.reserve(rounds);
    for (int i = 0; i < rounds; ++i) {
        const bool onto = i % 2 == 0;
        const unsigned paintsBefore = PaintCount;
        const double started = Ticks();
        SendMessageA(Setup.Process.Window, WM_MOUSEMOVE, 0, onto ? on : off);
        GdiFlush();
        samples.push_back(Ticks() - started);
        Expect(MainMenuButtons[0].colour == (onto ? HighlightColour : NormalColour),
               "a mouse move did not change the button's state");
        Expect(PaintCount - paintsBefore == 1, "a state change was not painted exactly once");
    }
    CheckWindowShowsFrame("the main menu after hovering");
    std::printf("{\"kind\":\"hover\",\"dpi\":%d,\"samples\":%d,\"median_ms\":%.4f,\"p99_ms\":%.4f,\"max_ms\":%.4f}\n",
                Setup.Shown.Dpi, rounds, Percentile(samples, 0.5), Percentile(samples, 0.99), Percentile(samples, 1.0));
    std::fflush(stdout);
}

int PaintMode(int rounds, int dpi)
{
    TimedStartUp();
    if (dpi != Setup.Shown.Dpi) {
        // As Windows tells a window moved to a monitor of that scale (the display must hold it).
        RECT suggested = {0, 0, ScaledCoordinate(FrameWidth, dpi), ScaledCoordinate(FrameHeight, dpi)};
        SendMessageA(Setup.Process.Window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
        Expect(Setup.Shown.Dpi == dpi, "the window did not take the scale of " + std::to_string(dpi) + " dots per inch");
    }
    PaintCase(MainMenu, -1, 0, rounds);
    PaintCase(MainMenu, -1, 1, rounds);
    PaintCase(DestinationScreen, -1, 0, rounds);
    PaintCase(DestinationScreen, -1, 1, rounds);
    PaintCase(ProgressScreen, 8, 0, rounds);
    PaintCase(ProgressScreen, 8, 1, rounds);
    PaintCase(FinishScreen, -1, 0, rounds);
    PaintCase(FinishScreen, -1, 1, rounds);
    HoverCase(rounds);
    return 0;
}

// ---- Extraction -------------------------------------------------------------------------

// The library's entry points, looked up the way any caller of the published header does.
struct Library {
    HMODULE module = nullptr;
    decltype(&RAROpenArchive) open = nullptr;
    decltype(&RARCloseArchive) close = nullptr;
    decltype(&RARReadHeader) readHeader = nullptr;
    decltype(&RARProcessFile) processFile = nullptr;
    decltype(&RARSetProcessDataProc) setProcessDataProc = nullptr;

    template <typename Function>
    void LookUp(Function& function, const char* name)
    {
        function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
        Expect(function != nullptr, std::string("unrar.dll has no ") + name);
    }

    Library()
    {
        module = LoadLibraryA("unrar.dll");
        Expect(module != nullptr, "unrar.dll cannot be loaded from the system directory");
        LookUp(open, "RAROpenArchive");
        LookUp(close, "RARCloseArchive");
        LookUp(readHeader, "RARReadHeader");
        LookUp(processFile, "RARProcessFile");
        LookUp(setProcessDataProc, "RARSetProcessDataProc");
    }
    ~Library() { FreeLibrary(module); }
};

// The profile's data callback: counts what the library delivers, nothing more.
unsigned Blocks;

int PASCAL CountingBlock(unsigned char*, int)
{
    ++Blocks;
    return 1;
}

// Which entries a bare run gives its operation; the others are skipped.
enum class Entries { All, Small, Large };
constexpr unsigned LargeEntry = 1000000;

// The same library calls as the program, with nothing around them: every entry read and
// given `operation`. Returns the number of entries.
unsigned BareRun(const char* package, const char* dest, unsigned openMode, int operation, bool counting = false,
                 Entries which = Entries::All)
{
    Library unrar;
    RAROpenArchiveData request = {};
    request.ArcName = const_cast<char*>(package);
    request.OpenMode = openMode;
    HANDLE archive = unrar.open(&request);
    Expect(archive != nullptr && request.OpenResult == 0,
           "RAROpenArchive failed with " + std::to_string(request.OpenResult));
    if (counting) unrar.setProcessDataProc(archive, CountingBlock);
    RARHeaderData header = {};
    int status;
    unsigned entries = 0;
    while ((status = unrar.readHeader(archive, &header)) == 0) {
        ++entries;
        const bool large = header.UnpSize >= LargeEntry;
        const bool chosen = which == Entries::All || large == (which == Entries::Large);
        const int processed = unrar.processFile(archive, chosen ? operation : RAR_SKIP, const_cast<char*>(dest), nullptr);
        Expect(processed == 0, std::string("RARProcessFile failed on ") + header.FileName + " with " +
                                   std::to_string(processed));
    }
    unrar.close(archive);
    Expect(status == ERAR_END_ARCHIVE, "RARReadHeader ended with " + std::to_string(status));
    return entries;
}

void BareExtract(const char* package, const char* dest) { BareRun(package, dest, RAR_OM_EXTRACT, RAR_EXTRACT); }

// The program's two passes, started from the progress screen under the status panel as the
// installation run starts them.
void PrepareProgramPasses(const char* package, const char* dest)
{
    Expect(std::strlen(package) < PathSize && std::strlen(dest) < PathSize, "path too long");
    std::strcpy(Setup.Paths.PackagePath, package);
    std::strcpy(Setup.Paths.InstallPath, dest);
    Expect(ChooseDestination(WideFromAnsi(dest), Setup.Paths.Target).Done(), std::string("the folder cannot be used: ") + dest);
    Setup.Shown.Screen = ProgressScreen;
    Setup.Run.CancelRequested = 0;
    Setup.Shown.StatusText = Text(IDS_PREPARING);
    Setup.Shown.Busy = 1;
    Setup.Shown.StatusPanelShown = 1;
    PaintScreen();
}

Extraction RunProgramPasses(unsigned* paints, std::uint64_t* total)
{
    const unsigned before = PaintCount;
    *total = MeasureSetupPackage();
    const Extraction done = ExtractSetupPackage();
    *paints = PaintCount - before;
    return done;
}

void WaitForGo(const char* variant, int run)
{
    std::printf("{\"kind\":\"ready\",\"variant\":\"%s\",\"run\":%d}\n", variant, run);
    std::fflush(stdout);
    char line[64];
    Expect(std::fgets(line, sizeof line, stdin) != nullptr && std::strncmp(line, "go", 2) == 0,
           "the driver did not answer");
}

void BackToMenu()
{
    Setup.Shown.Screen = MainMenu;
    Setup.Shown.ProgressStep = -1;
    Setup.Shown.Busy = 0;
    Setup.Shown.StatusPanelShown = 0;
    PaintScreen();
}

int ExtractMode(const char* package, const char* dest, int pairs)
{
    TimedStartUp();
    for (int run = 0; run < pairs; ++run) {
        WaitForGo("program", run);
        PrepareProgramPasses(package, dest);
        unsigned paints = 0;
        std::uint64_t total = 0;
        const double started = Ticks();
        const Extraction done = RunProgramPasses(&paints, &total);
        const double elapsed = Ticks() - started;
        Expect(done.outcome.Done(), "the program's extraction ended with outcome " +
                                        std::to_string(static_cast<int>(done.outcome.what)) + " instead of installed");
        Expect(total > 0 && done.bytes == total, "the program's extraction delivered " + std::to_string(done.bytes) +
                                                     " of " + std::to_string(total) + " bytes");
        std::printf("{\"kind\":\"extract\",\"variant\":\"program\",\"run\":%d,\"ms\":%.3f,\"bytes\":%u,\"paints\":%u,"
                    "\"peak_working_set\":%lu}\n",
                    run, elapsed, static_cast<unsigned>(total), paints, static_cast<unsigned long>(PeakWorkingSet()));
        std::fflush(stdout);
        BackToMenu();

        WaitForGo("bare", run);
        const double bareStarted = Ticks();
        BareExtract(package, dest);
        const double bareElapsed = Ticks() - bareStarted;
        std::printf("{\"kind\":\"extract\",\"variant\":\"bare\",\"run\":%d,\"ms\":%.3f,\"peak_working_set\":%lu}\n", run,
                    bareElapsed, static_cast<unsigned long>(PeakWorkingSet()));
        std::fflush(stdout);
    }
    return 0;
}

// A fresh install into a folder that is not there yet, then reinstalls over it: each a whole
// installation without the window's pauses, the reinstalls through the work area and the moves
// into place, then the links and records; timed to the run's report, and to the end of the
// removal of the files they replaced, which goes on meanwhile.
int ReinstallMode(const char* package, const char* dest, int reinstalls)
{
    TimedStartUp();
    for (int run = 0; run <= reinstalls; ++run) {
        WaitForGo(run == 0 ? "fresh" : "reinstall", run);
        PrepareProgramPasses(package, dest);
        const double started = Ticks();
        const RunFace face = {&WindowHooks, [] { return NextMove::CarryOn; }, [](RunKinds) {},
                              [](RunKinds, const Outcome&) {}, [](UINT) {}, [](const std::wstring&) { return false; }};
        const Outcome result = Install(face, WideFromAnsi(dest));
        const double elapsed = Ticks() - started;
        // The old copies a reinstall replaced go on after the run reports; waited for apart.
        WaitForOldCopies(nullptr);
        const double tidied = Ticks() - started;
        Expect(result.Done(), "the install ended with outcome " + std::to_string(static_cast<int>(result.what)));
        std::printf("{\"kind\":\"install\",\"variant\":\"%s\",\"run\":%d,\"ms\":%.3f,\"tidied_ms\":%.3f}\n",
                    run == 0 ? "fresh" : "reinstall", run, elapsed, tidied);
        std::fflush(stdout);
        BackToMenu();
    }
    return 0;
}

void ProfileRecord(const char* item, const std::vector<double>& samples, const char* unit = "ms")
{
    std::printf("{\"kind\":\"profile\",\"item\":\"%s\",\"median\":%.4f,\"unit\":\"%s\",\"samples\":%u}\n", item,
                Percentile(samples, 0.5), unit, static_cast<unsigned>(samples.size()));
    std::fflush(stdout);
}

// The program's passes with the timing stand-in for unrar.dll in front of the library: each
// pass's time split into the time inside the library and the program's own, in the same run.
void ProgramSplit(const char* package, const char* dest)
{
    char folder[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, folder, MAX_PATH);
    Expect(length > 0 && length < MAX_PATH - 32, "the harness's own path is too long");
    *std::strrchr(folder, '\\') = '\0';
    const std::string shimFolder = std::string(folder) + "\\shim";
    char system[MAX_PATH];
    GetSystemDirectoryA(system, MAX_PATH);
    Expect(CopyFileA((std::string(system) + "\\unrar.dll").c_str(), (shimFolder + "\\unrar-real.dll").c_str(), FALSE) != 0,
           "cannot copy the library beside the timing stand-in");
    // The program loads the library file start-up names; here it is told the stand-in's.
    const std::string shimFile = shimFolder + "\\unrar.dll";
    UseLibraryFile(shimFile.c_str());
    HMODULE shim = LoadLibraryA(shimFile.c_str());
    Expect(shim != nullptr, "the timing stand-in for unrar.dll cannot be loaded");
    using Totals = void (*)(double*, unsigned*);
    const auto totals = reinterpret_cast<Totals>(reinterpret_cast<void*>(GetProcAddress(shim, "TimingTotals")));
    Expect(totals != nullptr, "the timing stand-in has no TimingTotals");

    for (int run = 0; run < 3; ++run) {
        WaitForGo("split", run);
        PrepareProgramPasses(package, dest);
        double inside0, inside1, inside2;
        unsigned calls0, calls1, calls2;
        const unsigned paintsBefore = PaintCount;
        totals(&inside0, &calls0);
        const double started = Ticks();
        const std::uint64_t total = MeasureSetupPackage();
        const double measured = Ticks();
        totals(&inside1, &calls1);
        const Extraction done = ExtractSetupPackage();
        const double ended = Ticks();
        totals(&inside2, &calls2);
        Expect(done.outcome.Done() && total > 0 && done.bytes == total,
               "the program's extraction through the timing stand-in did not install the package");
        Expect(calls1 > calls0 && calls2 > calls1, "the program's passes did not go through the timing stand-in");
        std::printf("{\"kind\":\"split\",\"run\":%d,\"measure_ms\":%.3f,\"measure_library_ms\":%.3f,"
                    "\"extract_ms\":%.3f,\"extract_library_ms\":%.3f,\"library_calls\":%u,\"paints\":%u}\n",
                    run, measured - started, inside1 - inside0, ended - measured, inside2 - inside1, calls2 - calls0,
                    PaintCount - paintsBefore);
        std::fflush(stdout);
        BackToMenu();
    }
    SetDllDirectoryA(nullptr);
    FreeLibrary(shim);
}

// Where the program's extra time over the bare loop goes. Whole extractions vary too much from
// run to run to show it, so: the program's passes split within each run into the library's time
// and the program's own; and the pieces of that own work, each timed on its own (the measuring
// pass, an empty message pump, how many entries and data blocks the library delivers). Also
// the bare loop testing instead of extracting (nothing written) and split into small and large
// entries, to separate the library's work from the file system's.
int ProfileMode(const char* package, const char* dest)
{
    TimedStartUp();

    WaitForGo("counting", 0);
    Blocks = 0;
    const unsigned entries = BareRun(package, dest, RAR_OM_EXTRACT, RAR_EXTRACT, true);
    std::printf("{\"kind\":\"profile\",\"item\":\"counts\",\"variant\":\"counting\",\"entries\":%u,\"blocks\":%u,"
                "\"peak_working_set\":%lu}\n",
                entries, Blocks, static_cast<unsigned long>(PeakWorkingSet()));
    std::fflush(stdout);

    std::vector<double> samples;
    for (int i = 0; i < 5; ++i) {
        const double started = Ticks();
        BareRun(package, dest, RAR_OM_LIST, RAR_SKIP);
        samples.push_back(Ticks() - started);
    }
    ProfileRecord("bare listing", samples);

    samples.clear();
    for (int i = 0; i < 5; ++i) {
        PrepareProgramPasses(package, dest);
        const double started = Ticks();
        const std::uint64_t total = MeasureSetupPackage();
        samples.push_back(Ticks() - started);
        Expect(total > 0, "the package cannot be measured");
    }
    ProfileRecord("measuring pass", samples);
    BackToMenu();

    samples.clear();
    for (int i = 0; i < 5000; ++i) {
        const double started = Ticks();
        PumpMessages();
        samples.push_back((Ticks() - started) * 1000.0);
    }
    ProfileRecord("empty pump", samples, "us");

    samples.clear();
    for (int i = 0; i < 3; ++i) {
        const double started = Ticks();
        BareRun(package, dest, RAR_OM_EXTRACT, RAR_TEST);
        samples.push_back(Ticks() - started);
    }
    ProfileRecord("bare testing", samples);

    // The bare loop's time split between the small entries and the large ones.
    for (int i = 0; i < 2; ++i)
        for (const Entries which : {Entries::Small, Entries::Large}) {
            const char* name = which == Entries::Small ? "small" : "large";
            WaitForGo(name, i);
            const double started = Ticks();
            BareRun(package, dest, RAR_OM_EXTRACT, RAR_EXTRACT, false, which);
            std::printf("{\"kind\":\"profile_run\",\"entries\":\"%s\",\"run\":%d,\"ms\":%.3f}\n", name, i,
                        Ticks() - started);
            std::fflush(stdout);
        }
    ProgramSplit(package, dest);
    return 0;
}

}  // namespace

// ---- Responsiveness during extraction ---------------------------------------------------

// A pixel of a label that differs between two states of the frame, found by composing both.
POINT LabelPixel(COLORREF wanted, COLORREF other, const RECT& area)
{
    Frame frame;
    HDC screen = GetDC(nullptr);
    Expect(BeginFrame(screen, frame), "cannot compose a frame");
    ComposeFrame(frame);
    POINT found = {-1, -1};
    for (LONG y = area.top; y < area.bottom && found.x < 0; ++y)
        for (LONG x = area.left; x < area.right && found.x < 0; ++x)
            if (GetPixel(frame.dc, x, y) == wanted) found = {x, y};
    EndFrame(frame);
    ReleaseDC(nullptr, screen);
    Expect(found.x >= 0 && wanted != other, "no label pixel to watch");
    return found;
}

struct Player {
    HWND window;
    POINT cancelPixel, yesPixel;
    volatile LONG extracting;   // set by the main thread while its passes run
    volatile LONG stop;
    std::vector<double> moves, questions;
};

// Polls the window's pixel until it shows the colour; the time from `started`, or -1.
double WaitForPixel(HWND window, POINT at, COLORREF colour, double started)
{
    while (Ticks() - started < 2000) {
        HDC dc = GetDC(window);
        const COLORREF now = GetPixel(dc, at.x, at.y);
        ReleaseDC(window, dc);
        if (now == colour) return Ticks() - started;
        Sleep(0);
    }
    return -1;
}

void Post(HWND window, UINT message, const RECT& on)
{
    const LPARAM at = MAKELPARAM((on.left + on.right) / 2, (on.top + on.bottom) / 2);
    PostMessageA(window, message, message == WM_LBUTTONDOWN ? MK_LBUTTON : 0, at);
}

DWORD WINAPI PlayMouse(void* context)
{
    Player& p = *static_cast<Player*>(context);
    const RECT off = {10, 10, 11, 11};
    unsigned round = 0;
    bool asked = false;
    while (!p.stop) {
        Sleep(20 + (round * 7919) % 40);   // irregular, so the moves fall anywhere in the work
        if (!p.extracting) continue;
        const bool onto = round % 2 == 0;
        double started = Ticks();
        Post(p.window, WM_MOUSEMOVE, onto ? Layout::ProgressRects[0] : off);
        const double moved = WaitForPixel(p.window, p.cancelPixel, onto ? HighlightColour : NormalColour, started);
        if (moved >= 0 && p.extracting) p.moves.push_back(moved);
        ++round;
        if (onto && !asked && round > 20 && moved >= 0) {
            // Cancel is lit: press it, time the question, and answer No.
            asked = true;
            started = Ticks();
            Post(p.window, WM_LBUTTONDOWN, Layout::ProgressRects[0]);
            const double shown = WaitForPixel(p.window, p.yesPixel, NormalColour, started);
            if (shown >= 0) p.questions.push_back(shown);
            Post(p.window, WM_MOUSEMOVE, Layout::QuestionRects[1]);
            Sleep(50);
            Post(p.window, WM_LBUTTONDOWN, Layout::QuestionRects[1]);
            Sleep(150);
            ++round;   // the pointer is off Cancel now: the next move goes onto it
        }
    }
    return 0;
}

int RespondMode(const char* package, const char* dest, int runs)
{
    TimedStartUp();
    // The pixels that show Cancel lit and the question up, from the painter's own frames.
    Setup.Shown.Screen = ProgressScreen;
    Setup.Shown.Busy = 0;
    Setup.Shown.StatusPanelShown = 0;
    Button(CancelButton).colour = HighlightColour;
    const POINT cancelPixel = LabelPixel(HighlightColour, NormalColour, Layout::ProgressRects[0]);
    Button(CancelButton).colour = NormalColour;
    Setup.Shown.PromptKind = QuestionPrompt;
    Setup.Shown.PromptText = Text(IDS_ASK_ABORT);
    const POINT yesPixel = LabelPixel(NormalColour, HighlightColour, Layout::QuestionRects[0]);
    Setup.Shown.PromptKind = NoPrompt;
    BackToMenu();

    for (int run = 0; run < runs; ++run) {
        WaitForGo("respond", run);
        Player player{Setup.Process.Window, cancelPixel, yesPixel, 0, 0, {}, {}};
        HANDLE thread = CreateThread(nullptr, 0, PlayMouse, &player, 0, nullptr);
        Expect(thread != nullptr, "cannot start the mouse player");
        PrepareProgramPasses(package, dest);
        MeasureSetupPackage();
        player.extracting = 1;
        const bool installed = ExtractSetupPackage().outcome.Done();
        player.extracting = 0;
        player.stop = 1;
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
        Expect(installed, "the extraction under the mouse did not install the package");
        Expect(player.moves.size() >= 20, "too few mouse moves were answered during the extraction");
        Expect(player.questions.size() == 1, "the press on Cancel brought no question");
        std::printf("{\"kind\":\"respond\",\"run\":%d,\"moves\":%u,\"move_median_ms\":%.3f,\"move_p99_ms\":%.3f,"
                    "\"question_ms\":%.3f}\n",
                    run, static_cast<unsigned>(player.moves.size()), Percentile(player.moves, 0.5),
                    Percentile(player.moves, 0.99), player.questions[0]);
        std::fflush(stdout);
        BackToMenu();
    }
    return 0;
}

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "paint" && (argc == 3 || argc == 4))
        return PaintMode(std::atoi(argv[2]), argc == 4 ? std::atoi(argv[3]) : LayoutDpi);
    if (mode == "extract" && argc == 5) return ExtractMode(argv[2], argv[3], std::atoi(argv[4]));
    if (mode == "profile" && argc == 4) return ProfileMode(argv[2], argv[3]);
    if (mode == "reinstall" && argc == 5) return ReinstallMode(argv[2], argv[3], std::atoi(argv[4]));
    if (mode == "startup-steps" && argc == 2) return StartUpStepsMode();
    if (mode == "respond" && argc == 5) return RespondMode(argv[2], argv[3], std::atoi(argv[4]));
    Fail("usage: bench paint ROUNDS [DPI] | bench extract PACKAGE DEST PAIRS | bench profile PACKAGE DEST | "
         "bench startup-steps | bench respond PACKAGE DEST RUNS | bench reinstall PACKAGE DEST RUNS");
}
