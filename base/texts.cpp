#include "base/texts.h"

#include "base/state.h"

char TextBuffers[LoadedTextCount][TextLimit + 1];

void LoadTexts()
{
    for (int i = 0; i < LoadedTextCount; ++i)
        LoadStringA(Setup.Process.Instance, LoadedTextIds[i], TextBuffers[i], TextLimit);
}
