// A stand-in unrar.dll for the extraction profile: forwards each call the program makes to the
// real library and adds up the time spent inside it, less the time spent in the caller's data
// callback. Set against the time of a whole pass, that separates the library's work from the
// program's own, within one run (whole runs vary too much from one to the next for that).
// The real library is loaded from "unrar-real.dll" beside this file, a copy of the one start-up
// wrote, so that only one module named unrar.dll is loaded.
#include <windows.h>

#include <cstring>

#include <dll.hpp>

namespace {

HMODULE Real;
decltype(&RAROpenArchive) RealOpen;
decltype(&RARCloseArchive) RealClose;
decltype(&RARReadHeader) RealReadHeader;
decltype(&RARReadHeaderEx) RealReadHeaderEx;
decltype(&RARProcessFile) RealProcessFile;
decltype(&RARProcessFileW) RealProcessFileW;
decltype(&RARSetProcessDataProc) RealSetProcessDataProc;

LONGLONG InsideTicks;   // in the library, callbacks excluded
unsigned Calls;
PROCESSDATAPROC CallerProc;

template <typename Function>
void LookUp(Function& function, const char* name)
{
    function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(Real, name)));
}

bool Load(HMODULE self)
{
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(self, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return false;
    char* slash = strrchr(path, '\\');
    if (!slash || lstrlenA(path) + 16 >= MAX_PATH) return false;
    lstrcpyA(slash + 1, "unrar-real.dll");
    Real = LoadLibraryA(path);
    if (!Real) return false;
    LookUp(RealOpen, "RAROpenArchive");
    LookUp(RealClose, "RARCloseArchive");
    LookUp(RealReadHeader, "RARReadHeader");
    LookUp(RealReadHeaderEx, "RARReadHeaderEx");
    LookUp(RealProcessFile, "RARProcessFile");
    LookUp(RealProcessFileW, "RARProcessFileW");
    LookUp(RealSetProcessDataProc, "RARSetProcessDataProc");
    return RealOpen && RealClose && RealReadHeader && RealReadHeaderEx && RealProcessFile && RealProcessFileW &&
           RealSetProcessDataProc;
}

LONGLONG Now()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

struct Inside {
    LONGLONG started = Now();
    Inside() { ++Calls; }
    ~Inside() { InsideTicks += Now() - started; }
};

int PASCAL RelayData(unsigned char* block, int size)
{
    const LONGLONG started = Now();
    const int result = CallerProc(block, size);
    InsideTicks -= Now() - started;
    return result;
}

}  // namespace

extern "C" {

HANDLE PASCAL RAROpenArchive(RAROpenArchiveData* data)
{
    Inside timed;
    return RealOpen(data);
}

int PASCAL RARCloseArchive(HANDLE archive)
{
    Inside timed;
    return RealClose(archive);
}

int PASCAL RARReadHeader(HANDLE archive, RARHeaderData* header)
{
    Inside timed;
    return RealReadHeader(archive, header);
}

int PASCAL RARReadHeaderEx(HANDLE archive, RARHeaderDataEx* header)
{
    Inside timed;
    return RealReadHeaderEx(archive, header);
}

int PASCAL RARProcessFile(HANDLE archive, int operation, char* destPath, char* destName)
{
    Inside timed;
    return RealProcessFile(archive, operation, destPath, destName);
}

int PASCAL RARProcessFileW(HANDLE archive, int operation, wchar_t* destPath, wchar_t* destName)
{
    Inside timed;
    return RealProcessFileW(archive, operation, destPath, destName);
}

void PASCAL RARSetProcessDataProc(HANDLE archive, PROCESSDATAPROC proc)
{
    Inside timed;
    CallerProc = proc;
    RealSetProcessDataProc(archive, proc ? RelayData : nullptr);
}

// For the harness: milliseconds inside the library and calls so far.
void TimingTotals(double* insideMs, unsigned* calls)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    *insideMs = static_cast<double>(InsideTicks) * 1000.0 / static_cast<double>(frequency.QuadPart);
    *calls = Calls;
}

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID)
{
    // Loading a library from DllMain is allowed for one that is not a system component; the
    // stand-in is useless without it, so it fails to load rather than fail later.
    if (reason == DLL_PROCESS_ATTACH) return Load(self);
    return TRUE;
}

}  // extern "C"
