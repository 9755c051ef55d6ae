#include <doctest.h>
#include <oleacc.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/texts.h"
#include "shell/accessible.h"
#include "shell/flow.h"
#include "shell/pump.h"
#include "shell/window.h"
#include "support.h"
#include "tests/probe/reading.h"
#include "ui/layout.h"
#include "ui/painter.h"
#include "ui/scale.h"

namespace {

// Every WinEvent the window raised, as (event, child), in order.
std::vector<std::pair<DWORD, LONG>> Events;

void CALLBACK Heard(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG child, DWORD, DWORD)
{
    if (window == Setup.Process.Window && object == OBJID_CLIENT) Events.emplace_back(event, child);
}

bool Heard(DWORD event, LONG child)
{
    PumpMessages();   // out-of-context events arrive as messages
    for (const auto& e : Events)
        if (e.first == event && e.second == child) return true;
    return false;
}

// The window's object as a reader gets it, and what it says of one child.
struct Reader {
    IAccessible* object = nullptr;

    Reader()
    {
        AccessibleObjectFromWindow(Setup.Process.Window, static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible,
                                   reinterpret_cast<void**>(&object));
    }
    ~Reader()
    {
        if (object) object->Release();
    }
    std::string Name(LONG id, HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, BSTR*) = &IAccessible::get_accName)
    {
        return ReadText(object, get, id, CP_ACP);
    }
    LONG Number(LONG id, HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, VARIANT*))
    {
        return ReadNumber(object, get, id);
    }
    LONG Count()
    {
        LONG count = -1;
        object->get_accChildCount(&count);
        return count;
    }
    LONG Focus()
    {
        VARIANT v;
        VariantInit(&v);
        return object->get_accFocus(&v) == S_OK && v.vt == VT_I4 ? v.lVal : -1;
    }
};

// One child as a reader should find it: its words, role and the states that matter here.
struct Expected {
    const char* name;
    LONG role;
    LONG states;   // of unavailable, focused, hot tracked, checked
    bool opening = false;   // the name only starts so, and goes on (free space changes as others write)
};

constexpr LONG Watched = STATE_SYSTEM_UNAVAILABLE | STATE_SYSTEM_FOCUSED | STATE_SYSTEM_HOTTRACKED | STATE_SYSTEM_CHECKED;
constexpr LONG Lit = STATE_SYSTEM_FOCUSED | STATE_SYSTEM_HOTTRACKED;

// Checks every child in order, and that hit test and navigation agree with the list.
void CheckChildren(Reader& reader, const std::vector<Expected>& expected)
{
    REQUIRE(reader.Count() == static_cast<LONG>(expected.size()));
    for (LONG id = 1; id <= reader.Count(); ++id) {
        const Expected& e = expected[id - 1];
        CAPTURE(e.name);
        const std::string name = reader.Name(id);
        if (e.opening) CHECK((name.rfind(e.name, 0) == 0 && name.size() > std::strlen(e.name)));
        else CHECK(name == e.name);
        CHECK(reader.Number(id, &IAccessible::get_accRole) == e.role);
        CHECK((reader.Number(id, &IAccessible::get_accState) & Watched) == e.states);
        LONG left, top, width, height;
        REQUIRE(reader.object->accLocation(&left, &top, &width, &height, Child(id)) == S_OK);
        VARIANT at, next;
        VariantInit(&at);
        VariantInit(&next);
        reader.object->accHitTest(left + width / 2, top + height / 2, &at);
        CHECK(at.lVal == id);
        const HRESULT hasNext = reader.object->accNavigate(NAVDIR_NEXT, Child(id), &next);
        CHECK((id < reader.Count() ? hasNext == S_OK && next.lVal == id + 1 : hasNext == S_FALSE));
    }
}

}  // namespace

TEST_SUITE("window") {

TEST_CASE("a reader finds each screen's and prompt's buttons and texts, hears the changes, and presses")
{
    ResetState();
    EnsureWindow();
    CoInitialize(nullptr);
    SetFocus(Setup.Process.Window);
    SetCursorPos(0, 0);   // off the window: no hover may darken what the keys light
    PumpMessages();
    std::strcpy(Setup.Paths.InstallPath, "C:\\Games\\Marvolen");
    const HWINEVENTHOOK hook = SetWinEventHook(EVENT_MIN, EVENT_MAX, nullptr, Heard, GetCurrentProcessId(), 0,
                                               WINEVENT_OUTOFCONTEXT);
    Events.clear();
    Reader reader;
    REQUIRE(reader.object);

    // The menu before an installation; Tab lights Install, and the reader is told.
    CHECK(reader.Name(CHILDID_SELF) == "Marvolen Setup");
    IDispatch* parent = nullptr;   // the window's own object, which Windows makes
    CHECK(reader.object->get_accParent(&parent) == S_OK);
    if (parent) parent->Release();
    CHECK(reader.Number(CHILDID_SELF, &IAccessible::get_accRole) == ROLE_SYSTEM_CLIENT);
    SendMessageA(Setup.Process.Window, WM_KEYDOWN, VK_TAB, 0);
    CHECK(Heard(EVENT_OBJECT_FOCUS, 1));
    CHECK(reader.Focus() == 1);
    CheckChildren(reader, {{"Install", ROLE_SYSTEM_PUSHBUTTON, Lit},
                           {"Marvolen in WWW", ROLE_SYSTEM_PUSHBUTTON, 0},
                           {"Reinstall", ROLE_SYSTEM_PUSHBUTTON, STATE_SYSTEM_UNAVAILABLE},
                           {"Uninstall", ROLE_SYSTEM_PUSHBUTTON, STATE_SYSTEM_UNAVAILABLE},
                           {"Install DirectX 7.0", ROLE_SYSTEM_PUSHBUTTON, 0},
                           {"Exit", ROLE_SYSTEM_PUSHBUTTON, 0}});
    CHECK(reader.object->accDoDefaultAction(Child(3)) == E_FAIL);   // Reinstall is dark

    Events.clear();
    // Install's default action goes through the window's queue; the screen changes.
    CHECK(reader.object->accDoDefaultAction(Child(1)) == S_OK);
    CHECK(Setup.Shown.Screen == MainMenu);
    PumpMessages();
    REQUIRE(Setup.Shown.Screen == DestinationScreen);
    CHECK(Heard(EVENT_OBJECT_REORDER, CHILDID_SELF));
    CHECK(reader.Name(CHILDID_SELF, &IAccessible::get_accDescription) == Text(IDS_INSTALL_FOLDER));
    Events.clear();
    // The box is pressed as Enter presses it: lit, then toggled.
    CHECK(reader.object->accDoDefaultAction(Child(4)) == S_OK);
    PumpMessages();
    CHECK(Setup.Run.DesktopIconWanted == 1);
    CHECK(Heard(EVENT_OBJECT_STATECHANGE, 4));
    CHECK(Heard(EVENT_OBJECT_FOCUS, 4));
    CheckChildren(reader, {{"Browse...", ROLE_SYSTEM_PUSHBUTTON, 0},
                           {"Back", ROLE_SYSTEM_PUSHBUTTON, 0},
                           {"Continue", ROLE_SYSTEM_PUSHBUTTON, 0},
                           {"Create Desktop Icon", ROLE_SYSTEM_CHECKBUTTON, Lit | STATE_SYSTEM_CHECKED},
                           {"Marvolen will be installed in the Folder below", ROLE_SYSTEM_STATICTEXT, 0},
                           {"C:\\Games\\Marvolen", ROLE_SYSTEM_STATICTEXT, 0},
                           {"Available Space       : ", ROLE_SYSTEM_STATICTEXT, 0, true},
                           {"Free Space required: 500MB", ROLE_SYSTEM_STATICTEXT, 0}});

    // A press read from a screen that has since gone is dropped.
    const LPARAM menuGroup = MAKELPARAM(MainMenu, NoPrompt);
    SendMessageA(Setup.Process.Window, WM_READER_PRESS, ExitButton, menuGroup);
    CHECK(Setup.Process.QuitRequested == 0);
    // Nor does a press act while the screen is dimmed under a status text.
    Setup.Shown.Busy = 1;
    SendMessageA(Setup.Process.Window, WM_READER_PRESS, DesktopIconBox, MAKELPARAM(DestinationScreen, NoPrompt));
    CHECK(Setup.Run.DesktopIconWanted == 1);
    Setup.Shown.Busy = 0;

    // The progress, its value rising with the steps; then the abort question over it, as
    // AskYesNo puts it up; Yes answered by the reader.
    Setup.Shown.Screen = ProgressScreen;
    Setup.Shown.ProgressStep = 4;
    PaintScreen();
    CHECK(reader.Name(2, &IAccessible::get_accValue) == "25%");
    Events.clear();
    Setup.Shown.ProgressStep = 8;
    PaintScreen();
    CHECK(Heard(EVENT_OBJECT_VALUECHANGE, 2));
    CHECK(reader.Name(2, &IAccessible::get_accValue) == "50%");
    Setup.Shown.Busy = 1;
    Setup.Shown.PromptKind = QuestionPrompt;
    Setup.Shown.PromptText = Text(IDS_ASK_ABORT);
    Setup.Shown.PromptPending = 1;
    PaintScreen();
    CHECK(Heard(EVENT_SYSTEM_DIALOGSTART, CHILDID_SELF));
    CHECK(reader.Number(CHILDID_SELF, &IAccessible::get_accRole) == ROLE_SYSTEM_DIALOG);
    CheckChildren(reader, {{"Yes", ROLE_SYSTEM_PUSHBUTTON, 0},
                           {"No", ROLE_SYSTEM_PUSHBUTTON, 0},
                           {"Are you sure you want to abort the Setup?", ROLE_SYSTEM_STATICTEXT, 0}});
    CHECK(reader.object->accDoDefaultAction(Child(1)) == S_OK);
    PumpMessages();
    CHECK(Setup.Shown.PromptPending == 0);
    CHECK(Setup.Shown.PromptAnswer == 1);
    Events.clear();
    Setup.Shown.PromptKind = NoPrompt;
    Setup.Shown.StatusPanelShown = 1;   // a status phase: the reader hears its text, and nothing presses
    Setup.Shown.StatusText = Text(IDS_REMOVING_FILES);
    PaintScreen();
    CHECK(Heard(EVENT_SYSTEM_DIALOGEND, CHILDID_SELF));
    CHECK(Heard(EVENT_OBJECT_NAMECHANGE, 3));
    CHECK(reader.Name(3) == "Setup is removing files...");
    CHECK((reader.Number(CHILDID_SELF, &IAccessible::get_accState) & STATE_SYSTEM_BUSY) != 0);
    CHECK(reader.object->accDoDefaultAction(Child(1)) == E_FAIL);

    UnhookWinEvent(hook);
    // The window goes: the object answers no more for it, and a new one is made for a new window.
    DestroyWindow(Setup.Process.Window);
    PumpMessages();
    Setup.Process.QuitRequested = 0;
    LONG left, top, width, height;
    CHECK(reader.object->accLocation(&left, &top, &width, &height, Child(CHILDID_SELF)) != S_OK);
}

TEST_CASE("at 150 % a reader finds every child where the window shows it, and the client at the window's size")
{
    ResetState();
    EnsureWindow();
    CoInitialize(nullptr);
    RECT opened, suggested = {20, 10, 980, 730};
    GetWindowRect(Setup.Process.Window, &opened);
    SendMessageA(Setup.Process.Window, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    REQUIRE(Setup.Shown.Dpi == 144);
    Reader reader;
    REQUIRE(reader.object);
    POINT origin = {0, 0};
    ClientToScreen(Setup.Process.Window, &origin);
    LONG left, top, width, height;
    REQUIRE(reader.object->accLocation(&left, &top, &width, &height, Child(CHILDID_SELF)) == S_OK);
    CHECK((left == origin.x && top == origin.y && width == 958 && height == 718));
    REQUIRE(reader.Count() == 6);
    for (LONG id = 1; id <= 6; ++id) {
        CAPTURE(id);
        const RECT shown = Scaled(Layout::MainMenuRects[id - 1]);
        REQUIRE(reader.object->accLocation(&left, &top, &width, &height, Child(id)) == S_OK);
        CHECK(left == origin.x + shown.left);
        CHECK(top == origin.y + shown.top);
        CHECK(width == shown.right - shown.left);
        CHECK(height == shown.bottom - shown.top);
        VARIANT at;
        VariantInit(&at);
        CHECK(reader.object->accHitTest(origin.x + shown.right - 1, origin.y + shown.bottom - 1, &at) == S_OK);
        CHECK((at.vt == VT_I4 && at.lVal == id));
    }
    // Where the layout's own Exit lies, at 150 % there is no button.
    const POINT exit = Centre(Layout::MainMenuRects[5]);
    VARIANT at;
    VariantInit(&at);
    reader.object->accHitTest(origin.x + exit.x, origin.y + exit.y, &at);
    CHECK((at.vt == VT_I4 && at.lVal == CHILDID_SELF));
    SendMessageA(Setup.Process.Window, WM_DPICHANGED, MAKEWPARAM(96, 96), reinterpret_cast<LPARAM>(&opened));
}

}  // TEST_SUITE
