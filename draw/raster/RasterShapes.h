// RasterShapes: the pixels that GDI's one-pixel line, Ellipse and Polygon cover,
// drawn into a framebuffer. Only the part inside the framebuffer is walked, so
// shapes with extreme coordinates cost no more than the framebuffer's size.
#pragma once

#include "draw/Colour.h"
#include "draw/raster/Framebuffer.h"

struct RasterPoint {
    int x;
    int y;
};

// A one-pixel line from (x1, y1) up to but not including (x2, y2). Each step
// along the longer axis draws one pixel, at the nearest position across it; a
// position exactly halfway goes to the smaller coordinate, so a line covers the
// same pixels whichever way round it is drawn (apart from the end left out).
void rasterLine(Framebuffer& target, int x1, int y1, int x2, int y2, Colour colour);

// An ellipse filling the box (left, top)-(right, bottom), right and bottom edges
// excluded (the corners may come in any order): a one-pixel ring in `outline`
// around an inside in `fill`. A box 1 or 2 pixels thick is drawn as the outline
// of the box, and an empty box draws nothing.
void rasterEllipse(Framebuffer& target, int left, int top, int right, int bottom,
                   Colour fill, Colour outline);

// A closed polygon: first its inside in `fill` (alternate rule; a pixel belongs
// to it when its own integer point lies inside, left and top edges included,
// right and bottom edges left out), then its edges in `outline`, each a line from
// one point to the next and from the last back to the first.
void rasterPolygon(Framebuffer& target, const RasterPoint* points, int count,
                   Colour fill, Colour outline);
