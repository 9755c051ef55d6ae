#pragma once
#include <cstdint>
#include <functional>
#include <vector>

#include "canvas.h"

// Shapes are signed distance functions (negative inside, in pixels). The
// distance gives anti-aliased edges for free and the depth inside a shape,
// which the bevels, burnt parchment edges and rims are shaded from.

struct Vec {
    double x, y;
};

struct Box {
    double x0, y0, x1, y1;
};

struct Shape {
    std::function<double(Vec)> sdf;
    Box box;
    double operator()(Vec p) const { return sdf(p); }
};

Shape roundRect(double x0, double y0, double x1, double y1, double radius);
Shape circle(Vec centre, double radius);
Shape ellipse(Vec centre, double rx, double ry);
Shape polygon(std::vector<Vec> points);
Shape capsule(Vec a, Vec b, double radius);
Shape bar(Vec a, Vec b, double halfWidth);  // a stroke with square ends

Shape unite(const Shape& a, const Shape& b);
Shape smoothUnite(const Shape& a, const Shape& b, double k);
Shape subtract(const Shape& a, const Shape& b);
Shape intersect(const Shape& a, const Shape& b);
Shape grown(const Shape& s, double amount);
Shape moved(const Shape& s, Vec offset);
Shape roughened(const Shape& s, double amount, double scale, uint32_t seed);

Vec gradient(const Shape& s, Vec p);  // outward unit normal of the nearest edge

// The shader gets the pixel centre and its depth inside the shape.
using Shader = std::function<Colour(Vec p, double depth)>;
void paint(Canvas& c, const Shape& s, const Shader& shader, double opacity = 1.0);
void paint(Canvas& c, const Shape& s, Colour colour, double opacity = 1.0);
void dropShadow(Canvas& c, const Shape& s, Vec offset, double softness, double strength);
// Light term in [-1, 1] for a bevel of the given width along the shape's
// edge, lit from the upper left like everything else in the set.
double bevelLight(const Shape& s, Vec p, double depth, double width);
