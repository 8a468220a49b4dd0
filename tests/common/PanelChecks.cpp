// Pixel checks of the score panel, run on every canvas device.
#include "common/CanvasChecks.h"
#include "common/WorkingDirectory.h"
#include "game/Game.h"

namespace {

constexpr Colour kGrey = 0x808080;
constexpr Colour kMarker = 0xFF00FF;  // drawn by nothing in the game

std::vector<Colour> pixelsIn(CanvasProbe& probe, int left, int top, int right, int bottom) {
    std::vector<Colour> pixels;
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x) pixels.push_back(probe.pixel(x, y));
    }
    return pixels;
}

// A new level-1 game on a grey canvas with no backdrop files: the grey stays
// and becomes the background snapshot.
struct PanelScene {
    std::unique_ptr<CanvasProbe> p;
    ScopedWorkingDirectory dir{"panel"};
    std::unique_ptr<Game> game;
    PanelScene(CanvasProbe* raw, PlayType type) : p(raw) {
        p->canvas().fill(kGrey);
        game = std::make_unique<Game>(&p->canvas(), 6, 6, 20, 1, type);
    }
    int countIn(int left, int top, int right, int bottom, Colour colour) {
        int count = 0;
        for (int y = top; y < bottom; ++y) {
            for (int x = left; x < right; ++x) count += p->pixel(x, y) == colour;
        }
        return count;
    }
    std::vector<Colour> rect(int left, int top, int right, int bottom) { return pixelsIn(*p, left, top, right, bottom); }
};

TEST_P(CanvasChecks, PanelOfANewGameShowsZerosIconsAndTheCaption) {
    PanelScene s(probe(492, 454).release(), HumanVsHuman);
    const int w = 492, h = 454;
    const Colour first = s.game->firstColour, second = s.game->secondColour;
    // Each corner pixel for pixel as the same device draws it: the icon with its
    // right angle in the corner, the number's rectangle restored, "0" on the
    // left and "  0" on the right.
    auto expected = probe(w, h);
    Canvas& reference = expected->canvas();
    reference.fill(kGrey);
    reference.captureBackground();
    const struct {
        int x1, y1, x2, y2, x3, y3;
        Colour colour;
        const char* text;
        int left, top, right, bottom;
    } items[] = {{10, 10, 10, 20, 20, 10, first, "0", 20, 20, 45, 35},
                 {w - 10, 10, w - 20, 10, w - 10, 20, second, "  0", w - 40, 20, w, 35},
                 {10, h - 15, 10, h - 25, 20, h - 15, first, "0", 20, h - 40, 45, h - 25},
                 {w - 10, h - 15, w - 20, h - 15, w - 10, h - 25, second, "  0", w - 40, h - 40, w - 5, h - 25}};
    for (const auto& i : items) {
        reference.fillTriangle(i.x1, i.y1, i.x2, i.y2, i.x3, i.y3, i.colour);
        reference.restoreRect(i.left, i.top, i.right, i.bottom);
        reference.drawText(i.text, i.left, i.top, i.colour);
    }
    EXPECT_EQ(s.p->pixel(12, 12), first);  // drawn at all
    for (const auto& [left, top] :
         {std::pair{0, 0}, std::pair{w - 50, 0}, std::pair{0, h - 45}, std::pair{w - 50, h - 45}}) {
        EXPECT_EQ(s.rect(left, top, left + 50, top + 45), pixelsIn(*expected, left, top, left + 50, top + 45))
            << "corner at " << left << ", " << top;
    }
    // "Level 1" starts at the centred position and its top is 25 pixels above the bottom.
    const int x = centredTextX(w, 7, s.p->averageCharWidth());
    EXPECT_EQ(s.countIn(50, h - 25, x, h, first), 0);  // right of the bottom-left corner item
    EXPECT_GT(s.countIn(x, h - 25, x + 4 * s.p->averageCharWidth(), h, first), 3);
    EXPECT_EQ(s.countIn(x, h - 40, x + 60, h - 25, first), 0);
}

TEST_P(CanvasChecks, PanelNumbersLeaveNoTraceWhenTheyShrink) {
    PanelScene s(probe(492, 454).release(), HumanVsHuman);
    const auto zero = s.rect(20, 20, 45, 35);
    const auto zeroRight = s.rect(452, 20, 492, 35);
    s.game->firstTriangles = 12;
    s.game->secondTriangles = 188;
    s.game->drawTriangleScores();
    EXPECT_NE(s.rect(20, 20, 45, 35), zero);
    s.game->firstTriangles = 0;
    s.game->secondTriangles = 0;
    s.game->drawTriangleScores();
    EXPECT_EQ(s.rect(20, 20, 45, 35), zero);
    EXPECT_EQ(s.rect(452, 20, 492, 35), zeroRight);
}

TEST_P(CanvasChecks, PanelRestoresExactlyItsRectanglesAndDrawsEachTextInPlace) {
    const int w = 492, h = 454;
    PanelScene s(probe(w, h).release(), HumanVsHuman);
    const Colour first = s.game->firstColour, second = s.game->secondColour;
    // Everything painted over in a colour the snapshot does not hold: the caption
    // is drawn on that, and each number on its rectangle restored to grey.
    s.p->canvas().fill(kMarker);
    s.game->drawLevelCaption();
    s.game->firstTriangles = 7;
    s.game->secondTriangles = 12;
    s.game->firstRounds = 3;
    s.game->secondRounds = 104;
    s.game->drawTriangleScores();
    s.game->drawRoundWins();
    // The same texts drawn where they belong, on a second canvas.
    auto expected = probe(w, h);
    Canvas& reference = expected->canvas();
    const char* caption = "Level 1";
    reference.fill(kMarker);
    reference.drawText(caption, centredTextX(w, 7, expected->averageCharWidth()), h - 25, first);
    // The caption's rows between the corner items.
    EXPECT_EQ(s.rect(45, h - 40, w - 40, h), pixelsIn(*expected, 45, h - 40, w - 40, h)) << "caption misplaced";
    reference.fill(kGrey);
    const struct {
        const char* text;
        int left, top, right, bottom;
        Colour colour;
    } numbers[] = {{"7", 20, 20, 45, 35, first},
                   {" 12", w - 40, 20, w, 35, second},
                   {"3", 20, h - 40, 45, h - 25, first},
                   {"104", w - 40, h - 40, w - 5, h - 25, second}};
    for (const auto& n : numbers) {
        SCOPED_TRACE(n.text);
        reference.drawText(n.text, n.left, n.top, n.colour);
        EXPECT_EQ(s.rect(n.left, n.top, n.right, n.bottom), pixelsIn(*expected, n.left, n.top, n.right, n.bottom));
        // Nothing around the rectangle was restored.
        EXPECT_EQ(s.countIn(n.left - 1, n.top - 1, n.right + 1, n.top, kGrey), 0);
        EXPECT_EQ(s.countIn(n.left - 1, n.bottom, n.right + 1, n.bottom + 1, kGrey), 0);
        EXPECT_EQ(s.countIn(n.left - 1, n.top, n.left, n.bottom, kGrey), 0);
        EXPECT_EQ(s.countIn(n.right, n.top, n.right + 1, n.bottom, kGrey), 0);
    }
}

TEST_P(CanvasChecks, PanelWinnerMarkerShowsTheOutcomeInTheTopCentre) {
    PanelScene s(probe(483, 300).release(), HumanVsHuman);
    const Colour first = s.game->firstColour, second = s.game->secondColour;
    // x0 = 483 / 2 - 10 = 231: the square spans x 231 to 251, split along its
    // diagonal, each half with its black outline, the tie's upper-right half in
    // the second player's colour. Every pixel as the same device draws them.
    const int x0 = 231;
    auto expected = probe(483, 300);
    Canvas& reference = expected->canvas();
    reference.fill(kGrey);
    const struct {
        RoundOutcome outcome;
        Colour upperRight, lowerLeft;
    } outcomes[] = {{RoundOutcome::Tie, second, first},
                    {RoundOutcome::SecondPlayerWon, second, second},
                    {RoundOutcome::FirstPlayerWon, first, first}};
    for (const auto& o : outcomes) {
        s.game->drawWinnerMarker(o.outcome);
        reference.fillTriangle(x0, 25, x0 + 20, 25, x0 + 20, 45, o.upperRight);
        reference.fillTriangle(x0, 25, x0, 45, x0 + 20, 45, o.lowerLeft);
        EXPECT_EQ(s.rect(x0 - 3, 20, x0 + 24, 50), pixelsIn(*expected, x0 - 3, 20, x0 + 24, 50))
            << static_cast<int>(o.outcome);
    }
    EXPECT_EQ(s.p->pixel(x0 + 15, 30), first);  // drawn at all
}

TEST_P(CanvasChecks, PanelOnATinyCanvasStaysInside) {
    for (auto [w, h] : {std::pair{0, 0}, std::pair{1, 1}, std::pair{30, 20}, std::pair{60, 50}}) {
        PanelScene s(probe(w, h).release(), HumanVsComputer);
        s.game->firstTriangles = 123456;
        s.game->drawTriangleScores();
        s.game->drawWinnerMarker(RoundOutcome::Tie);
        if (w >= 60) {  // on narrower canvases the right-hand icons overlap the left ones
            EXPECT_EQ(s.p->pixel(12, 12), s.game->firstColour);
        }
    }
}

}  // namespace
