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

// Every picture is designed in the layout's pixels and painted at a scale: pixels per layout
// pixel, 1 for the program's 640 x 480 set, 2 for the set it shows at twice that size. Shapes
// and materials are functions of the layout position, so at 2 the same picture comes out with
// twice the detail, not enlarged. A canvas takes the scale in force when it is made.
double drawingScale();
class DrawingScale {
public:
    explicit DrawingScale(double scale);
    ~DrawingScale();
    DrawingScale(const DrawingScale&) = delete;
    DrawingScale& operator=(const DrawingScale&) = delete;

private:
    double previous_;
};

class Canvas {
public:
    // `width` and `height` in layout pixels; the canvas holds them at the drawing scale.
    Canvas(int width, int height, Colour fill = {}, double scale = drawingScale());
    int width() const { return width_; }    // in layout pixels
    int height() const { return height_; }
    double scale() const { return scale_; }
    int pixelWidth() const { return pixelWidth_; }
    int pixelHeight() const { return pixelHeight_; }
    // The pixel a layout coordinate falls on (a layout edge at 1.5 rounds half up).
    int pixel(double layout) const;
    // A pixel's position in layout pixels, measured as the layout's own pixel indices are: at
    // scale 1 the index itself, at 2 the two pixels of index 3 lie at 2.75 and 3.25.
    double layoutAt(int pixel) const { return (pixel + 0.5) / scale_ - 0.5; }
    bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < pixelWidth_ && y < pixelHeight_; }
    Colour& at(int x, int y) { return pixels_[y * pixelWidth_ + x]; }   // pixel indices
    const Colour& at(int x, int y) const { return pixels_[y * pixelWidth_ + x]; }
    void blend(int x, int y, Colour c, double alpha);
    // Layout coordinates.
    Canvas crop(int x, int y, int w, int h) const;
    void place(const Canvas& src, int x, int y);

private:
    int width_, height_;
    double scale_;
    int pixelWidth_, pixelHeight_;
    std::vector<Colour> pixels_;
};
