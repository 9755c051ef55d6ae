// The program: its arguments, one setup at a time on the machine, and which run it makes of them.
#include <windows.h>

#include <cstring>
#include <string>

#include "base/exit_codes.h"
#include "base/state.h"
#include "base/texts.h"
#include "shell/command_line.h"
#include "shell/input.h"
#include "shell/log.h"
#include "shell/passive.h"
#include "shell/prompts.h"
#include "shell/run.h"
#include "shell/silent.h"
#include "shell/startup.h"
#include "shell/window.h"
#include "system/records.h"
#include "system/system_library.h"

namespace {

// The usage without a window: into the log (in English, as every line of the log), and to the
// console or output the program was started from, if any, in the language it speaks.
void ShowUsageWithoutWindow(const std::wstring& log)
{
    OpenLog(log);
    std::string lines = UsageText(English);
    for (char* line = std::strtok(&lines[0], "\n"); line; line = std::strtok(nullptr, "\n")) Log("%s", line);
    HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    if ((!output || output == INVALID_HANDLE_VALUE) && AttachConsole(ATTACH_PARENT_PROCESS))
        output = GetStdHandle(STD_OUTPUT_HANDLE);
    if (!output || output == INVALID_HANDLE_VALUE) return;
    const std::string usage = UsageText();
    std::string text;   // each line ending as consoles and text files expect
    for (const char* c = usage.c_str(); *c; ++c) text += *c == '\n' ? std::string("\r\n") : std::string(1, *c);
    text += "\r\n";
    DWORD written, mode;
    // A console shows UTF-16 whatever its code page; a file or pipe takes the UTF-8 as it is.
    if (GetConsoleMode(output, &mode)) {
        const std::wstring wide = WideFromUtf8(text.c_str());
        WriteConsoleW(output, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    } else {
        WriteFile(output, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);   // nobody may be reading
    }
}

// The language to speak: /lang= where given; for an uninstall, the installation's, as its record
// names it; else the player's own (the user's interface language), or the nearest we speak.
int ChooseLanguage(const Options& options)
{
    if (!options.lang.empty()) return LanguageOfCode(options.lang);
    std::wstring recorded;
    if ((options.uninstall || StartedAsUninstaller()) && ReadInstalledLanguage(recorded)) {
        const int language = LanguageNamed(recorded);
        if (language >= 0) return language;
    }
    return LanguageForInterface(GetUserDefaultUILanguage());
}

int RunUnattended(HINSTANCE instance, const Options& options)
{
    StartUpWithoutWindow(instance);
    const int code = options.uninstall || Setup.Run.UninstallerMode ? RunSilentUninstall() : RunSilentInstall(options);
    WaitForOldCopies(nullptr);
    Log("Exit code %d", code);
    CoUninitialize();
    return code;
}

}  // namespace

// The whole program, given its arguments: with /silent an unattended run, else start-up and the
// message loop (or /passive's run). Returns the exit code (see base/exit_codes.h).
int RunSetup(HINSTANCE instance, const wchar_t* arguments)
{
    Setup.Process.Instance = instance;
    Options options;
    if (!ParseCommandLine(arguments, options)) return ExitBadSwitch;
    const int language = ChooseLanguage(options);
    if (language < 0) return ExitBadSwitch;   // /lang= of no language we speak
    LoadTexts(language);   // before anything else is said
    const std::string title = Text(IDS_WINDOW_TITLE);
    const std::wstring wideTitle = WideFromUtf8(title.c_str());
    // An older version over a newer one: the window asks; unattended, only /allowdowngrade allows it.
    Setup.Run.Downgrade = options.allowDowngrade                 ? OlderOverNewer::Allowed
                          : options.silent || options.passive ? OlderOverNewer::Refused
                                                              : OlderOverNewer::Asked;
    if (options.help && options.silent) {
        ShowUsageWithoutWindow(options.log);
        return ExitDone;
    }
    if (options.help) {
        MessageBoxW(nullptr, WideFromUtf8(UsageText().c_str()).c_str(), wideTitle.c_str(), MB_OK | MB_ICONINFORMATION);
        return ExitDone;
    }
    // One setup per machine, in any logon session, and decided before anything is written: two
    // would extract into, and remove, the same folders. The handle is left for Windows to close
    // when the program ends. Denied access means another user's setup made it.
    const HANDLE running = CreateMutexA(nullptr, FALSE, ("Global\\" + title + " is running").c_str());
    const bool another = !running || GetLastError() == ERROR_ALREADY_EXISTS;
    OpenLog(options.log);
    Log("Started with \"%s\"", Printable(arguments).c_str());
    Log("Speaking %s", Printable(Languages[SpokenLanguage()].code).c_str());
    if (another) {
        Log("FAILED: another %s is running", title.c_str());
        if (!options.silent && !options.passive)
            MessageBoxA(nullptr, (title + " is already running.").c_str(), title.c_str(), MB_OK | MB_ICONINFORMATION);
        return ExitAlreadyRunning;
    }
    if (options.silent) return RunUnattended(instance, options);
    if (!StartUp(instance)) {
        // Only the window can fail, and without it nothing was done: that is no success.
        LogFailure("the window could not be opened", GetLastError());
        if (!options.passive)
            MessageBoxA(nullptr, (title + " could not open its window.").c_str(), title.c_str(), MB_OK | MB_ICONERROR);
        return ExitFailed;
    }
    // An unfinished run that could not be put back at start-up is said once; every run is refused
    // until it can be.
    if (!options.passive && !RecoveryAtStart().Done()) ShowMessage(Text(IDS_NOT_RESTORED));
    const int exitCode = !options.passive                              ? RunMessageLoop()
                         : options.uninstall || Setup.Run.UninstallerMode ? RunPassiveUninstall()
                                                                      : RunPassiveInstall(options);
    // A reinstall's old copies may still be going: the window goes first, the program once they are gone.
    if (Setup.Process.Window) ShowWindow(Setup.Process.Window, SW_HIDE);
    WaitForOldCopies(nullptr);
    if (options.passive) Log("Exit code %d", exitCode);
    // Exit's own click sound is still starting on a thread of its own, opening the audio device;
    // a process that ends under it can fail on the way out with a code other than the loop's.
    StopButtonSounds();
    CoUninitialize();
    // An installation the player stopped, and none completed after it, is no success to report.
    return Setup.Run.LastInstall == Happened::Cancelled ? ExitCodeFor(Happened::Cancelled) : exitCode;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    SearchSystemFolderOnly();
    // The command line as Windows holds it, in UTF-16: the ANSI copy has been through the code
    // page's best-fit mapping, which makes look-alikes into real quotes and backslashes.
    return RunSetup(instance, ArgumentsOf(GetCommandLineW()));
}
