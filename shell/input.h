// Mouse handling: buttons light up under the pointer and act when pressed while lit.
#ifndef MARVOLEN_INPUT_H
#define MARVOLEN_INPUT_H

#include <windows.h>

// Mouse messages count only while a prompt is up or the program is not busy.
bool MouseLive();

void Hover(POINT pointer);
void Click(POINT pointer);

#endif
