#include "system/recovery.h"

#include <windows.h>

#include "system/folder_path.h"
#include "system/removal.h"
#include "system/run_note.h"
#include "system/staging.h"

namespace {

Outcome PutBack(const RunNote& note)
{
    if (note.kind == RunKind::Uninstall) return RecoverAsideFolder(note);
    if (!note.own.empty()) return RecoverWorkArea(note.folder, note.own, note.token);
    if (note.existed) return Succeeded();   // over a folder that stood, nothing is written before the work area
    // Extracted straight into a folder the run made: it goes whole, as a failed run's would.
    const Outcome removed = RemoveResolvedTree(PlainForm(note.folder), true);
    return removed.Done() ? removed : FailedWith(Happened::NotRestored, removed.error, removed.path);
}

}  // namespace

Outcome RecoverUnfinishedRun()
{
    RunNote note;
    if (!ReadRunNote(note)) return Succeeded();
    Outcome recovered = PutBack(note);
    if (recovered.Done()) recovered = EndRunNote();
    if (recovered.Done()) return recovered;
    recovered.what = Happened::NotRestored;
    if (recovered.path.empty()) recovered.path = note.folder;
    return recovered;
}
