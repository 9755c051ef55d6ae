#include "install/extract.h"

#include "shell/state.h"
#include "shell/window.h"
#include "ui/painter.h"

RAROpenArchiveData OpenRequest;
RARHeaderData EntryHeader;
unsigned int BytesTotal;
unsigned int BytesDone;

namespace {

char ArchiveComment[CommentBufferSize];
char OemInstallPath[PathSize];

struct UnrarApi {
    HMODULE module;
    decltype(&RAROpenArchive) OpenArchive;
    decltype(&RARCloseArchive) CloseArchive;
    decltype(&RARReadHeader) ReadHeader;
    decltype(&RARProcessFile) ProcessFile;
    decltype(&RARSetChangeVolProc) SetChangeVolProc;
    decltype(&RARSetProcessDataProc) SetProcessDataProc;
    decltype(&RARSetPassword) SetPassword;
} Unrar;

template <typename Function>
void LookUp(Function& function, const char* name)
{
    function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(Unrar.module, name)));
}

HANDLE OpenPackage(unsigned int mode)
{
    CharToOemA(Setup.InstallPath, OemInstallPath);
    OpenRequest = {};
    OpenRequest.ArcName = Setup.PackagePath;
    OpenRequest.OpenMode = mode;
    OpenRequest.CmtBuf = ArchiveComment;
    OpenRequest.CmtBufSize = CommentBufferSize;
    return Unrar.OpenArchive(&OpenRequest);
}

bool Stopping() { return Setup.CancelRequested || Setup.QuitRequested; }

// Draining the queue costs a round trip to the window system even when it is empty (about
// 0.1 ms under Wine), which per entry and per block of a large package adds up to seconds.
// Draining at most once a frame keeps the window just as responsive.
constexpr DWORD PumpInterval = 15;   // ms
DWORD LastPump;

void StartPumping() { LastPump = GetTickCount() - PumpInterval; }

void PumpNowAndThen()
{
    if (GetTickCount() - LastPump < PumpInterval) return;
    PumpMessages();
    LastPump = GetTickCount();
}

}  // namespace

bool LoadUnrar()
{
    if (!Unrar.module) {
        Unrar.module = LoadLibraryA("unrar.dll");
        if (!Unrar.module) return false;
        LookUp(Unrar.OpenArchive, "RAROpenArchive");
        LookUp(Unrar.CloseArchive, "RARCloseArchive");
        LookUp(Unrar.ReadHeader, "RARReadHeader");
        LookUp(Unrar.ProcessFile, "RARProcessFile");
        LookUp(Unrar.SetChangeVolProc, "RARSetChangeVolProc");
        LookUp(Unrar.SetProcessDataProc, "RARSetProcessDataProc");
        LookUp(Unrar.SetPassword, "RARSetPassword");
    }
    // The entry points the passes call; the other two are only looked up.
    return Unrar.OpenArchive && Unrar.CloseArchive && Unrar.ReadHeader && Unrar.ProcessFile &&
           Unrar.SetProcessDataProc;
}

void UnloadUnrar()
{
    if (Unrar.module) FreeLibrary(Unrar.module);
    Unrar = {};
}

unsigned int MeasurePackage()
{
    if (!LoadUnrar()) return 0;
    HANDLE package = OpenPackage(RAR_OM_LIST);
    PaintScreen();
    unsigned int sum = 0;
    if (!package) return 0;
    EntryHeader.CmtBuf = nullptr;
    EntryHeader.CmtBufSize = 0;
    StartPumping();
    while (Unrar.ReadHeader(package, &EntryHeader) == 0 && !Stopping()) {
        Unrar.ProcessFile(package, RAR_SKIP, OemInstallPath, nullptr);
        sum += EntryHeader.UnpSize;
        PumpNowAndThen();
    }
    Unrar.CloseArchive(package);
    return sum;
}

int ExtractPackage()
{
    const bool loaded = LoadUnrar();
    HANDLE package = loaded ? OpenPackage(RAR_OM_EXTRACT) : nullptr;
    Setup.Busy = 0;   // from here the Cancel button is live
    Setup.StatusPanelShown = 0;
    PaintScreen();
    Setup.CancelRequested = 0;

    int result = RunFailed;
    if (package) {
        EntryHeader.CmtBuf = nullptr;
        EntryHeader.CmtBufSize = 0;
        Unrar.SetProcessDataProc(package, OnPackageData);
        BytesDone = 0;
        Setup.ProgressStep = -1;
        int header;
        bool damaged = false;
        StartPumping();
        while ((header = Unrar.ReadHeader(package, &EntryHeader)) == 0 && !Stopping()) {
            damaged = Unrar.ProcessFile(package, RAR_EXTRACT, OemInstallPath, nullptr) != 0;
            PumpNowAndThen();
            if (damaged) break;
        }
        Unrar.SetProcessDataProc(package, nullptr);
        Unrar.CloseArchive(package);
        // A package counts as installed only when it ended where it should and all of it came out.
        const bool complete = !damaged && (header == ERAR_END_ARCHIVE || Stopping()) && BytesDone >= BytesTotal;
        result = complete ? RunInstalled : RunFailed;
    }
    UnloadUnrar();
    Setup.ProgressStep = -1;
    if (Stopping()) result = RunAborted;
    return result;
}

int ProgressStepFor(unsigned int done, unsigned int total)
{
    // In double precision and unsigned, so neither an empty nor a huge package misbehaves.
    if (total == 0) return 0;
    return static_cast<int>(static_cast<double>(done) * 16.0 / static_cast<double>(total));
}

int PASCAL OnPackageData(unsigned char*, int size)
{
    BytesDone += static_cast<unsigned int>(size);
    const int step = ProgressStepFor(BytesDone, BytesTotal);
    if (step != Setup.ProgressStep) {
        Setup.ProgressStep = step;
        PaintScreen();
    }
    PumpNowAndThen();
    return 1;
}
