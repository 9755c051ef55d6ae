#include "system/system_library.h"

#include <string>

namespace {

// A library once loaded stays for the process's life: a sound goes on playing on winmm's own
// thread after PlaySoundA returns, and readers' calls reach the window's object through oleacc.
struct SystemLibrary {
    const wchar_t* name;
    HMODULE module;
    bool tried;
};
SystemLibrary Winmm = {L"winmm.dll", nullptr, false};
SystemLibrary Oleacc = {L"oleacc.dll", nullptr, false};

HMODULE LoadFromSystemFolder(const wchar_t* name)
{
    const HMODULE module = LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module || GetLastError() != ERROR_INVALID_PARAMETER) return module;
    // A Windows without the search flags: the full path, and what the library needs in turn
    // looked for beside it first.
    wchar_t folder[MAX_PATH];
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    return LoadLibraryExW((std::wstring(folder) + L"\\" + name).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

template <typename Procedure>
Procedure Find(SystemLibrary& library, const char* name)
{
    if (!library.tried) {
        library.module = LoadFromSystemFolder(library.name);
        library.tried = true;
    }
    if (!library.module) return nullptr;
    return reinterpret_cast<Procedure>(reinterpret_cast<void*>(GetProcAddress(library.module, name)));
}

}  // namespace

void SearchSystemFolderOnly()
{
    using SetDefaultDllDirectoriesProcedure = BOOL(WINAPI*)(DWORD);
    const auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesProcedure>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
    if (setDefault && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) return;
    // Vista and 7 without the update that brought it: at least the working folder leaves the
    // search; winmm and oleacc come from the system folder by their full path all the same.
    SetDllDirectoryW(L"");   // a failure leaves the old order, and nothing better is at hand
}

bool SystemPlaySound(LPCSTR sound, HMODULE module, DWORD flags)
{
    const auto play = Find<BOOL(WINAPI*)(LPCSTR, HMODULE, DWORD)>(Winmm, "PlaySoundA");
    return play && play(sound, module, flags);
}

LRESULT SystemLresultFromObject(REFIID riid, WPARAM wParam, IUnknown* object)
{
    const auto answer = Find<LRESULT(WINAPI*)(REFIID, WPARAM, IUnknown*)>(Oleacc, "LresultFromObject");
    return answer ? answer(riid, wParam, object) : static_cast<LRESULT>(E_NOTIMPL);
}

HRESULT SystemAccessibleObjectFromWindow(HWND window, DWORD objectId, REFIID riid, void** object)
{
    const auto find = Find<HRESULT(WINAPI*)(HWND, DWORD, REFIID, void**)>(Oleacc, "AccessibleObjectFromWindow");
    return find ? find(window, objectId, riid, object) : E_NOTIMPL;
}

HRESULT SystemCreateStdAccessibleObject(HWND window, LONG objectId, REFIID riid, void** object)
{
    const auto create = Find<HRESULT(WINAPI*)(HWND, LONG, REFIID, void**)>(Oleacc, "CreateStdAccessibleObject");
    return create ? create(window, objectId, riid, object) : E_NOTIMPL;
}
