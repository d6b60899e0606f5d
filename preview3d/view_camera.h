#pragma once
// Where the 3D view's eye stands and how the terrain's mesh is spread: the
// turns about x and y, the sideways and depth offsets, the mesh's scale,
// and how keys, drags, "Rescale" and the auto-rotate timers change them.
// Angles and offsets are 32-bit floats, each step worked in double and
// stored back, so the same gestures always leave the same view.

#include <cstdint>

class ViewCamera {
public:
    // Where a key moves the mesh.
    enum class Move { Left, Right, Nearer, Farther };
    // What "Rescale" made of a number.
    enum class Rescale { Done, NotAScale, TooLarge };

    // Each opening of the view: distance and scale start afresh, the angles,
    // the sideways offset and the last pointer position are kept.
    void reload();

    // One key press at a speed of 1..1000 (the scroll bar): speed / 100
    // model units.
    void move(Move where, int speed);
    // A button goes down at (x, y): the start of a drag.
    void press(double x, double y);
    // The pointer, dragged with the left button, is at (x, y): the mesh
    // turns by the pixels moved over 1001 - speed degrees.
    void drag(double x, double y, int speed);
    // One tick of "Auto Rotate on X" / "on Y".
    void turnX();
    void turnY();
    // The mesh's width from the number beside "Rescale": 32 spreads it over
    // -4..4, a larger one shrinks it, a negative one mirrors it. Zero, non-
    // finite and numbers so close to zero that the mesh could not be drawn
    // are refused and change nothing.
    Rescale rescale(double divisor);
    // Puts the eye at given angles (for pictures made by tools).
    void turnTo(float angleX, float angleY);

    float angleX() const { return angleX_; }
    float angleY() const { return angleY_; }
    float offsetX() const { return offsetX_; }
    float offsetZ() const { return offsetZ_; }
    std::int32_t lastMouseX() const { return lastMouseX_; }
    std::int32_t lastMouseY() const { return lastMouseY_; }
    // What the mesh's model coordinates, 256 units across, are divided by.
    double scale() const { return scale_; }

    static constexpr double kLoadScale = 32.0;
    static constexpr float kLoadDistance = -5.0f;

private:
    float angleX_ = 0.0f;
    float angleY_ = 0.0f;
    float offsetX_ = 0.0f;
    float offsetZ_ = kLoadDistance;
    std::int32_t lastMouseX_ = 0;
    std::int32_t lastMouseY_ = 0;
    double scale_ = kLoadScale;
};
