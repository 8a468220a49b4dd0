// GdiPicture: owns a GDI bitmap and knows its size in pixels.
#include "draw/gdi/GdiPicture.h"

GdiPicture::GdiPicture(HBITMAP loaded) : bitmap(loaded) {
    BITMAP info{};
    if (GetObjectA(bitmap, sizeof info, &info) == sizeof info) {
        width = info.bmWidth;
        height = info.bmHeight;
    }
}

GdiPicture::~GdiPicture() { DeleteObject(bitmap); }
