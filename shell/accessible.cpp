#include "shell/accessible.h"

#include <oleacc.h>

#include <cstdio>
#include <cstring>
#include <iterator>
#include <new>

#include "base/state.h"
#include "base/texts.h"
#include "resources/resource_ids.h"
#include "shell/input.h"
#include "system/system_library.h"
#include "ui/layout.h"
#include "ui/painter.h"

using namespace Layout;

namespace {

// What the window shows at this moment, as a reader is told of it, read from the live group and
// the state as the painter reads them. Children are numbered from 1 in this order: the live
// group's buttons in their records' order, then the texts, then the progress.
enum ItemKind { ButtonItem, TextItem, ProgressItem };

struct Item {
    ItemKind kind;
    int button;         // index in the live group
    const char* text;   // a text's words; nullptr for the free-space line, composed when asked for
    RECT rect;          // client coordinates
};

struct Contents {
    ButtonGroup group;
    Item items[12];
    int count = 0;
    // Child ids of the things that change in place; 0 when not shown.
    int promptText = 0, statusText = 0, pathText = 0, progress = 0;

    int Add(ItemKind kind, int button, const char* text, const RECT& rect)
    {
        if (count == static_cast<int>(std::size(items))) return 0;
        items[count] = {kind, button, text, rect};
        return ++count;
    }
};

constexpr RECT Area(const Placement& at) { return {at.x, at.y, at.x + at.width, at.y + at.height}; }

Contents Collect()
{
    Contents c;
    c.group = LiveGroup();
    for (int i = 0; i < c.group.count; ++i) c.Add(ButtonItem, i, nullptr, *c.group.buttons[i].rect);
    if (Setup.PromptKind != NoPrompt) {   // the panel covers the screen: only it is read
        if (Setup.StatusText) c.promptText = c.Add(TextItem, 0, Setup.StatusText, PromptText);
        return c;
    }
    switch (Setup.Screen) {
    case DestinationScreen:
        c.Add(TextItem, 0, Text(IDS_INSTALL_FOLDER), InstallFolderHeading);
        c.pathText = c.Add(TextItem, 0, Setup.InstallPath, InstallPathLine);
        c.Add(TextItem, 0, nullptr, FreeSpaceLine);
        c.Add(TextItem, 0, Text(IDS_SPACE_REQUIRED), SpaceRequiredLine);
        break;
    case ProgressScreen:   // shown, as its pictures are, from the first step to the last
        if (Setup.ProgressStep >= 0) c.progress = c.Add(ProgressItem, 0, nullptr, Area(Strip));
        break;
    case FinishScreen:
        c.Add(TextItem, 0, FinishHeadingText(), FinishHeading);
        c.Add(TextItem, 0, FinishBodyText(), FinishBody);
        break;
    case MainMenu: break;
    }
    if (Setup.StatusPanelShown && Setup.StatusText)
        c.statusText = c.Add(TextItem, 0, Setup.StatusText, StatusPanelText);
    return c;
}

// A button counts as the painter shows it: dark is unavailable, lit is the one a press acts on;
// while the screen is dimmed under a status text, none takes input.
bool Available(const ScreenButton& button) { return button.colour != DisabledColour && MouseLive(); }
bool Lit(const ScreenButton& button) { return button.colour == HighlightColour && MouseLive(); }
bool HasKeyboard() { return Setup.Window && GetFocus() == Setup.Window; }

// The check box's own label is never drawn on it; the line beside it names it.
const char* ButtonName(const ScreenButton& button)
{
    return button.id == DesktopIconBox ? Text(IDS_DESKTOP_ICON) : button.label;
}

int LitChild(const Contents& c)
{
    for (int i = 0; i < c.group.count; ++i)
        if (Lit(c.group.buttons[i])) return i + 1;
    return 0;
}

int ProgressPercent()
{
    const int step = Setup.ProgressStep < PROGRESS_FRAMES ? Setup.ProgressStep : PROGRESS_FRAMES - 1;
    return step < 0 ? -1 : step * 100 / (PROGRESS_FRAMES - 1);
}

// A prompt's words start with a line break that places them on its panel.
const char* Spoken(const char* text)
{
    while (*text == '\n' || *text == ' ') ++text;
    return text;
}

HRESULT Answer(const char* text, BSTR* out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!text || !*(text = Spoken(text))) return S_FALSE;
    WCHAR wide[PathSize];   // every text fits PathSize bytes, and no byte makes more than one WCHAR
    if (!MultiByteToWideChar(CP_ACP, 0, text, -1, wide, static_cast<int>(std::size(wide)))) return E_FAIL;
    *out = SysAllocString(wide);
    return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT AnswerWide(const WCHAR* text, BSTR* out)
{
    if (!out) return E_POINTER;
    *out = SysAllocString(text);
    return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT AnswerLong(LONG value, VARIANT* out)
{
    if (!out) return E_POINTER;
    out->vt = VT_I4;
    out->lVal = value;
    return S_OK;
}

HRESULT AnswerNothing(VARIANT* out)
{
    if (!out) return E_POINTER;
    out->vt = VT_EMPTY;
    return S_FALSE;
}

// The client area's accessible object. It keeps nothing of the window's: every answer is read
// afresh, so it cannot go stale while a reader holds it.
class ClientAccessible final : public IAccessible {
public:
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
        if (left == 0) delete this;
        return left;
    }

    // Readers call IAccessible's methods directly; no type information is offered for scripts.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override
    {
        if (!count) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        return E_NOTIMPL;
    }

    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override
    {
        if (!parent) return E_POINTER;
        *parent = nullptr;
        if (!Setup.Window) return RPC_E_DISCONNECTED;
        return SystemAccessibleObjectFromWindow(Setup.Window, static_cast<DWORD>(OBJID_WINDOW), IID_IDispatch,
                                                reinterpret_cast<void**>(parent));
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
        const Contents c = Collect();
        return Child(id, c) > 0 ? S_FALSE : E_INVALIDARG;   // every child is a simple element
    }

    HRESULT STDMETHODCALLTYPE get_accName(VARIANT id, BSTR* name) override
    {
        const Contents c = Collect();
        const int child = Child(id, c);
        if (child < 0) return E_INVALIDARG;
        if (child == CHILDID_SELF) return Answer(Text(IDS_WINDOW_TITLE), name);
        const Item& item = c.items[child - 1];
        if (item.kind == ButtonItem) return Answer(ButtonName(c.group.buttons[item.button]), name);
        if (item.kind == ProgressItem) return Answer(nullptr, name);
        if (item.text) return Answer(item.text, name);
        char line[PathSize];
        FreeSpaceLineText(line);
        return Answer(line, name);
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT id, BSTR* value) override
    {
        const Contents c = Collect();
        const int child = Child(id, c);
        if (child < 0) return E_INVALIDARG;
        if (child == CHILDID_SELF || c.items[child - 1].kind != ProgressItem) return Answer(nullptr, value);
        char percent[8];
        std::snprintf(percent, sizeof percent, "%d%%", ProgressPercent());
        return Answer(percent, value);
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT id, BSTR* description) override
    {
        const Contents c = Collect();
        const int child = Child(id, c);
        if (child < 0) return E_INVALIDARG;
        if (child != CHILDID_SELF) return Answer(nullptr, description);
        // The heading of what is on show: a prompt's words, else the screen's heading.
        if (Setup.PromptKind != NoPrompt) return Answer(Setup.StatusText, description);
        if (Setup.Screen == DestinationScreen) return Answer(Text(IDS_INSTALL_FOLDER), description);
        if (Setup.Screen == FinishScreen) return Answer(FinishHeadingText(), description);
        return Answer(nullptr, description);
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT id, VARIANT* role) override
    {
        const Contents c = Collect();
        const int child = Child(id, c);
        if (child < 0) return E_INVALIDARG;
        if (child == CHILDID_SELF)
            return AnswerLong(Setup.PromptKind != NoPrompt ? ROLE_SYSTEM_DIALOG : ROLE_SYSTEM_CLIENT, role);
        const Item& item = c.items[child - 1];
        if (item.kind == TextItem) return AnswerLong(ROLE_SYSTEM_STATICTEXT, role);
        if (item.kind == ProgressItem) return AnswerLong(ROLE_SYSTEM_PROGRESSBAR, role);
        return AnswerLong(c.group.buttons[item.button].id == DesktopIconBox ? ROLE_SYSTEM_CHECKBUTTON
                                                                           : ROLE_SYSTEM_PUSHBUTTON,
                          role);
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT id, VARIANT* state) override
    {
        const Contents c = Collect();
        const int child = Child(id, c);
        if (child < 0) return E_INVALIDARG;
        if (child == CHILDID_SELF) {
            LONG self = STATE_SYSTEM_FOCUSABLE;
            if (HasKeyboard() && !LitChild(c)) self |= STATE_SYSTEM_FOCUSED;
            if (Setup.Busy && Setup.PromptKind == NoPrompt) self |= STATE_SYSTEM_BUSY;
            return AnswerLong(self, state);
        }
        const Item& item = c.items[child - 1];
        if (item.kind != ButtonItem) return AnswerLong(STATE_SYSTEM_READONLY, state);
        const ScreenButton& button = c.group.buttons[item.button];
        LONG flags = STATE_SYSTEM_FOCUSABLE;
        if (!Available(button)) flags |= STATE_SYSTEM_UNAVAILABLE;
        if (Lit(button)) flags |= STATE_SYSTEM_HOTTRACKED | (HasKeyboard() ? STATE_SYSTEM_FOCUSED : 0);
        if (button.id == DesktopIconBox && Setup.DesktopIconWanted) flags |= STATE_SYSTEM_CHECKED;
        return AnswerLong(flags, state);
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT, BSTR* help) override { return Answer(nullptr, help); }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT, LONG*) override
    {
        if (file) *file = nullptr;
        return DISP_E_MEMBERNOTFOUND;
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT, BSTR* shortcut) override
    {
        return Answer(nullptr, shortcut);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override
    {
        if (!HasKeyboard()) return AnswerNothing(focus);
        const int lit = LitChild(Collect());
        return AnswerLong(lit ? lit : CHILDID_SELF, focus);
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override { return AnswerNothing(selection); }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT id, BSTR* action) override
    {
        const Contents c = Collect();
        const int child = Child(id, c);
        if (child < 0) return E_INVALIDARG;
        if (child == CHILDID_SELF || c.items[child - 1].kind != ButtonItem) return Answer(nullptr, action);
        if (c.group.buttons[c.items[child - 1].button].id != DesktopIconBox) return AnswerWide(L"Press", action);
        return AnswerWide(Setup.DesktopIconWanted ? L"Uncheck" : L"Check", action);
    }
    HRESULT STDMETHODCALLTYPE accSelect(LONG, VARIANT) override { return DISP_E_MEMBERNOTFOUND; }
    HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width, LONG* height, VARIANT id) override
    {
        if (!left || !top || !width || !height) return E_POINTER;
        if (!Setup.Window) return RPC_E_DISCONNECTED;
        const Contents c = Collect();
        const int child = Child(id, c);
        if (child < 0) return E_INVALIDARG;
        RECT area = {};
        if (child == CHILDID_SELF) GetClientRect(Setup.Window, &area);
        else area = c.items[child - 1].rect;
        POINT origin = {0, 0};
        ClientToScreen(Setup.Window, &origin);
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
        const Contents c = Collect();
        const int from = Child(start, c);
        if (from < 0) return E_INVALIDARG;
        int to = 0;
        if (from == CHILDID_SELF) {
            if (direction == NAVDIR_FIRSTCHILD) to = 1;
            else if (direction == NAVDIR_LASTCHILD) to = c.count;
            else return S_FALSE;   // the client's siblings are the window's business
        } else {
            // In the children's order, as the keys move the light: down and right go on, up and left back.
            switch (direction) {
            case NAVDIR_NEXT: case NAVDIR_DOWN: case NAVDIR_RIGHT: to = from + 1; break;
            case NAVDIR_PREVIOUS: case NAVDIR_UP: case NAVDIR_LEFT: to = from - 1; break;
            default: return S_FALSE;   // a simple element has no children
            }
        }
        if (to < 1 || to > c.count) return S_FALSE;
        return AnswerLong(to, end) == S_OK ? S_OK : E_POINTER;
    }
    HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* hit) override
    {
        if (!hit) return E_POINTER;
        if (!Setup.Window) return RPC_E_DISCONNECTED;
        POINT at = {x, y};
        RECT client;
        ScreenToClient(Setup.Window, &at);
        GetClientRect(Setup.Window, &client);
        if (!PtInRect(&client, at)) return AnswerNothing(hit);
        const Contents c = Collect();
        for (int i = 0; i < c.count; ++i)
            if (PtInRect(&c.items[i].rect, at)) return AnswerLong(i + 1, hit);
        return AnswerLong(CHILDID_SELF, hit);
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT id) override
    {
        const Contents c = Collect();
        const int child = Child(id, c);
        if (child < 0) return E_INVALIDARG;
        if (child == CHILDID_SELF || c.items[child - 1].kind != ButtonItem) return DISP_E_MEMBERNOTFOUND;
        const ScreenButton& button = c.group.buttons[c.items[child - 1].button];
        if (!Available(button) || !Setup.Window) return E_FAIL;
        // A press may run a whole installation: the reader gets its answer now, the window acts
        // when it takes the message, checking again that the button is still there to press.
        return PostMessageA(Setup.Window, WM_READER_PRESS, button.id, MAKELPARAM(c.group.screen, c.group.prompt))
                   ? S_OK
                   : E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

private:
    // CHILDID_SELF, a child's number, or -1 for what names neither.
    static int Child(const VARIANT& id, const Contents& c)
    {
        if (id.vt != VT_I4 || id.lVal < 0 || id.lVal > c.count) return -1;
        return static_cast<int>(id.lVal);
    }

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
    int checked = 0, percent = 0;
    char path[PathSize] = "";
};
Seen Last;

void Say(DWORD event, LONG child) { NotifyWinEvent(event, Setup.Window, OBJID_CLIENT, child); }

void Remember(const Contents& c)
{
    Last.window = Setup.Window;
    Last.screen = Setup.Screen;
    Last.prompt = Setup.PromptKind;
    Last.statusShown = Setup.StatusPanelShown;
    Last.statusText = Setup.StatusText;
    Last.progressShown = c.progress != 0;
    Last.lit = Last.unavailable = 0;
    for (int i = 0; i < c.group.count; ++i) {
        if (Lit(c.group.buttons[i])) Last.lit |= 1u << i;
        if (!Available(c.group.buttons[i])) Last.unavailable |= 1u << i;
    }
    Last.checked = Setup.DesktopIconWanted;
    Last.percent = ProgressPercent();
}

// A new screen, prompt or status phase: the children are others now.
void AnnounceNewContents(const Seen& was, const Contents& c)
{
    if (was.prompt != Setup.PromptKind) {
        if (was.prompt != NoPrompt) Say(EVENT_SYSTEM_DIALOGEND, CHILDID_SELF);
        if (Setup.PromptKind != NoPrompt) Say(EVENT_SYSTEM_DIALOGSTART, CHILDID_SELF);
        if (Setup.PromptKind == MessagePrompt && c.promptText) Say(EVENT_SYSTEM_ALERT, c.promptText);
    }
    Say(EVENT_OBJECT_REORDER, CHILDID_SELF);
    if (c.statusText) Say(EVENT_OBJECT_NAMECHANGE, c.statusText);
    if (!HasKeyboard()) return;
    const int lit = LitChild(c);
    Say(EVENT_OBJECT_FOCUS, lit ? lit : CHILDID_SELF);
}

void AnnounceInPlace(const Seen& was, const Contents& c)
{
    for (int i = 0; i < c.group.count; ++i) {
        const unsigned bit = 1u << i;
        if ((Last.lit & ~was.lit & bit) && HasKeyboard()) Say(EVENT_OBJECT_FOCUS, i + 1);
        if ((Last.unavailable ^ was.unavailable) & bit) Say(EVENT_OBJECT_STATECHANGE, i + 1);
        if (c.group.buttons[i].id == DesktopIconBox && Last.checked != was.checked) Say(EVENT_OBJECT_STATECHANGE, i + 1);
    }
    if (c.progress && Last.percent != was.percent) Say(EVENT_OBJECT_VALUECHANGE, c.progress);
    if (c.statusText && Last.statusText != was.statusText) Say(EVENT_OBJECT_NAMECHANGE, c.statusText);
}

}  // namespace

LRESULT AnswerGetObject(WPARAM wParam, LPARAM lParam)
{
    // Some callers pass the object id sign-extended, some not: only its 32 bits count.
    if (static_cast<DWORD>(lParam) != static_cast<DWORD>(OBJID_CLIENT)) return 0;
    if (!Reader) Reader = new (std::nothrow) ClientAccessible;
    if (!Reader) return 0;
    if (!FrameShown) {   // a reader listens from now on: changes are worth telling
        Remember(Collect());
        std::memcpy(Last.path, Setup.InstallPath, sizeof Last.path);
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
        ScreenButton& button = live.buttons[i];
        if (button.id != static_cast<ButtonId>(buttonId) || button.colour == DisabledColour) continue;
        // Lit first, as the keys would leave it, so that the press acts as Enter's on a lit button.
        if (button.colour != HighlightColour) {
            button.colour = HighlightColour;
            PaintScreen();
            for (int other = 0; other < live.count; ++other)
                if (other != i && live.buttons[other].colour == HighlightColour) {
                    live.buttons[other].colour = NormalColour;
                    PaintScreen();
                }
        }
        Press(live, i);
        return;
    }
}

void AnnounceChanges()
{
    if (!Setup.Window) return;
    const Contents c = Collect();
    const Seen was = Last;
    Remember(c);
    const bool browsed = c.pathText && std::strcmp(Last.path, Setup.InstallPath) != 0;
    if (browsed) std::memcpy(Last.path, Setup.InstallPath, sizeof Last.path);
    if (was.window != Setup.Window) return;   // a window made anew: this is where telling starts
    if (was.screen != Setup.Screen || was.prompt != Setup.PromptKind || was.statusShown != Setup.StatusPanelShown ||
        was.progressShown != Last.progressShown) {
        AnnounceNewContents(was, c);
        return;
    }
    AnnounceInPlace(was, c);
    if (browsed) Say(EVENT_OBJECT_NAMECHANGE, c.pathText);
}

void DisconnectReaders()
{
    FrameShown = nullptr;
    if (!Reader) return;
    CoDisconnectObject(Reader, 0);   // remote readers' calls fail from here on instead of reaching a dead window
    Reader->Release();
    Reader = nullptr;
}
