// Framebuffer: a width x height block of colours, top row first, with every
// write clipped to it.
#pragma once

#include <cstdint>
#include <vector>

#include "draw/Colour.h"

class Framebuffer {
public:
    // Negative sizes count as 0.
    Framebuffer(int width, int height);

    int width() const { return columns; }
    int height() const { return rows; }
    bool contains(std::int64_t x, std::int64_t y) const {
        return x >= 0 && y >= 0 && x < columns && y < rows;
    }

    // The colour at (x, y); 0 outside.
    Colour at(std::int64_t x, std::int64_t y) const;
    // Sets one pixel; a point outside is ignored.
    void set(std::int64_t x, std::int64_t y, Colour colour);
    // Paints x0 <= x < x1 in row y, clipped.
    void fillRow(std::int64_t y, std::int64_t x0, std::int64_t x1, Colour colour);

    const std::vector<Colour>& pixels() const { return data; }
    std::vector<Colour>& pixels() { return data; }

private:
    int columns;
    int rows;
    std::vector<Colour> data;
};
