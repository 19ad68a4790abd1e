#pragma once
// A colour in four floats, alpha 1 unless given.

class MColor {
public:
    enum MColorType { kRGB, kHSV, kCMY, kCMYK };

    MColor() = default;
    MColor(float rr, float gg, float bb = 0.0f, float aa = 1.0f) : r(rr), g(gg), b(bb), a(aa) {}
    MColor(const float c[3]) : r(c[0]), g(c[1]), b(c[2]) {}

    float operator[](unsigned int i) const { return i == 0 ? r : i == 1 ? g : i == 2 ? b : a; }
    float& operator[](unsigned int i) { return i == 0 ? r : i == 1 ? g : i == 2 ? b : a; }
    bool operator==(const MColor& o) const { return r == o.r && g == o.g && b == o.b && a == o.a; }
    bool operator!=(const MColor& o) const { return !(*this == o); }
    MColor operator*(float s) const { return MColor(r * s, g * s, b * s, a * s); }
    MColor operator+(const MColor& o) const { return MColor(r + o.r, g + o.g, b + o.b, a + o.a); }

    float r = 0.0f, g = 0.0f, b = 0.0f, a = 1.0f;
};
