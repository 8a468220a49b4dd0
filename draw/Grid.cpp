// Grid: board geometry, pixel <-> cell mapping, and drawing by cell.
#include "draw/Grid.h"

#include "draw/Canvas.h"

Grid::Grid(Canvas* onCanvas, int rowCount, int columnCount, int cellPixels)
    : canvas(onCanvas),
      rows(rowCount),
      columns(columnCount),
      cellSize(cellPixels),
      width(columns * cellSize + 1),
      height(rows * cellSize + 1),
      left((onCanvas->width - width) / 2),
      top((onCanvas->height - height) / 2),
      right(left + width),
      bottom(top + height) {}

// The outer lines and everything beyond map to -1; a pixel on an inner line
// belongs to the cell to its right (or below it).
static int cellAt(int pixel, int first, int pastLast, int cellSize, int count) {
    if (pixel <= first || pixel >= pastLast) return -1;
    const int n = (pixel - first) / cellSize;
    return n >= count ? -1 : n;
}

int Grid::columnAt(int x) const { return cellAt(x, left, right, cellSize, columns); }

int Grid::rowAt(int y) const { return cellAt(y, top, bottom, cellSize, rows); }

int Grid::centreX(int column) const { return left + column * cellSize + cellSize / 2 + 1; }

int Grid::centreY(int row) const { return top + row * cellSize + cellSize / 2 + 1; }

void Grid::drawLines(Colour colour) const {
    const int lastX = left + columns * cellSize;
    const int lastY = top + rows * cellSize;
    for (int x = left; x <= lastX; x += cellSize) canvas->drawLine(x, top, x, lastY, colour);
    for (int y = top; y <= lastY; y += cellSize) canvas->drawLine(left, y, lastX, y, colour);
}

void Grid::drawDot(int column, int row, int shrinkPercent, Colour colour) const {
    if (column < 0 || column >= columns) return;
    const int diameter = cellSize - (cellSize * shrinkPercent) / 100;
    // The dot sits one pixel left of the triangle corner: centreX without its + 1.
    const int cx = left + column * cellSize + cellSize / 2;
    const int cy = centreY(row);
    canvas->drawDisc(cx, cy, diameter, colour);
}

void Grid::fillTriangle(int c1, int r1, int c2, int r2, int c3, int r3, Colour colour) const {
    canvas->fillTriangle(centreX(c1), centreY(r1), centreX(c2), centreY(r2), centreX(c3), centreY(r3),
                         colour);
}
