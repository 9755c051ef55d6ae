// Test runner: the program's own texts and resources are linked into this executable.
#define DOCTEST_CONFIG_IMPLEMENT
#include <doctest.h>

#include "base/state.h"
#include "base/texts.h"

int main(int argc, char** argv)
{
    Setup.Instance = GetModuleHandleA(nullptr);
    LoadTexts();
    doctest::Context context(argc, argv);
    return context.run();
}
