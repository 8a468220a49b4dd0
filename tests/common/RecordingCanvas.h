// RecordingCanvas: a canvas that draws nothing and records every call, for tests
// of what the game draws and in which order.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "draw/Canvas.h"

struct DrawCall {
    enum Kind { Fill, Text, CentredText, Line, Disc, Triangle, Capture, Restore, Load, Picture };
    Kind kind;
    int args[6] = {};  // the call's integer arguments, in order
    Colour colour = 0;
    std::string text;  // drawn text, or the file name of a load
};

class RecordingCanvas : public Canvas {
public:
    explicit RecordingCanvas(int canvasWidth = 500, int canvasHeight = 480);

    void fill(Colour colour) override;
    void drawText(const char* text, int x, int y, Colour colour) override;
    void drawCentredText(const char* text, int y, Colour colour) override;
    void drawLine(int x1, int y1, int x2, int y2, Colour colour) override;
    void drawDisc(int cx, int cy, int diameter, Colour colour) override;
    void fillTriangle(int x1, int y1, int x2, int y2, int x3, int y3, Colour colour) override;
    void captureBackground() override;
    void restoreRect(int left, int top, int right, int bottom) override;
    std::unique_ptr<Picture> loadPicture(const char* fileName) override;
    void drawPicture(const Picture& picture) override;

    // The recorded calls of one kind, in order.
    std::vector<DrawCall> callsOf(DrawCall::Kind kind) const;
    // The texts drawn with drawText, in order.
    std::vector<std::string> texts() const;
    // Index of the first call of a kind at or after `from`, or -1.
    int indexOf(DrawCall::Kind kind, std::size_t from = 0) const;

    std::vector<DrawCall> calls;
    std::set<std::string> missingFiles;  // loads of these names fail
    bool outOfMemory = false;            // loads throw std::bad_alloc, as when memory runs out
};
