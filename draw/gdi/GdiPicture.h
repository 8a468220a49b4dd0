// GdiPicture: a bitmap loaded from a BMP file with LoadImageA, owned until destroyed.
#pragma once

#include <windows.h>

#include "draw/Canvas.h"

class GdiPicture : public Picture {
public:
    // Takes ownership of a loaded bitmap (not null).
    explicit GdiPicture(HBITMAP bitmap);
    ~GdiPicture() override;
    GdiPicture(const GdiPicture&) = delete;
    GdiPicture& operator=(const GdiPicture&) = delete;

    int pictureWidth() const override { return width; }
    int pictureHeight() const override { return height; }

    const HBITMAP bitmap;

private:
    int width = 0;
    int height = 0;
};
