#include "shell/log.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <shlobj.h>
#include <string>

#include "system/folder_guard.h"
#include "system/folder_path.h"

namespace {

wchar_t LogPath[MAX_PATH] = L"";

}  // namespace

std::string Printable(const std::wstring& text)
{
    const std::wstring plain = PlainForm(text);
    if (plain.empty()) return std::string();
    const int size = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, plain.c_str(), -1, nullptr, 0, "?", nullptr);
    std::string printed(size > 0 ? static_cast<std::size_t>(size) : 1, '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, plain.c_str(), -1, &printed[0], size, "?", nullptr);
    printed.resize(std::strlen(printed.c_str()));
    return printed;
}

void OpenLog(const std::wstring& path)
{
    // Made full now: start-up changes the working directory to the setup's own folder, and a
    // relative name would send every later line to a second file there (or nowhere, on a CD).
    wchar_t* name = nullptr;
    const DWORD length = path.empty() ? 0 : GetFullPathNameW(path.c_str(), MAX_PATH, LogPath, &name);
    if (length == 0 || length >= MAX_PATH || !name || name == LogPath) {
        LogPath[0] = L'\0';
        return;
    }
    // Its folder is made when missing, and the log is kept by every removal: it may lie in the
    // game's folder, and tells most when a run there fails.
    const std::wstring folder(LogPath, static_cast<std::size_t>(name - LogPath - 1));
    SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);   // there already, or the log cannot be written
    std::wstring resolved;
    if (ResolveFolder(folder, resolved)) KeepFile(resolved + L"\\" + name);
    Log("Marvolen Setup log");
}

void Log(const char* format, ...)
{
    if (!LogPath[0]) return;
    // Opened for each line and closed again: what was written stays, whatever ends the program.
    FILE* file = _wfopen(LogPath, L"a");
    if (!file) return;   // a log that cannot be written is no reason to stop
    SYSTEMTIME now;
    GetLocalTime(&now);
    std::fprintf(file, "%04u-%02u-%02u %02u:%02u:%02u  ", now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute,
                 now.wSecond);
    va_list values;
    va_start(values, format);
    std::vfprintf(file, format, values);
    va_end(values);
    std::fputs("\n", file);
    std::fclose(file);
}

void LogFailure(const char* what, DWORD error)
{
    // A failure the system gave no code for is not followed by its text for "no error".
    if (error == ERROR_SUCCESS) return Log("FAILED: %s", what);
    char text[512] = "";
    if (!FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text,
                        sizeof text, nullptr))
        // A COM status the system has no words for reads as COM statuses are written.
        std::snprintf(text, sizeof text, error & 0x80000000u ? "error 0x%08lX" : "error %lu",
                      static_cast<unsigned long>(error));
    for (char* c = text; *c; ++c)
        if (*c == '\r' || *c == '\n') *c = ' ';
    for (std::size_t end = std::strlen(text); end > 0 && text[end - 1] == ' '; --end) text[end - 1] = '\0';
    Log("FAILED: %s: %s", what, text);
}

void LogOutcome(const char* what, const Outcome& outcome)
{
    if (outcome.Done()) return;
    const std::string line = outcome.path.empty() ? std::string(what) : std::string(what) + ": " + Printable(outcome.path);
    LogFailure(line.c_str(), outcome.error);
}
