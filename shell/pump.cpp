#include "shell/pump.h"

#include "base/state.h"

namespace {

bool MessageSeen;   // a wait woke for a message that is not pumped yet

}  // namespace

void PumpMessages()
{
    MessageSeen = false;
    MSG message;
    while (!Setup.Process.QuitRequested && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            Setup.Process.QuitRequested = true;
            Setup.Process.ExitCode = static_cast<int>(message.wParam);
            return;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

void PumpNowAndThen()
{
    constexpr DWORD PumpInterval = 15;   // ms: a frame
    static DWORD last;
    if (!MessageSeen && GetTickCount() - last < PumpInterval) return;
    PumpMessages();
    last = GetTickCount();
}

void WaitForMessage(DWORD milliseconds, HANDLE orEvent)
{
    // Also when a message came before the wait began and is still unread.
    const DWORD events = orEvent ? 1 : 0;
    MessageSeen = MsgWaitForMultipleObjectsEx(events, orEvent ? &orEvent : nullptr, milliseconds, QS_ALLINPUT,
                                              MWMO_INPUTAVAILABLE) == WAIT_OBJECT_0 + events;
}

namespace {

void DropInput()
{
    MSG message;
    bool closeAsked = false;
    while (PeekMessageA(&message, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE))
        closeAsked = closeAsked || (message.message == WM_SYSKEYDOWN && message.wParam == VK_F4);
    while (PeekMessageA(&message, nullptr, WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE)) {}
    // Alt+F4 is no key for a screen but a close request, which waits like any other.
    if (closeAsked && Setup.Process.Window) PostMessageA(Setup.Process.Window, WM_CLOSE, 0, 0);
}

}  // namespace

void PauseDroppingInput(DWORD milliseconds)
{
    const DWORD start = GetTickCount();
    for (DWORD elapsed = 0; elapsed < milliseconds; elapsed = GetTickCount() - start) {
        DropInput();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds - elapsed, QS_INPUT);
    }
    DropInput();
}
