// RasterShapes: lines, ellipses and polygons with GDI's pixel rules.
#include "draw/raster/RasterShapes.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

using Int = std::int64_t;
using Unsigned = std::uint64_t;

Unsigned magnitude(Int value) {
    return static_cast<Unsigned>(value < 0 ? -value : value);
}

// How far across its axis a line has moved after `step` steps along it:
// step * across / along rounded to the nearest integer, halfway cases toward the
// smaller coordinate. Every argument is below 2^32, so the product fits.
Int acrossOffset(Unsigned step, Unsigned across, Unsigned along, bool rising) {
    const Unsigned product = step * across;
    Unsigned offset = product / along;
    const Unsigned twiceRemainder = 2 * (product % along);
    if (twiceRemainder > along || (!rising && twiceRemainder == along)) {
        ++offset;
    }
    return rising ? static_cast<Int>(offset) : -static_cast<Int>(offset);
}

// One row of an ellipse's right half, in box coordinates: its ring covers
// `inner`..`outer`, and everything left of `inner` (down to the mirrored ring)
// is inside. A row with `outer` < 0 is not drawn.
struct RingRun {
    Int inner = -1;
    Int outer = -1;
};

// Boxes up to this size are walked pixel by pixel; larger ones (far larger than
// any window) are computed row by row from the ellipse's equation instead.
constexpr Int kMaxWalkedSize = 1 << 16;

// Walks the ring's lower right quarter from the middle of the right side down to
// the bottom, with a midpoint error term in exact integers (Zingl's method), and
// records for each row of that quarter the pixels the ring passes through.
std::vector<RingRun> walkQuarter(Int width, Int height) {
    std::vector<RingRun> rows(static_cast<std::size_t>(height - height / 2));
    const Int a = width - 1;
    const Int b = height - 1;
    const Int xGrowth = 8 * b * b;
    const Int yGrowth = 8 * a * a;
    Int xIncrement = 4 * b * b * (1 - a);
    Int yIncrement = 4 * a * a * (1 + b % 2);
    Int error = xIncrement + yIncrement + a * a * (b % 2);
    Int x = a;
    Int y = height / 2;
    while (x >= width / 2 && y < height) {
        RingRun& run = rows[static_cast<std::size_t>(y - height / 2)];
        if (run.outer < 0) {
            run.outer = x;
        }
        run.inner = x;
        const Int twiceError = 2 * error;
        bool moved = false;
        if (twiceError >= xIncrement) {
            --x;
            xIncrement += xGrowth;
            error += xIncrement;
            moved = true;
        }
        if (twiceError <= yIncrement) {
            ++y;
            yIncrement += yGrowth;
            error += yIncrement;
            moved = true;
        }
        if (!moved) {
            --x;  // the error terms never allow this; it only keeps the walk finite
        }
    }
    return rows;
}

// The same run for a huge box, from the ellipse through the pixel centres: the
// ring reaches as far as this row does and comes in as far as the next row out.
RingRun computedRow(Int width, Int height, Int y) {
    const double a = static_cast<double>(width - 1) / 2;
    const double b = static_cast<double>(height - 1) / 2;
    const auto reach = [&](Int row) -> Int {
        if (row >= height) {
            return -1;
        }
        const double t = (static_cast<double>(row) - b) / b;
        const double share = 1 - t * t;
        if (share < 0) {
            return -1;
        }
        const double right = std::floor(a + a * std::sqrt(share) + 0.5);
        return std::clamp(static_cast<Int>(right), width / 2, width - 1);
    };
    RingRun run;
    run.outer = reach(y);
    if (run.outer >= 0) {
        run.inner = std::clamp(reach(y + 1) + 1, width / 2, run.outer);
    }
    return run;
}

// The smallest integer x at or right of where the edge from `lower` to `upper`
// (lower.y < upper.y) crosses row y, for lower.y <= y < upper.y.
Int crossingAtOrRight(RasterPoint lower, RasterPoint upper, Int y) {
    const Unsigned rise = magnitude(Int{upper.y} - lower.y);
    const Unsigned climb = magnitude(y - lower.y);
    const Int run = Int{upper.x} - lower.x;
    const Unsigned product = climb * magnitude(run);  // climb < rise < 2^32
    const Int whole = static_cast<Int>(product / rise);
    if (run < 0) {
        return lower.x - whole;
    }
    return lower.x + whole + (product % rise != 0 ? 1 : 0);
}

}  // namespace

void rasterLine(Framebuffer& target, int x1, int y1, int x2, int y2, Colour colour) {
    const Int dx = Int{x2} - x1;
    const Int dy = Int{y2} - y1;
    const bool alongX = magnitude(dx) >= magnitude(dy);
    const Unsigned along = alongX ? magnitude(dx) : magnitude(dy);
    if (along == 0) {
        return;
    }
    const Unsigned across = alongX ? magnitude(dy) : magnitude(dx);
    const bool rising = (alongX ? dy : dx) > 0;
    const Int start = alongX ? x1 : y1;
    const Int startAcross = alongX ? y1 : x1;
    const Int limit = alongX ? target.width() : target.height();
    const Int length = static_cast<Int>(along);

    // Walk only the steps whose position along the axis lies on the framebuffer.
    Int first = 0;
    Int end = 0;
    const bool forward = (alongX ? dx : dy) > 0;
    if (forward) {
        first = std::max<Int>(0, -start);
        end = std::min(length, limit - start);
    } else {
        first = std::max<Int>(0, start - limit + 1);
        end = std::min(length, start + 1);
    }
    for (Int step = first; step < end; ++step) {
        const Int position = forward ? start + step : start - step;
        const Int other = startAcross + acrossOffset(static_cast<Unsigned>(step), across, along, rising);
        if (alongX) {
            target.set(position, other, colour);
        } else {
            target.set(other, position, colour);
        }
    }
}

void rasterEllipse(Framebuffer& target, int left, int top, int right, int bottom,
                   Colour fill, Colour outline) {
    const int boxLeft = std::min(left, right);
    const int boxRight = std::max(left, right);
    const int boxTop = std::min(top, bottom);
    const int boxBottom = std::max(top, bottom);
    const Int width = Int{boxRight} - boxLeft;
    const Int height = Int{boxBottom} - boxTop;
    if (width == 0 || height == 0) {
        return;
    }
    if (width <= 2 || height <= 2) {
        const RasterPoint corners[4] = {
            {boxLeft, boxTop}, {boxRight - 1, boxTop}, {boxRight - 1, boxBottom - 1}, {boxLeft, boxBottom - 1}};
        for (int i = 0; i < 4; ++i) {
            const RasterPoint from = corners[i];
            const RasterPoint to = corners[(i + 1) % 4];
            rasterLine(target, from.x, from.y, to.x, to.y, outline);
        }
        return;
    }

    const bool walked = width <= kMaxWalkedSize && height <= kMaxWalkedSize;
    const std::vector<RingRun> quarter = walked ? walkQuarter(width, height) : std::vector<RingRun>{};
    const Int firstRow = std::max<Int>(boxTop, 0);
    const Int endRow = std::min<Int>(boxBottom, target.height());
    for (Int y = firstRow; y < endRow; ++y) {
        const Int row = y - boxTop;
        const Int quarterRow = row >= height / 2 ? row : height - 1 - row;
        const RingRun run = walked ? quarter[static_cast<std::size_t>(quarterRow - height / 2)]
                                   : computedRow(width, height, quarterRow);
        if (run.outer < 0) {
            continue;
        }
        const Int mirroredOuter = width - 1 - run.outer;
        const Int mirroredInner = width - 1 - run.inner;
        target.fillRow(y, boxLeft + mirroredOuter, boxLeft + mirroredInner + 1, outline);
        target.fillRow(y, boxLeft + mirroredInner + 1, boxLeft + run.inner, fill);
        target.fillRow(y, boxLeft + run.inner, boxLeft + run.outer + 1, outline);
    }
}

void rasterPolygon(Framebuffer& target, const RasterPoint* points, int count,
                   Colour fill, Colour outline) {
    if (points == nullptr || count < 2) {
        return;
    }
    Int top = points[0].y;
    Int bottom = points[0].y;
    for (int i = 1; i < count; ++i) {
        top = std::min<Int>(top, points[i].y);
        bottom = std::max<Int>(bottom, points[i].y);
    }

    std::vector<Int> crossings;
    const Int endRow = std::min<Int>(bottom, target.height());
    for (Int y = std::max<Int>(top, 0); y < endRow; ++y) {
        crossings.clear();
        for (int i = 0; i < count; ++i) {
            RasterPoint lower = points[i];
            RasterPoint upper = points[(i + 1) % count];
            if (lower.y == upper.y) {
                continue;
            }
            if (lower.y > upper.y) {
                std::swap(lower, upper);
            }
            if (y >= lower.y && y < upper.y) {
                crossings.push_back(crossingAtOrRight(lower, upper, y));
            }
        }
        std::sort(crossings.begin(), crossings.end());
        for (std::size_t k = 0; k + 1 < crossings.size(); k += 2) {
            target.fillRow(y, crossings[k], crossings[k + 1], fill);
        }
    }

    for (int i = 0; i < count; ++i) {
        const RasterPoint from = points[i];
        const RasterPoint to = points[(i + 1) % count];
        rasterLine(target, from.x, from.y, to.x, to.y, outline);
    }
}
