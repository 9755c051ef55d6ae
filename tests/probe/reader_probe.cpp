// Reads the setup's window from another process as a screen reader does, through
// AccessibleObjectFromWindow, and acts on it through default actions alone.
//
//   reader_probe tree          the window and every child, one line each (see Describe)
//   reader_probe press NAME    the default action of the child named NAME, once it is there and
//                              available (at most a minute)
//   reader_probe progress      "watching", then each new value of the progress bar, one line
//                              each, from when it shows until it has gone (at most five minutes)
//
// Exit codes: 0 done, 1 no window or object, 2 no child of that name, 3 the action was refused.
#include <windows.h>
#include <oleacc.h>

#include <cstdio>
#include <string>

#include "reading.h"

namespace {

// A text property as UTF-8, "" when there is none.
std::string Read(HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, BSTR*), IAccessible* object, LONG id)
{
    return ReadText(object, get, id, CP_UTF8);
}

const char* RoleName(LONG role)
{
    switch (role) {
    case ROLE_SYSTEM_CLIENT: return "client";
    case ROLE_SYSTEM_DIALOG: return "dialog";
    case ROLE_SYSTEM_PUSHBUTTON: return "push button";
    case ROLE_SYSTEM_CHECKBUTTON: return "check button";
    case ROLE_SYSTEM_STATICTEXT: return "static text";
    case ROLE_SYSTEM_PROGRESSBAR: return "progress bar";
    }
    return "other";
}

std::string States(LONG state)
{
    static const struct { LONG flag; const char* name; } Names[] = {
        {STATE_SYSTEM_UNAVAILABLE, "unavailable"}, {STATE_SYSTEM_FOCUSED, "focused"},
        {STATE_SYSTEM_HOTTRACKED, "hot"}, {STATE_SYSTEM_CHECKED, "checked"}, {STATE_SYSTEM_BUSY, "busy"},
        {STATE_SYSTEM_READONLY, "readonly"}, {STATE_SYSTEM_FOCUSABLE, "focusable"},
    };
    std::string words;
    for (const auto& n : Names)
        if (state & n.flag) words += (words.empty() ? "" : ",") + std::string(n.name);
    return words;
}

LONG Number(HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, VARIANT*), IAccessible* object, LONG id)
{
    return ReadNumber(object, get, id);
}

// Where a point leads: the child's number, 0 for the client itself, -1 for nothing.
LONG Answered(HRESULT result, const VARIANT& v) { return result == S_OK && v.vt == VT_I4 ? v.lVal : -1; }

// One line per object, fields split by '|':
//   window|role|states|name|description|focus
//   <child>|role|states|name|value|left,top,width,height|hit|next
// where focus is get_accFocus's answer, hit what accHitTest answers for the child's centre and
// next what accNavigate answers for NAVDIR_NEXT (-1 for none).
void Describe(IAccessible* window)
{
    VARIANT focus;
    VariantInit(&focus);
    const LONG focused = Answered(window->get_accFocus(&focus), focus);
    std::printf("window|%s|%s|%s|%s|%ld\n", RoleName(Number(&IAccessible::get_accRole, window, CHILDID_SELF)),
                States(Number(&IAccessible::get_accState, window, CHILDID_SELF)).c_str(),
                Read(&IAccessible::get_accName, window, CHILDID_SELF).c_str(),
                Read(&IAccessible::get_accDescription, window, CHILDID_SELF).c_str(), focused);
    LONG count = 0;
    window->get_accChildCount(&count);
    for (LONG id = 1; id <= count; ++id) {
        LONG left = 0, top = 0, width = 0, height = 0;
        window->accLocation(&left, &top, &width, &height, Child(id));
        VARIANT hit, next;
        VariantInit(&hit);
        VariantInit(&next);
        const LONG hitId = Answered(window->accHitTest(left + width / 2, top + height / 2, &hit), hit);
        const LONG nextId = Answered(window->accNavigate(NAVDIR_NEXT, Child(id), &next), next);
        std::printf("%ld|%s|%s|%s|%s|%ld,%ld,%ld,%ld|%ld|%ld\n", id,
                    RoleName(Number(&IAccessible::get_accRole, window, id)),
                    States(Number(&IAccessible::get_accState, window, id)).c_str(),
                    Read(&IAccessible::get_accName, window, id).c_str(),
                    Read(&IAccessible::get_accValue, window, id).c_str(), left, top, width, height, hitId, nextId);
    }
}

// Waits up to a minute for an available child of that name, then asks for its default action.
int Press(IAccessible* window, const char* name)
{
    for (DWORD started = GetTickCount(); GetTickCount() - started < 60000; Sleep(5)) {
        LONG count = 0;
        window->get_accChildCount(&count);
        for (LONG id = 1; id <= count; ++id) {
            if (Read(&IAccessible::get_accName, window, id) != name ||
                (Number(&IAccessible::get_accState, window, id) & STATE_SYSTEM_UNAVAILABLE))
                continue;
            const HRESULT result = window->accDoDefaultAction(Child(id));
            std::printf("%s: 0x%08lx\n", name, static_cast<unsigned long>(result));
            return result == S_OK ? 0 : 3;
        }
    }
    std::printf("%s: no such child available\n", name);
    return 2;
}

// The progress bar's value, "" while there is none.
std::string ProgressValue(IAccessible* window)
{
    LONG count = 0;
    window->get_accChildCount(&count);
    for (LONG id = 1; id <= count; ++id)
        if (Number(&IAccessible::get_accRole, window, id) == ROLE_SYSTEM_PROGRESSBAR)
            return Read(&IAccessible::get_accValue, window, id);
    return "";
}

void WatchProgress(IAccessible* window)
{
    std::printf("watching\n");
    std::fflush(stdout);
    std::string last;
    bool shown = false;
    for (DWORD started = GetTickCount(); GetTickCount() - started < 300000; Sleep(5)) {
        const std::string value = ProgressValue(window);
        if (value.empty() && shown) return;
        shown = shown || !value.empty();
        if (value.empty() || value == last) continue;
        std::printf("%s\n", value.c_str());
        std::fflush(stdout);
        last = value;
    }
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string command = argc > 1 ? argv[1] : "";
    if (!((command == "tree" || command == "progress") && argc == 2) && !(command == "press" && argc == 3)) {
        std::fprintf(stderr, "usage: reader_probe tree | press NAME | progress\n");
        return 1;
    }
    HWND found = FindWindowA("Marvolen Setup", nullptr);
    if (!found) {
        std::printf("no window\n");
        return 1;
    }
    CoInitialize(nullptr);
    IAccessible* window = nullptr;
    int code = 1;
    const HRESULT result = AccessibleObjectFromWindow(found, static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible,
                                                      reinterpret_cast<void**>(&window));
    if (result == S_OK && window) {
        if (command == "tree" || command == "progress") {
            if (command == "tree") Describe(window);
            else WatchProgress(window);
            code = 0;
        } else {
            code = Press(window, argv[2]);
        }
        window->Release();
    } else {
        std::printf("no object: 0x%08lx\n", static_cast<unsigned long>(result));
    }
    std::fflush(stdout);
    CoUninitialize();
    return code;
}
