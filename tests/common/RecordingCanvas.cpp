// RecordingCanvas: records the calls made on a canvas.
#include "common/RecordingCanvas.h"

#include <new>

namespace {

class RecordedPicture : public Picture {
public:
    explicit RecordedPicture(std::string fileName) : name(std::move(fileName)) {}
    int pictureWidth() const override { return 100; }
    int pictureHeight() const override { return 100; }
    const std::string name;
};

}  // namespace

RecordingCanvas::RecordingCanvas(int canvasWidth, int canvasHeight) : Canvas(nullptr, canvasWidth, canvasHeight) {}

void RecordingCanvas::fill(Colour colour) { calls.push_back({DrawCall::Fill, {}, colour, {}}); }

void RecordingCanvas::drawText(const char* text, int x, int y, Colour colour) {
    calls.push_back({DrawCall::Text, {x, y}, colour, text});
}

void RecordingCanvas::drawCentredText(const char* text, int y, Colour colour) {
    calls.push_back({DrawCall::CentredText, {y}, colour, text});
}

void RecordingCanvas::drawLine(int x1, int y1, int x2, int y2, Colour colour) {
    calls.push_back({DrawCall::Line, {x1, y1, x2, y2}, colour, {}});
}

void RecordingCanvas::drawDisc(int cx, int cy, int diameter, Colour colour) {
    calls.push_back({DrawCall::Disc, {cx, cy, diameter}, colour, {}});
}

void RecordingCanvas::fillTriangle(int x1, int y1, int x2, int y2, int x3, int y3, Colour colour) {
    calls.push_back({DrawCall::Triangle, {x1, y1, x2, y2, x3, y3}, colour, {}});
}

void RecordingCanvas::captureBackground() { calls.push_back({DrawCall::Capture, {}, 0, {}}); }

void RecordingCanvas::restoreRect(int left, int top, int right, int bottom) {
    calls.push_back({DrawCall::Restore, {left, top, right, bottom}, 0, {}});
}

std::unique_ptr<Picture> RecordingCanvas::loadPicture(const char* fileName) {
    calls.push_back({DrawCall::Load, {}, 0, fileName});
    if (outOfMemory) throw std::bad_alloc();
    if (missingFiles.count(fileName)) return nullptr;
    return std::make_unique<RecordedPicture>(fileName);
}

void RecordingCanvas::drawPicture(const Picture& picture) {
    calls.push_back({DrawCall::Picture, {}, 0, static_cast<const RecordedPicture&>(picture).name});
}

std::vector<DrawCall> RecordingCanvas::callsOf(DrawCall::Kind kind) const {
    std::vector<DrawCall> result;
    for (const DrawCall& call : calls) {
        if (call.kind == kind) result.push_back(call);
    }
    return result;
}

std::vector<std::string> RecordingCanvas::texts() const {
    std::vector<std::string> result;
    for (const DrawCall& call : callsOf(DrawCall::Text)) result.push_back(call.text);
    return result;
}

int RecordingCanvas::indexOf(DrawCall::Kind kind, std::size_t from) const {
    for (std::size_t i = from; i < calls.size(); ++i) {
        if (calls[i].kind == kind) return static_cast<int>(i);
    }
    return -1;
}
