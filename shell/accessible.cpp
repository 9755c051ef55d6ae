#include "shell/accessible.h"

#include <oleacc.h>

#include <cstdio>
#include <cstring>
#include <new>

#include "base/state.h"
#include "base/texts.h"
#include "resources/resource_ids.h"
#include "shell/input.h"
#include "system/system_library.h"
#include "ui/layout.h"
#include "ui/painter.h"
#include "ui/scale.h"
#include "ui/screen_items.h"

namespace {

// The children a reader finds, numbered from 1: the items on show that a reader hears, of the
// layer that takes input (an open prompt's, else the screen's and its status text), as the
// painter draws them.
struct Children {
    ShownItems shown;
    int index[16];
    int count = 0;

    const ShownItem& operator[](int child) const { return shown.items[index[child - 1]]; }
};

Children Collect()
{
    Children c;
    c.shown = ItemsOnShow();
    const bool prompt = Setup.Shown.PromptKind != NoPrompt;
    for (int i = 0; i < c.shown.count; ++i)
        if (c.shown.items[i].read && (c.shown.items[i].layer == Layer::Prompt) == prompt) c.index[c.count++] = i;
    return c;
}

// A button counts as the painter shows it: dark is unavailable, lit is the one a press acts on;
// while the screen is dimmed under a status text, none takes input.
bool Available(const ScreenButton& button) { return button.colour != DisabledColour && MouseLive(); }
bool Lit(const ScreenButton& button) { return button.colour == HighlightColour && MouseLive(); }
bool HasKeyboard() { return Setup.Process.Window && GetFocus() == Setup.Process.Window; }

// The check box's own label is never drawn on it; the line beside it names it.
const char* ButtonName(const ScreenButton& button) { return button.id == DesktopIconBox ? Text(IDS_DESKTOP_ICON) : button.label; }

int LitChild(const Children& c)
{
    for (int child = 1; child <= c.count; ++child)
        if (c[child].kind == ItemKind::Button && Lit(*c[child].button)) return child;
    return 0;
}

int Percent(const ShownItem& progress) { return progress.picture * 100 / (PROGRESS_FRAMES - 1); }

int Heading(const Children& c)
{
    for (int i = 0; i < c.shown.count; ++i)
        if (c.shown.items[i].heading && (c.shown.items[i].layer == Layer::Prompt) == (Setup.Shown.PromptKind != NoPrompt))
            return i;
    return -1;
}

// A prompt's words start with a line break that places them on its panel.
HRESULT Answer(const char* text, BSTR* out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    while (text && (*text == '\n' || *text == ' ')) ++text;
    if (!text || !*text) return S_FALSE;
    WCHAR wide[TextLimit + 1];   // a shown text is UTF-8 of at most TextLimit bytes, no byte more than one WCHAR
    if (!MultiByteToWideChar(CP_UTF8, 0, text, -1, wide, TextLimit + 1)) return E_FAIL;
    *out = SysAllocString(wide);
    return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT AnswerLong(LONG value, VARIANT* out)
{
    if (!out) return E_POINTER;
    out->vt = VT_I4;
    out->lVal = value;
    return S_OK;
}

// The client area's accessible object, built on the system's standard one for the window, which
// answers what every client area has (its name, parent, place, the way around it); this one
// answers what the window draws. It keeps nothing of the window's: every answer is read afresh,
// so it cannot go stale while a reader holds it.
class ClientAccessible final : public IAccessible {
public:
    explicit ClientAccessible(IAccessible* standard) : standard(standard) {}
    ClientAccessible(const ClientAccessible&) = delete;
    ClientAccessible& operator=(const ClientAccessible&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override
    {
        if (!object) return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, IID_IAccessible)) {
            *object = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&references); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const LONG left = InterlockedDecrement(&references);
        if (left == 0) {
            standard->Release();
            delete this;
        }
        return left;
    }

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override { return standard->GetTypeInfoCount(count); }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override
    {
        return standard->GetTypeInfo(index, locale, info);
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override
    {
        return standard->GetIDsOfNames(riid, names, count, locale, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID locale, WORD flags, DISPPARAMS* parameters, VARIANT* result,
                                     EXCEPINFO* exception, UINT* argument) override
    {
        return standard->Invoke(id, riid, locale, flags, parameters, result, exception, argument);
    }

    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override
    {
        return Setup.Process.Window ? standard->get_accParent(parent) : RPC_E_DISCONNECTED;
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override
    {
        if (!count) return E_POINTER;
        *count = Collect().count;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT id, IDispatch** child) override
    {
        if (!child) return E_POINTER;
        *child = nullptr;
        return Child(id, Collect()) > 0 ? S_FALSE : E_INVALIDARG;   // every child is a simple element
    }
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT id, BSTR* name) override
    {
        const Children c = Collect();
        const int child = Child(id, c);
        if (child <= 0) return child < 0 ? E_INVALIDARG : standard->get_accName(id, name);   // the title
        if (c[child].kind == ItemKind::Button) return Answer(ButtonName(*c[child].button), name);
        return Answer(c[child].text, name);
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT id, BSTR* value) override
    {
        const Children c = Collect();
        const int child = Child(id, c);
        if (child < 0) return E_INVALIDARG;
        if (child == CHILDID_SELF || c[child].kind != ItemKind::Progress) return Answer(nullptr, value);
        char percent[8];
        std::snprintf(percent, sizeof percent, "%d%%", Percent(c[child]));
        return Answer(percent, value);
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT id, BSTR* description) override
    {
        const Children c = Collect();
        const int child = Child(id, c);
        if (child < 0) return E_INVALIDARG;
        // The heading of what is on show: a prompt's words, else the screen's heading.
        const int heading = Heading(c);
        return Answer(child == CHILDID_SELF && heading >= 0 ? c.shown.items[heading].text : nullptr, description);
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT id, VARIANT* role) override
    {
        const Children c = Collect();
        const int child = Child(id, c);
        if (child < 0) return E_INVALIDARG;
        if (child == CHILDID_SELF) return AnswerLong(Setup.Shown.PromptKind != NoPrompt ? ROLE_SYSTEM_DIALOG : ROLE_SYSTEM_CLIENT, role);
        switch (c[child].kind) {
        case ItemKind::Button:
            return AnswerLong(c[child].button->id == DesktopIconBox ? ROLE_SYSTEM_CHECKBUTTON : ROLE_SYSTEM_PUSHBUTTON, role);
        case ItemKind::Progress: return AnswerLong(ROLE_SYSTEM_PROGRESSBAR, role);
        default: return AnswerLong(ROLE_SYSTEM_STATICTEXT, role);
        }
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT id, VARIANT* state) override
    {
        const Children c = Collect();
        const int child = Child(id, c);
        if (child < 0) return E_INVALIDARG;
        if (child == CHILDID_SELF) {
            LONG self = STATE_SYSTEM_FOCUSABLE;
            if (HasKeyboard() && !LitChild(c)) self |= STATE_SYSTEM_FOCUSED;
            if (Setup.Shown.Busy && Setup.Shown.PromptKind == NoPrompt) self |= STATE_SYSTEM_BUSY;
            return AnswerLong(self, state);
        }
        if (c[child].kind != ItemKind::Button) return AnswerLong(STATE_SYSTEM_READONLY, state);
        const ScreenButton& button = *c[child].button;
        LONG flags = STATE_SYSTEM_FOCUSABLE;
        if (!Available(button)) flags |= STATE_SYSTEM_UNAVAILABLE;
        if (Lit(button)) flags |= STATE_SYSTEM_HOTTRACKED | (HasKeyboard() ? STATE_SYSTEM_FOCUSED : 0);
        if (button.id == DesktopIconBox && Setup.Run.DesktopIconWanted) flags |= STATE_SYSTEM_CHECKED;
        return AnswerLong(flags, state);
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT id, BSTR* help) override { return standard->get_accHelp(id, help); }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT id, LONG* topic) override
    {
        return standard->get_accHelpTopic(file, id, topic);
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT id, BSTR* shortcut) override
    {
        return standard->get_accKeyboardShortcut(id, shortcut);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override
    {
        if (!focus) return E_POINTER;
        focus->vt = VT_EMPTY;
        if (!HasKeyboard()) return S_FALSE;
        const int lit = LitChild(Collect());
        return AnswerLong(lit ? lit : CHILDID_SELF, focus);
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override { return standard->get_accSelection(selection); }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT id, BSTR* action) override
    {
        const Children c = Collect();
        const int child = Child(id, c);
        if (child < 0) return E_INVALIDARG;
        if (child == CHILDID_SELF || c[child].kind != ItemKind::Button) return Answer(nullptr, action);
        if (c[child].button->id != DesktopIconBox) return Answer("Press", action);
        return Answer(Setup.Run.DesktopIconWanted ? "Uncheck" : "Check", action);
    }
    HRESULT STDMETHODCALLTYPE accSelect(LONG flags, VARIANT id) override { return standard->accSelect(flags, id); }
    HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width, LONG* height, VARIANT id) override
    {
        const Children c = Collect();
        const int child = Child(id, c);
        if (!Setup.Process.Window) return RPC_E_DISCONNECTED;   // the window is gone: nothing of it has a place
        if (child <= 0) return child < 0 ? E_INVALIDARG : standard->accLocation(left, top, width, height, id);
        if (!left || !top || !width || !height) return E_POINTER;
        const RECT area = Scaled(c[child].rect);   // where the window shows it, at its scale
        POINT origin = {0, 0};
        ClientToScreen(Setup.Process.Window, &origin);
        *left = area.left + origin.x;
        *top = area.top + origin.y;
        *width = area.right - area.left;
        *height = area.bottom - area.top;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accNavigate(LONG direction, VARIANT start, VARIANT* end) override
    {
        if (!end) return E_POINTER;
        end->vt = VT_EMPTY;
        const Children c = Collect();
        const int from = Child(start, c);
        if (from < 0) return E_INVALIDARG;
        int to = 0;
        if (from == CHILDID_SELF) {   // the client's siblings are the standard object's to know
            if (direction == NAVDIR_FIRSTCHILD) to = 1;
            else if (direction == NAVDIR_LASTCHILD) to = c.count;
            else return standard->accNavigate(direction, start, end);
        } else {
            // In the children's order, as the keys move the light: down and right go on, up and left back.
            switch (direction) {
            case NAVDIR_NEXT: case NAVDIR_DOWN: case NAVDIR_RIGHT: to = from + 1; break;
            case NAVDIR_PREVIOUS: case NAVDIR_UP: case NAVDIR_LEFT: to = from - 1; break;
            default: return S_FALSE;   // a simple element has no children
            }
        }
        if (to < 1 || to > c.count) return S_FALSE;
        return AnswerLong(to, end);
    }
    HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* hit) override
    {
        if (!hit) return E_POINTER;
        POINT at = {x, y};
        if (Setup.Process.Window && ScreenToClient(Setup.Process.Window, &at)) {
            const Children c = Collect();
            for (int child = 1; child <= c.count; ++child) {
                const RECT area = Scaled(c[child].rect);
                if (PtInRect(&area, at)) return AnswerLong(child, hit);
            }
        }
        return standard->accHitTest(x, y, hit);   // the client itself, or nothing of it
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT id) override
    {
        const Children c = Collect();
        const int child = Child(id, c);
        if (child < 0) return E_INVALIDARG;
        if (child == CHILDID_SELF || c[child].kind != ItemKind::Button) return DISP_E_MEMBERNOTFOUND;
        const ScreenButton& button = *c[child].button;
        if (!Available(button) || !Setup.Process.Window) return E_FAIL;
        // A press may run a whole installation: the reader gets its answer now, the window acts
        // when it takes the message, checking again that the button is still there to press.
        const ButtonGroup live = LiveGroup();
        return PostMessageA(Setup.Process.Window, WM_READER_PRESS, button.id, MAKELPARAM(live.screen, live.prompt)) ? S_OK : E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT id, BSTR name) override { return standard->put_accName(id, name); }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT id, BSTR value) override { return standard->put_accValue(id, value); }

private:
    // CHILDID_SELF, a child's number, or -1 for what names neither.
    static int Child(const VARIANT& id, const Children& c)
    {
        if (id.vt != VT_I4 || id.lVal < 0 || id.lVal > c.count) return -1;
        return static_cast<int>(id.lVal);
    }

    IAccessible* standard;
    LONG references = 1;
};

// The one object, with the program's own reference, from the first request until the window goes.
ClientAccessible* Reader = nullptr;

// What readers were last told of, to say only what changed.
struct Seen {
    HWND window = nullptr;
    int screen = 0, prompt = 0, statusShown = 0, progressShown = 0;
    const char* statusText = nullptr;
    unsigned lit = 0, unavailable = 0;
    int checked = 0, percent = -1;
    char path[PathSize] = "";
};
Seen Last;

void Say(DWORD event, LONG child) { NotifyWinEvent(event, Setup.Process.Window, OBJID_CLIENT, child); }

// The child a kind of item is, when one is on show: the status text, the folder, the progress.
int ChildOf(const Children& c, bool (*is)(const ShownItem&))
{
    for (int child = 1; child <= c.count; ++child)
        if (is(c[child])) return child;
    return 0;
}
bool IsStatusText(const ShownItem& item) { return item.layer == Layer::Status; }
bool IsFolder(const ShownItem& item) { return item.text == InstallPathText(); }
bool IsProgress(const ShownItem& item) { return item.kind == ItemKind::Progress; }
bool IsPromptText(const ShownItem& item) { return item.layer == Layer::Prompt && item.kind == ItemKind::Text; }

void Remember(const Children& c)
{
    Last.window = Setup.Process.Window;
    Last.screen = Setup.Shown.Screen;
    Last.prompt = Setup.Shown.PromptKind;
    Last.statusShown = Setup.Shown.StatusPanelShown;
    Last.statusText = Setup.Shown.StatusText;
    const int progress = ChildOf(c, IsProgress);
    Last.progressShown = progress != 0;
    Last.percent = progress ? Percent(c[progress]) : -1;
    Last.lit = Last.unavailable = 0;
    for (int child = 1; child <= c.count; ++child) {
        if (c[child].kind != ItemKind::Button) continue;
        if (Lit(*c[child].button)) Last.lit |= 1u << child;
        if (!Available(*c[child].button)) Last.unavailable |= 1u << child;
    }
    Last.checked = Setup.Run.DesktopIconWanted;
}

// A new screen, prompt or status phase: the children are others now.
void AnnounceNewContents(const Seen& was, const Children& c)
{
    if (was.prompt != Setup.Shown.PromptKind) {
        if (was.prompt != NoPrompt) Say(EVENT_SYSTEM_DIALOGEND, CHILDID_SELF);
        if (Setup.Shown.PromptKind != NoPrompt) Say(EVENT_SYSTEM_DIALOGSTART, CHILDID_SELF);
        if (const int text = Setup.Shown.PromptKind == MessagePrompt ? ChildOf(c, IsPromptText) : 0) Say(EVENT_SYSTEM_ALERT, text);
    }
    Say(EVENT_OBJECT_REORDER, CHILDID_SELF);
    if (const int status = ChildOf(c, IsStatusText)) Say(EVENT_OBJECT_NAMECHANGE, status);
    if (!HasKeyboard()) return;
    const int lit = LitChild(c);
    Say(EVENT_OBJECT_FOCUS, lit ? lit : CHILDID_SELF);
}

void AnnounceInPlace(const Seen& was, const Children& c)
{
    for (int child = 1; child <= c.count; ++child) {
        if (c[child].kind != ItemKind::Button) continue;
        const unsigned bit = 1u << child;
        if ((Last.lit & ~was.lit & bit) && HasKeyboard()) Say(EVENT_OBJECT_FOCUS, child);
        if ((Last.unavailable ^ was.unavailable) & bit) Say(EVENT_OBJECT_STATECHANGE, child);
        if (c[child].button->id == DesktopIconBox && Last.checked != was.checked) Say(EVENT_OBJECT_STATECHANGE, child);
    }
    if (const int progress = ChildOf(c, IsProgress)) {
        if (Last.percent != was.percent) Say(EVENT_OBJECT_VALUECHANGE, progress);
    }
    if (const int status = ChildOf(c, IsStatusText)) {
        if (Last.statusText != was.statusText) Say(EVENT_OBJECT_NAMECHANGE, status);
    }
}

}  // namespace

LRESULT AnswerGetObject(WPARAM wParam, LPARAM lParam)
{
    // Some callers pass the object id sign-extended, some not: only its 32 bits count.
    if (static_cast<DWORD>(lParam) != static_cast<DWORD>(OBJID_CLIENT)) return 0;
    if (!Reader) {
        IAccessible* standard = nullptr;
        if (FAILED(SystemCreateStdAccessibleObject(Setup.Process.Window, OBJID_CLIENT, IID_IAccessible,
                                                   reinterpret_cast<void**>(&standard))) ||
            !standard)
            return 0;
        Reader = new (std::nothrow) ClientAccessible(standard);
        if (!Reader) {
            standard->Release();
            return 0;
        }
    }
    if (!FrameShown) {   // a reader listens from now on: changes are worth telling
        Remember(Collect());
        std::memcpy(Last.path, Setup.Paths.InstallPath, sizeof Last.path);
        FrameShown = AnnounceChanges;
    }
    const LRESULT object = SystemLresultFromObject(IID_IAccessible, wParam, Reader);
    return object > 0 ? object : 0;   // a failure leaves the answer to DefWindowProc
}

void PressForReader(WPARAM buttonId, LPARAM group)
{
    const ButtonGroup live = LiveGroup();
    // A prompt that came up since, a new screen or a status phase: the press is dropped.
    if (LOWORD(group) != live.screen || HIWORD(group) != live.prompt || !MouseLive()) return;
    for (int i = 0; i < live.count; ++i) {
        if (live.buttons[i].id != static_cast<ButtonId>(buttonId) || live.buttons[i].colour == DisabledColour) continue;
        // Lit first, as the keys would leave it, so that the press acts as Enter's on a lit button.
        Light(live, i);
        Press(live, i);
        return;
    }
}

void AnnounceChanges()
{
    if (!Setup.Process.Window) return;
    const Children c = Collect();
    const Seen was = Last;
    Remember(c);
    const int folder = ChildOf(c, IsFolder);
    const bool browsed = folder && std::strcmp(Last.path, Setup.Paths.InstallPath) != 0;
    if (browsed) std::memcpy(Last.path, Setup.Paths.InstallPath, sizeof Last.path);
    if (was.window != Setup.Process.Window) return;   // a window made anew: this is where telling starts
    if (was.screen != Setup.Shown.Screen || was.prompt != Setup.Shown.PromptKind || was.statusShown != Setup.Shown.StatusPanelShown ||
        was.progressShown != Last.progressShown) {
        AnnounceNewContents(was, c);
        return;
    }
    AnnounceInPlace(was, c);
    if (browsed) Say(EVENT_OBJECT_NAMECHANGE, folder);
}

void DisconnectReaders()
{
    FrameShown = nullptr;
    if (!Reader) return;
    CoDisconnectObject(Reader, 0);   // remote readers' calls fail from here on instead of reaching a dead window
    Reader->Release();
    Reader = nullptr;
}
