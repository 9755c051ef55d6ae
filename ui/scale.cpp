#include "ui/scale.h"

#include "base/state.h"

int Scaled(int value) { return ScaledCoordinate(value, Setup.Shown.Dpi); }

RECT Scaled(const RECT& area)
{
    return {Scaled(area.left), Scaled(area.top), Scaled(area.right), Scaled(area.bottom)};
}

Placement Scaled(const Placement& at)
{
    const int left = Scaled(at.x), top = Scaled(at.y);
    return {left, top, Scaled(at.x + at.width) - left, Scaled(at.y + at.height) - top};
}

int FittingDpi(int dpi, int width, int height)
{
    int fitting = dpi;
    while (fitting > LayoutDpi &&
           (ScaledCoordinate(FrameWidth, fitting) > width || ScaledCoordinate(FrameHeight, fitting) > height))
        --fitting;
    return fitting < LayoutDpi ? LayoutDpi : fitting;
}
