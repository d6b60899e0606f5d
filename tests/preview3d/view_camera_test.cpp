// The 3D view's camera without any window or GL: what keys, drags, timer
// ticks, "Rescale" and a reload do to the view.

#include "preview3d/view_camera.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

using Move = ViewCamera::Move;

TEST(ViewCamera, StartsAtTheLoadView)
{
    const ViewCamera c;
    EXPECT_EQ(c.angleX(), 0.0f);
    EXPECT_EQ(c.angleY(), 0.0f);
    EXPECT_EQ(c.offsetX(), 0.0f);
    EXPECT_EQ(c.offsetZ(), -5.0f);
    EXPECT_EQ(c.scale(), 32.0);
}

TEST(ViewCamera, KeysMoveBySpeedOverAHundred)
{
    const struct {
        Move move;
        int speed;
        float x, z; // after two presses
    } cases[] = {
        {Move::Left, 100, -2.0f, -5.0f},    {Move::Right, 1, 0.02f, -5.0f},     {Move::Right, 1000, 20.0f, -5.0f},
        {Move::Farther, 250, 0.0f, -10.0f}, {Move::Nearer, 37, 0.0f, float(float(-5.0 + 0.37) + 0.37)},
    };
    for (const auto& t : cases) {
        ViewCamera c;
        c.move(t.move, t.speed);
        c.move(t.move, t.speed);
        EXPECT_EQ(c.offsetX(), t.x) << t.speed;
        EXPECT_EQ(c.offsetZ(), t.z) << t.speed;
        EXPECT_EQ(c.angleX(), 0.0f);
    }
}

TEST(ViewCamera, DragTurnsFromTheLastWholePixel)
{
    const struct {
        int speed;
        double pressX, pressY, toX, toY;
        float angleX, angleY;
        int lastX, lastY;
    } cases[] = {
        {100, 100, 100, 190, 145, float(45.0 / 901), float(90.0 / 901), 190, 145}, // the design speed
        {1000, 10, 50, 20, 40, -10.0f, 10.0f, 20, 40},                             // a pixel a degree
        // The start rounds half to even; the turn runs from that pixel to the exact pointer.
        {1000, 10.5, 11.5, 12.25, 11.5, -0.5f, 2.25f, 12, 12},
        {1000, 0.5, -0.5, 0.5, -0.5, -0.5f, 0.5f, 0, 0},
    };
    for (const auto& t : cases) {
        ViewCamera c;
        c.press(t.pressX, t.pressY);
        c.drag(t.toX, t.toY, t.speed);
        EXPECT_EQ(c.angleX(), t.angleX) << t.pressX;
        EXPECT_EQ(c.angleY(), t.angleY) << t.pressX;
        EXPECT_EQ(c.lastMouseX(), t.lastX);
        EXPECT_EQ(c.lastMouseY(), t.lastY);
    }
}

TEST(ViewCamera, DragsAddUpStepByStep)
{
    ViewCamera c;
    c.press(10, 50);
    c.drag(13, 48, 1000);
    c.drag(20, 40, 1000);
    EXPECT_EQ(c.angleX(), -10.0f);
    EXPECT_EQ(c.angleY(), 10.0f);
}

TEST(ViewCamera, TimerTicksTurnTwoDegrees)
{
    ViewCamera c;
    for (int tick = 0; tick < 3; ++tick) c.turnX();
    c.turnY();
    EXPECT_EQ(c.angleX(), 6.0f);
    EXPECT_EQ(c.angleY(), 2.0f);
}

TEST(ViewCamera, RescaleTakesAnyDrawableNumber)
{
    const struct {
        double divisor;
        ViewCamera::Rescale result;
    } cases[] = {
        {64.0, ViewCamera::Rescale::Done},
        {-32.0, ViewCamera::Rescale::Done}, // mirrored
        {1e-30, ViewCamera::Rescale::Done},
        {0.0, ViewCamera::Rescale::NotAScale},
        {-0.0, ViewCamera::Rescale::NotAScale},
        {std::nan(""), ViewCamera::Rescale::NotAScale},
        {std::numeric_limits<double>::infinity(), ViewCamera::Rescale::NotAScale},
        // Non-zero, but 128 / divisor overflows a 32-bit float.
        {1e-40, ViewCamera::Rescale::TooLarge},
        {-3.7e-37, ViewCamera::Rescale::TooLarge},
        {1e-310, ViewCamera::Rescale::TooLarge},
    };
    for (const auto& t : cases) {
        ViewCamera c;
        c.rescale(16.0);
        EXPECT_EQ(c.rescale(t.divisor), t.result) << t.divisor;
        EXPECT_EQ(c.scale(), t.result == ViewCamera::Rescale::Done ? t.divisor : 16.0) << t.divisor;
    }
}

TEST(ViewCamera, ReloadKeepsTheTurnAndTheSidewaysOffset)
{
    ViewCamera c;
    c.press(100, 100);
    c.drag(130, 120, 1000);
    c.move(Move::Right, 1000);
    c.move(Move::Farther, 1000);
    c.rescale(64.0);
    const ViewCamera before = c;
    c.reload();
    EXPECT_EQ(c.angleX(), before.angleX());
    EXPECT_EQ(c.angleY(), before.angleY());
    EXPECT_EQ(c.offsetX(), 10.0f);
    EXPECT_EQ(c.lastMouseX(), 130);
    EXPECT_EQ(c.lastMouseY(), 120);
    EXPECT_EQ(c.offsetZ(), -5.0f);
    EXPECT_EQ(c.scale(), 32.0);
}

} // namespace
