// Grid: the board as drawn on the screen, rows x columns cells of cellSize pixels
// centred on a Canvas, with pixel <-> cell mapping and drawing by cell.
#pragma once

#include "draw/Colour.h"

class Canvas;

class Grid {
public:
    // Computes the geometry; draws nothing. A board larger than its canvas gets a
    // negative left or top (integer division truncates toward zero).
    Grid(Canvas* canvas, int rows, int columns, int cellSize);

    // The column under pixel x, or -1 (outer grid lines and everything beyond).
    int columnAt(int x) const;
    // The row under pixel y, or -1.
    int rowAt(int y) const;
    // Pixel of a cell's triangle corner.
    int centreX(int column) const;
    int centreY(int row) const;

    // All grid lines: vertical ones left to right, then horizontal ones top to bottom.
    void drawLines(Colour colour) const;
    // A dot in the cell; nothing when the column is off the board (the row is not tested).
    void drawDot(int column, int row, int shrinkPercent, Colour colour) const;
    // The triangle whose corners are the three cells (column, row), in that order.
    void fillTriangle(int c1, int r1, int c2, int r2, int c3, int r3, Colour colour) const;

    Canvas* const canvas;
    const int rows;
    const int columns;
    const int cellSize;
    const int width;   // columns * cellSize + 1
    const int height;  // rows * cellSize + 1
    const int left;    // x of the first vertical line
    const int top;     // y of the first horizontal line
    const int right;   // one past the last vertical line
    const int bottom;  // one past the last horizontal line
};
