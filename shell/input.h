// Mouse handling: buttons light up under the pointer and act when pressed while lit.
#ifndef MARVOLEN_INPUT_H
#define MARVOLEN_INPUT_H

#include <windows.h>

#include "ui/layout.h"

// Mouse messages count only while a prompt is up or the program is not busy.
bool MouseLive();

// Lights the button at `index` of the live group (-1: none) and darkens the one lit before; each
// change sounds and shows. The mouse, the keys and a reader's press all light through here.
void Light(const ButtonGroup& group, int index);

// The pointer in the window's pixels, which show the layout at its scale (ui/scale.h).
void Hover(POINT pointer);
void Click(POINT pointer);

// A press on a button of the live group: the click sound, then its action. The mouse and the
// keys both press through here.
void Press(const ButtonGroup& group, int index);

void PlayButtonSound(int soundId);

// Stops the sound still starting or playing, and returns once its thread has let go.
void StopButtonSounds();

#endif
