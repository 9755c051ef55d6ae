// A library as a stranger could leave one beside setup.exe in a download folder, under the name of a
// system library (winmm.dll, oleacc.dll): whatever process loads it leaves C:\planted-<its name>.txt
// behind, naming that process. It exports, as stubs, what the setup used to import from those two,
// so that a program importing them at load time starts with it in their place.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cwchar>

extern "C" {
__declspec(dllexport) BOOL WINAPI PlaySoundA(const char*, HMODULE, DWORD) { return FALSE; }
__declspec(dllexport) LRESULT WINAPI LresultFromObject(const GUID*, WPARAM, void*) { return E_NOTIMPL; }
__declspec(dllexport) HRESULT WINAPI AccessibleObjectFromWindow(HWND, DWORD, const GUID*, void**) { return E_NOTIMPL; }
}

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID)
{
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    wchar_t own[MAX_PATH], marker[MAX_PATH + 16] = L"C:\\planted-";
    const DWORD length = GetModuleFileNameW(self, own, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return TRUE;
    const wchar_t* name = std::wcsrchr(own, L'\\') ? std::wcsrchr(own, L'\\') + 1 : own;
    std::wcsncat(marker, name, std::wcscspn(name, L"."));
    std::wcscat(marker, L".txt");
    char process[MAX_PATH];
    const DWORD processLength = GetModuleFileNameA(nullptr, process, MAX_PATH);
    const HANDLE file = CreateFileW(marker, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return TRUE;
    DWORD written;
    WriteFile(file, process, processLength, &written, nullptr);   // the marker's being there is what counts
    CloseHandle(file);
    return TRUE;
}
