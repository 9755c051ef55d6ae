#include "shell/window_face.h"

#include "base/state.h"
#include "base/texts.h"
#include "shell/prompts.h"
#include "shell/pump.h"
#include "shell/run.h"
#include "system/folder_path.h"
#include "ui/layout.h"
#include "ui/painter.h"
#include "ui/screen_items.h"

namespace {

void CancelGoesLive()
{
    Setup.Busy = 0;
    Setup.StatusPanelShown = 0;
    PaintScreen();
}

void ShowStep(int step)
{
    Setup.ProgressStep = step;
    if (step >= 0) PaintProgressStep();   // -1 shows with the next screen's paint
}

bool RunStopping() { return Setup.CancelRequested || Setup.QuitRequested || Setup.SessionEnding; }

NextMove KeepWindowAliveBetweenMoves()
{
    static DWORD last;
    if (GetTickCount() - last >= 15) {   // as often as a frame, as during the extraction
        PumpMessages();
        last = GetTickCount();
    }
    // A Cancel or close confirmed while the files move in still leaves the folder as it was.
    return RunStopping() ? NextMove::RollBack : NextMove::CarryOn;
}

// The screen dims under the status panel with the text, for a moment (long enough to read it);
// the mouse is ignored. 0: the screen comes back.
void Status(UINT text)
{
    if (!text) {
        Setup.Busy = 0;
        Setup.StatusPanelShown = 0;
        return;
    }
    Setup.StatusText = Text(text);
    Setup.Busy = 1;
    Setup.StatusPanelShown = 1;
    PaintScreen();
    PauseDroppingInput(text == IDS_PREPARING ? 700 : 500);
}

void Begins(RunKinds run)
{
    Setup.RunUnderWay = run;
    if (run != InstallRun) return;
    Setup.Screen = ProgressScreen;
    Setup.CancelRequested = 0;
}

// An installation shows its finish (before a failed one is cleaned up), or, refused once the
// package was measured, the destination screen again. An uninstall shows the menu as it is now.
void Ends(RunKinds run, const Outcome& outcome)
{
    const bool installed = outcome.Done() || outcome.what == Happened::Incomplete;
    if (run == UninstallRun) {
        Setup.Installed = !installed;
        RefreshAvailability();
        Setup.RunUnderWay = NoRun;
        // A close asked for while the confirmed removal ran is carried out now that it is done.
        if (Setup.CloseAfterRun) {
            Setup.CloseAfterRun = 0;
            if (Setup.Window) DestroyWindow(Setup.Window);
            return;
        }
        PaintScreen();
        PauseDroppingInput(500);
        return;
    }
    if (outcome.what == Happened::NoSpace || outcome.what == Happened::OthersFiles) {
        Status(0);
        Setup.Screen = DestinationScreen;
        MeasureFreeSpaceAgain();
        PaintScreen();
        return;
    }
    Setup.Screen = FinishScreen;
    Setup.Installed = installed;
    Setup.RunResult = installed ? RunInstalled
                      : outcome.what == Happened::Cancelled || outcome.what == Happened::Aborted ? RunAborted
                                                                                                   : RunFailed;
    RefreshAvailability();
    PaintScreen();
}

const RunFace WindowFace = {&WindowHooks, KeepWindowAliveBetweenMoves, Begins, Ends, Status};

}  // namespace

const ExtractionHooks WindowHooks = {CancelGoesLive, ShowStep, PumpMessages, RunStopping};

Outcome InstallWithWindow(const std::wstring& written)
{
    const Outcome outcome = Install(WindowFace, written);
    if (Setup.RunUnderWay == InstallRun) {   // it began: it has ended now
        Setup.RunUnderWay = NoRun;
        Setup.LastInstall = outcome.what;
        PaintScreen();
    }
    return outcome;
}

Outcome UninstallWithWindow() { return Uninstall(WindowFace); }

void RunInstallation()
{
    const Outcome outcome = InstallWithWindow(WideFromAnsi(Setup.InstallPath));
    if (const UINT message = FaceOf(outcome.what).message) ShowMessage(Text(message));
}

void RunUninstall()
{
    if (!AskYesNo(Text(IDS_ASK_UNINSTALL))) return;
    const Outcome outcome = UninstallWithWindow();
    if (!Setup.Window) return;
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
