#pragma once
#include <vector>

// Artwork is painted in full colour first and only reduced to the shared
// palette when it is written, so shading and anti-aliasing stay simple.

struct Colour {
    double r = 0, g = 0, b = 0;
};

constexpr Colour rgb(double r, double g, double b) { return Colour{r, g, b}; }
Colour mix(Colour a, Colour b, double t);
Colour scaled(Colour c, double f);
Colour lit(Colour c, double light);  // light > 0 brightens towards white, < 0 darkens
double clamp01(double v);
double smoothstep(double e0, double e1, double v);

class Canvas {
public:
    Canvas(int width, int height, Colour fill = {});
    int width() const { return width_; }
    int height() const { return height_; }
    bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }
    Colour& at(int x, int y) { return pixels_[y * width_ + x]; }
    const Colour& at(int x, int y) const { return pixels_[y * width_ + x]; }
    void blend(int x, int y, Colour c, double alpha);
    Canvas crop(int x, int y, int w, int h) const;
    void place(const Canvas& src, int x, int y);

private:
    int width_, height_;
    std::vector<Colour> pixels_;
};
