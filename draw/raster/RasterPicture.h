// RasterPicture: a picture the raster device loaded, held as decoded colours.
#pragma once

#include <utility>

#include "draw/Canvas.h"
#include "draw/raster/BmpDecoder.h"

class RasterPicture : public Picture {
public:
    explicit RasterPicture(DecodedBmp decoded) : bitmap(std::move(decoded)) {}

    int pictureWidth() const override { return bitmap.width; }
    int pictureHeight() const override { return bitmap.height; }
    // The colours, pictureWidth() x pictureHeight(), top row first.
    const std::vector<Colour>& pixels() const { return bitmap.pixels; }

private:
    DecodedBmp bitmap;
};
