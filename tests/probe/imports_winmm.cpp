// A program that imports winmm at load time, as the setup once did: started beside a planted
// winmm.dll, it shows that the loader takes that one (e2e.startup).
#include <windows.h>

#include <mmsystem.h>

int main() { return PlaySoundA(nullptr, nullptr, 0) ? 0 : 1; }
