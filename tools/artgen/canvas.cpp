#include "canvas.h"

#include <algorithm>

Colour mix(Colour a, Colour b, double t)
{
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Colour scaled(Colour c, double f) { return {c.r * f, c.g * f, c.b * f}; }

Colour lit(Colour c, double light)
{
    if (light >= 0)
        return mix(c, rgb(255, 250, 235), std::min(light, 1.0));
    return scaled(c, 1.0 + std::max(light, -1.0));
}

double clamp01(double v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }

double smoothstep(double e0, double e1, double v)
{
    const double t = clamp01((v - e0) / (e1 - e0));
    return t * t * (3 - 2 * t);
}

Canvas::Canvas(int width, int height, Colour fill)
    : width_(width), height_(height), pixels_(static_cast<size_t>(width) * height, fill)
{
}

void Canvas::blend(int x, int y, Colour c, double alpha)
{
    if (!contains(x, y) || alpha <= 0)
        return;
    Colour& p = at(x, y);
    p = alpha >= 1 ? c : mix(p, c, alpha);
}

Canvas Canvas::crop(int x, int y, int w, int h) const
{
    Canvas out(w, h);
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i)
            if (contains(x + i, y + j))
                out.at(i, j) = at(x + i, y + j);
    return out;
}

void Canvas::place(const Canvas& src, int x, int y)
{
    for (int j = 0; j < src.height(); ++j)
        for (int i = 0; i < src.width(); ++i)
            if (contains(x + i, y + j))
                at(x + i, y + j) = src.at(i, j);
}
