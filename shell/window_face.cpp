#include "shell/window_face.h"

#include "base/state.h"
#include "base/texts.h"
#include "shell/log.h"
#include "shell/prompts.h"
#include "shell/pump.h"
#include "shell/run.h"
#include "system/folder_path.h"
#include "ui/layout.h"
#include "ui/painter.h"
#include "ui/screen_items.h"

namespace {

// The extraction has begun: the screen comes back with its Cancel, and a press that waited for it
// is taken now.
void CancelGoesLive()
{
    ShowStatus(nullptr);
    PaintScreen();
    PumpMessages();
}

void ShowStep(int step)
{
    Setup.Shown.ProgressStep = step;
    if (step >= 0) PaintProgressStep();   // -1 shows with the next screen's paint
}

bool RunStopping() { return Setup.Run.CancelRequested || Setup.Process.QuitRequested || Setup.Run.SessionEnding; }

NextMove KeepWindowAliveBetweenMoves()
{
    PumpNowAndThen();
    // A Cancel or close confirmed while the files move in still leaves the folder as it was.
    return RunStopping() ? NextMove::RollBack : NextMove::CarryOn;
}

// The screen dims under the status panel with the text, for a moment (long enough to read it);
// the mouse is ignored. 0: the screen comes back.
void Status(UINT text)
{
    ShowStatus(text ? Text(text) : nullptr);
    if (!text) return;
    PaintScreen();
    PauseDroppingInput(text == IDS_PREPARING ? 700 : 500);
}

void Begins(RunKinds run)
{
    Setup.Run.RunUnderWay = run;
    if (run != InstallRun) return;
    Setup.Shown.Screen = ProgressScreen;
    Setup.Run.CancelRequested = false;
}

// An installation shows its finish (before a failed one is cleaned up), or, refused once the
// package was measured, the destination screen again. An uninstall shows the menu as it is now.
void Ends(RunKinds run, const Outcome& outcome)
{
    const bool installed = outcome.Done() || outcome.what == Happened::Incomplete;
    if (run == UninstallRun) {
        Setup.Run.Installed = !installed;
        RefreshAvailability();
        Setup.Run.RunUnderWay = NoRun;
        // A close asked for while the confirmed removal ran is carried out now that it is done.
        if (Setup.Run.CloseAfterRun) {
            Setup.Run.CloseAfterRun = false;
            if (Setup.Process.Window) DestroyWindow(Setup.Process.Window);
            return;
        }
        PaintScreen();
        PauseDroppingInput(500);
        return;
    }
    if (outcome.what == Happened::NoSpace || outcome.what == Happened::OthersFiles) {
        Status(0);
        Setup.Shown.Screen = DestinationScreen;
        MeasureFreeSpaceAgain();
        PaintScreen();
        return;
    }
    Setup.Shown.Screen = FinishScreen;
    Setup.Run.Installed = installed;
    Setup.Shown.RunResult = installed ? RunInstalled
                      : outcome.what == Happened::Cancelled || outcome.what == Happened::Aborted ? RunAborted
                                                                                                   : RunFailed;
    RefreshAvailability();
    PaintScreen();
}

bool AskReplaceNewer(const std::wstring& installed)
{
    char question[TextLimit + 2 * PathSize];
    wsprintfA(question, Text(IDS_ASK_OLDER_OVER_NEWER), Printable(installed).c_str(), Text(IDS_VERSION));
    return AskYesNo(question);
}

const RunFace WindowFace = {&WindowHooks, KeepWindowAliveBetweenMoves, Begins, Ends, Status, AskReplaceNewer};

}  // namespace

const ExtractionHooks WindowHooks = {CancelGoesLive, ShowStep, PumpNowAndThen, RunStopping, WaitForMessage};

Outcome InstallWithWindow(const std::wstring& written)
{
    const Outcome outcome = Install(WindowFace, written);
    if (Setup.Run.RunUnderWay == InstallRun) {   // it began: it has ended now
        Setup.Run.RunUnderWay = NoRun;
        Setup.Run.LastInstall = outcome.what;
        PaintScreen();
    }
    return outcome;
}

Outcome UninstallWithWindow() { return Uninstall(WindowFace); }

void RunInstallation()
{
    const Outcome outcome = InstallWithWindow(WideFromAnsi(Setup.Paths.InstallPath));
    if (const UINT message = FaceOf(outcome.what).message) ShowMessage(Text(message));
}

void RunUninstall()
{
    if (!AskYesNo(Text(IDS_ASK_UNINSTALL))) return;
    const Outcome outcome = UninstallWithWindow();
    if (!Setup.Process.Window) return;
    // Anything short of the whole left every record and link in place, and says why.
    switch (outcome.what) {
    case Happened::Done:
    case Happened::Incomplete: ShowMessage(Text(IDS_UNINSTALLED)); break;
    case Happened::Failed: ShowMessage(Text(IDS_NOT_REMOVED)); break;
    default:
        if (const UINT message = FaceOf(outcome.what).message) ShowMessage(Text(message));
        break;
    }
}
