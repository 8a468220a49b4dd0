// CanvasChecks: the pixel checks every Canvas device must pass, written once and
// run against each device (the raster natively, GDI under Windows or Wine).
#pragma once

#include <memory>

#include <gtest/gtest.h>

#include "draw/Canvas.h"

// A canvas under test and a way to read back what it shows.
//
// A probe may show more than its canvas: a GDI probe's window can be larger than
// the canvas's width x height. Everything the probe shows starts black, and
// pixel() gives 0 for points it cannot see, so checks may look just past the
// canvas's right and bottom edges and expect black there. A probe that shows
// exactly its canvas answers those checks with 0; a probe with a margin makes
// them see what the device really drew there.
class CanvasProbe {
public:
    virtual ~CanvasProbe() = default;
    virtual Canvas& canvas() = 0;            // the canvas under test, already filled black
    virtual Colour pixel(int x, int y) = 0;  // what the canvas shows at (x, y) now
    virtual int averageCharWidth() = 0;      // the system font's tmAveCharWidth
};

// Makes a fresh probe with a canvas of the given size.
using CanvasProbeFactory = std::unique_ptr<CanvasProbe> (*)(int width, int height);

// The checks are TEST_P(CanvasChecks, ...) in tests/common/*.cpp; each device
// instantiates them:
//   INSTANTIATE_TEST_SUITE_P(Raster, CanvasChecks, ::testing::Values(&makeRasterProbe));
class CanvasChecks : public ::testing::TestWithParam<CanvasProbeFactory> {
protected:
    std::unique_ptr<CanvasProbe> probe(int width, int height) { return GetParam()(width, height); }
};
