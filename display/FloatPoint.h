// A pair of single-precision floats: the scales of a radargram travel in it (x = display
// units per trace, y = display units per sample).
#pragma once

class CFloatPoint {
public:
    CFloatPoint() = default;
    explicit CFloatPoint(const float p[2]) : x(p[0]), y(p[1]) {}
    CFloatPoint(int px, int py) : x(static_cast<float>(px)), y(static_cast<float>(py)) {}
    CFloatPoint(float px, float py) : x(px), y(py) {}

    // Takes the values of p and returns a copy of itself.
    CFloatPoint Assign(const float p[2])
    {
        x = p[0];
        y = p[1];
        return *this;
    }
    void DivideBy(const float p[2])
    {
        x /= p[0];
        y /= p[1];
    }

    float x = 0.0f;
    float y = 0.0f;
};
