#include "shapes.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "noise.h"

namespace {

double length(double x, double y) { return std::sqrt(x * x + y * y); }

Box boxUnion(const Box& a, const Box& b)
{
    return {std::min(a.x0, b.x0), std::min(a.y0, b.y0), std::max(a.x1, b.x1), std::max(a.y1, b.y1)};
}

}  // namespace

Shape roundRect(double x0, double y0, double x1, double y1, double radius)
{
    const double cx = (x0 + x1) / 2, cy = (y0 + y1) / 2;
    const double hx = (x1 - x0) / 2 - radius, hy = (y1 - y0) / 2 - radius;
    return {[=](Vec p) {
                const double qx = std::fabs(p.x - cx) - hx, qy = std::fabs(p.y - cy) - hy;
                return length(std::max(qx, 0.0), std::max(qy, 0.0)) + std::min(std::max(qx, qy), 0.0) - radius;
            },
            {x0, y0, x1, y1}};
}

Shape circle(Vec c, double r)
{
    return {[=](Vec p) { return length(p.x - c.x, p.y - c.y) - r; }, {c.x - r, c.y - r, c.x + r, c.y + r}};
}

Shape ellipse(Vec c, double rx, double ry)
{
    return {[=](Vec p) {
                const double x = p.x - c.x, y = p.y - c.y;
                const double k0 = length(x / rx, y / ry), k1 = length(x / (rx * rx), y / (ry * ry));
                return k1 > 0 ? k0 * (k0 - 1) / k1 : -std::min(rx, ry);
            },
            {c.x - rx, c.y - ry, c.x + rx, c.y + ry}};
}

Shape polygon(std::vector<Vec> pts)
{
    Box box{pts[0].x, pts[0].y, pts[0].x, pts[0].y};
    for (const Vec& v : pts)
        box = boxUnion(box, {v.x, v.y, v.x, v.y});
    return {[pts = std::move(pts)](Vec p) {
                double d = 1e18, s = 1;
                for (size_t i = 0, j = pts.size() - 1; i < pts.size(); j = i++) {
                    const double ex = pts[j].x - pts[i].x, ey = pts[j].y - pts[i].y;
                    const double wx = p.x - pts[i].x, wy = p.y - pts[i].y;
                    const double t = std::clamp((wx * ex + wy * ey) / (ex * ex + ey * ey), 0.0, 1.0);
                    const double bx = wx - ex * t, by = wy - ey * t;
                    d = std::min(d, bx * bx + by * by);
                    const bool c1 = p.y >= pts[i].y, c2 = p.y < pts[j].y, c3 = ex * wy > ey * wx;
                    if ((c1 && c2 && c3) || (!c1 && !c2 && !c3))
                        s = -s;
                }
                return s * std::sqrt(d);
            },
            box};
}

Shape capsule(Vec a, Vec b, double r)
{
    return {[=](Vec p) {
                const double ex = b.x - a.x, ey = b.y - a.y, wx = p.x - a.x, wy = p.y - a.y;
                const double l2 = ex * ex + ey * ey;
                const double t = l2 > 0 ? std::clamp((wx * ex + wy * ey) / l2, 0.0, 1.0) : 0.0;
                return length(wx - ex * t, wy - ey * t) - r;
            },
            {std::min(a.x, b.x) - r, std::min(a.y, b.y) - r, std::max(a.x, b.x) + r, std::max(a.y, b.y) + r}};
}

Shape bar(Vec a, Vec b, double hw)
{
    const double len = length(b.x - a.x, b.y - a.y);
    const double ux = (b.x - a.x) / len, uy = (b.y - a.y) / len;
    const double mx = (a.x + b.x) / 2, my = (a.y + b.y) / 2;
    return {[=](Vec p) {
                const double dx = p.x - mx, dy = p.y - my;
                const double qx = std::fabs(dx * ux + dy * uy) - len / 2, qy = std::fabs(-dx * uy + dy * ux) - hw;
                return length(std::max(qx, 0.0), std::max(qy, 0.0)) + std::min(std::max(qx, qy), 0.0);
            },
            {std::min(a.x, b.x) - hw, std::min(a.y, b.y) - hw, std::max(a.x, b.x) + hw, std::max(a.y, b.y) + hw}};
}

Shape unite(const Shape& a, const Shape& b)
{
    return {[a, b](Vec p) { return std::min(a(p), b(p)); }, boxUnion(a.box, b.box)};
}

Shape smoothUnite(const Shape& a, const Shape& b, double k)
{
    return {[a, b, k](Vec p) {
                const double da = a(p), db = b(p);
                const double h = std::clamp(0.5 + 0.5 * (db - da) / k, 0.0, 1.0);
                return db + (da - db) * h - k * h * (1 - h);
            },
            boxUnion(a.box, b.box)};
}

Shape subtract(const Shape& a, const Shape& b)
{
    return {[a, b](Vec p) { return std::max(a(p), -b(p)); }, a.box};
}

Shape intersect(const Shape& a, const Shape& b)
{
    return {[a, b](Vec p) { return std::max(a(p), b(p)); },
            {std::max(a.box.x0, b.box.x0), std::max(a.box.y0, b.box.y0), std::min(a.box.x1, b.box.x1),
             std::min(a.box.y1, b.box.y1)}};
}

Shape grown(const Shape& s, double d)
{
    return {[s, d](Vec p) { return s(p) - d; }, {s.box.x0 - d, s.box.y0 - d, s.box.x1 + d, s.box.y1 + d}};
}

Shape moved(const Shape& s, Vec o)
{
    return {[s, o](Vec p) { return s({p.x - o.x, p.y - o.y}); },
            {s.box.x0 + o.x, s.box.y0 + o.y, s.box.x1 + o.x, s.box.y1 + o.y}};
}

Shape roughened(const Shape& s, double amount, double scale, uint32_t seed)
{
    return {[=](Vec p) { return s(p) + amount * (2 * fbm(p.x / scale, p.y / scale, 3, seed) - 1); },
            {s.box.x0 - amount, s.box.y0 - amount, s.box.x1 + amount, s.box.y1 + amount}};
}

Vec gradient(const Shape& s, Vec p)
{
    const double e = 0.5;
    const double gx = s({p.x + e, p.y}) - s({p.x - e, p.y});
    const double gy = s({p.x, p.y + e}) - s({p.x, p.y - e});
    const double l = length(gx, gy);
    return l > 1e-9 ? Vec{gx / l, gy / l} : Vec{0, 0};
}

namespace {

// Every pixel of the canvas near the box (in layout pixels), with its centre in layout pixels.
template <class F>
void forEachPixel(Canvas& c, const Box& box, double margin, F&& f)
{
    const double s = c.scale();
    const int x0 = std::max(0, static_cast<int>(std::floor((box.x0 - margin) * s)));
    const int y0 = std::max(0, static_cast<int>(std::floor((box.y0 - margin) * s)));
    const int x1 = std::min(c.pixelWidth(), static_cast<int>(std::ceil((box.x1 + margin) * s)) + 1);
    const int y1 = std::min(c.pixelHeight(), static_cast<int>(std::ceil((box.y1 + margin) * s)) + 1);
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            f(x, y, Vec{(x + 0.5) / s, (y + 0.5) / s});
}

}  // namespace

void paint(Canvas& c, const Shape& s, const Shader& shader, double opacity)
{
    forEachPixel(c, s.box, 1, [&](int x, int y, Vec p) {
        const double d = s(p);
        const double cover = clamp01(0.5 - d * c.scale()) * opacity;   // the edge falls across one pixel
        if (cover > 0)
            c.blend(x, y, shader(p, -d), cover);
    });
}

void paint(Canvas& c, const Shape& s, Colour colour, double opacity)
{
    paint(c, s, [colour](Vec, double) { return colour; }, opacity);
}

void dropShadow(Canvas& c, const Shape& s, Vec offset, double softness, double strength)
{
    const Shape m = moved(s, offset);
    forEachPixel(c, m.box, softness + 1, [&](int x, int y, Vec p) {
        const double a = strength * smoothstep(softness, -softness, m(p));
        if (a > 0)
            c.blend(x, y, rgb(14, 8, 4), a);
    });
}

double bevelLight(const Shape& s, Vec p, double depth, double width)
{
    if (depth >= width || depth < -1)
        return 0;
    const Vec g = gradient(s, p);
    const double profile = std::cos(clamp01(depth / width) * 1.5707963);
    return (g.x * -0.55 + g.y * -0.83) * profile;
}
