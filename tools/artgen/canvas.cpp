#include "canvas.h"

#include <algorithm>
#include <cmath>

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

namespace {
double currentScale = 1;
int pixelLength(int layout, double scale) { return static_cast<int>(std::ceil(layout * scale - 1e-9)); }
}  // namespace

double drawingScale() { return currentScale; }
DrawingScale::DrawingScale(double scale) : previous_(currentScale) { currentScale = scale; }
DrawingScale::~DrawingScale() { currentScale = previous_; }

Canvas::Canvas(int width, int height, Colour fill, double scale)
    : width_(width), height_(height), scale_(scale), pixelWidth_(pixelLength(width, scale)),
      pixelHeight_(pixelLength(height, scale)), pixels_(static_cast<size_t>(pixelWidth_) * pixelHeight_, fill)
{
}

int Canvas::pixel(double layout) const { return static_cast<int>(std::floor(layout * scale_ + 0.5)); }

void Canvas::blend(int x, int y, Colour c, double alpha)
{
    if (!contains(x, y) || alpha <= 0)
        return;
    Colour& p = at(x, y);
    p = alpha >= 1 ? c : mix(p, c, alpha);
}

Canvas Canvas::crop(int x, int y, int w, int h) const
{
    Canvas out(w, h, {}, scale_);
    const int px = pixel(x), py = pixel(y);
    for (int j = 0; j < out.pixelHeight(); ++j)
        for (int i = 0; i < out.pixelWidth(); ++i)
            if (contains(px + i, py + j))
                out.at(i, j) = at(px + i, py + j);
    return out;
}

void Canvas::place(const Canvas& src, int x, int y)
{
    const int px = pixel(x), py = pixel(y);
    for (int j = 0; j < src.pixelHeight(); ++j)
        for (int i = 0; i < src.pixelWidth(); ++i)
            if (contains(px + i, py + j))
                at(px + i, py + j) = src.at(i, j);
}
