// Backdrop: the level's picture, loaded from a BMP file and stretched over the
// whole canvas. LevelTheme: each level's picture file and colours.
#pragma once

#include <memory>

#include "draw/Canvas.h"
#include "draw/Colour.h"

class Backdrop {
public:
    // Stores the canvas and loads the file; draws nothing.
    Backdrop(Canvas* canvas, const char* fileName);
    // Releases the current picture, if any, then loads the file (again).
    void reload(const char* fileName);
    // Paints the picture over the whole canvas (nothing when none is loaded),
    // then captures the canvas as its background snapshot.
    void draw();

    bool hasPicture() const { return bitmap != nullptr; }

    Canvas* const canvas;

private:
    std::unique_ptr<Picture> bitmap;
};

struct LevelTheme {
    const char* backdropFile;
    Colour gridColour;
    Colour firstColour;
    Colour secondColour;
};

constexpr int kLevelCount = 4;

// The theme of a level, 1 to 4. A level outside that range gets the nearest one.
const LevelTheme& levelTheme(int level);
