// preview_pictures <outdir>: the backdrops under a mock round, to judge them by eye.
// Each picture is shrunk to a 492 x 454 window as the game's window does it, and a
// round is drawn over it in the level's colours (grid, dots, triangles, score corners,
// caption) on a 6 x 6 board of 20-pixel cells and a 20 x 20 board of 16-pixel cells.
// It also reports how many specks the window's shrinking leaves in each picture.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "draw/Backdrop.h"
#include "tools/Noise.h"
#include "tools/Pictures.h"

namespace {

using pictures::Image;
using pictures::Rgba;

Rgba fromColour(Colour c) {
    return {static_cast<std::uint8_t>(redOf(c)), static_cast<std::uint8_t>(greenOf(c)),
            static_cast<std::uint8_t>(blueOf(c)), 255};
}

const Rgba kBlack{0, 0, 0, 255};

// Shrinks as a window's default stretch mode does: each source pixel goes to the
// destination pixel under its centre, and all that land on one are combined with a
// bitwise AND (checked against GDI under Wine, pixel for pixel).
Image shrinkLikeWindow(const Image& source, int width, int height) {
    Image out(width, height);
    for (Rgba& p : out.pixels) p = {255, 255, 255, 255};
    for (int sy = 0; sy < source.height; ++sy) {
        const int y = (2 * sy + 1) * height / (2 * source.height);
        for (int sx = 0; sx < source.width; ++sx) {
            const int x = (2 * sx + 1) * width / (2 * source.width);
            const Rgba& s = source.at(sx, sy);
            Rgba& p = out.at(x, y);
            p = {static_cast<std::uint8_t>(p.r & s.r), static_cast<std::uint8_t>(p.g & s.g),
                 static_cast<std::uint8_t>(p.b & s.b), 255};
        }
    }
    return out;
}

void plot(Image& image, int x, int y, Rgba colour) {
    if (x >= 0 && y >= 0 && x < image.width && y < image.height) image.at(x, y) = colour;
}

// A line leaving out its end point.
void line(Image& image, int x0, int y0, int x1, int y1, Rgba colour) {
    const int steps = std::max(std::abs(x1 - x0), std::abs(y1 - y0));
    for (int i = 0; i < steps; ++i) {
        plot(image, x0 + (x1 - x0) * i / steps, y0 + (y1 - y0) * i / steps, colour);
    }
}

void disc(Image& image, int cx, int cy, int diameter, Rgba colour) {
    const double r = diameter / 2.0;
    for (int y = cy - diameter; y <= cy + diameter; ++y) {
        for (int x = cx - diameter; x <= cx + diameter; ++x) {
            const double dx = x + 0.5 - cx;
            const double dy = y + 0.5 - cy;
            const double d2 = dx * dx + dy * dy;
            if (d2 <= (r - 1) * (r - 1)) plot(image, x, y, colour);
            else if (d2 <= r * r) plot(image, x, y, kBlack);
        }
    }
}

double edge(int ax, int ay, int bx, int by, double px, double py) { return (bx - ax) * (py - ay) - (by - ay) * (px - ax); }

void triangle(Image& image, int x1, int y1, int x2, int y2, int x3, int y3, Rgba colour) {
    for (int y = std::min({y1, y2, y3}); y <= std::max({y1, y2, y3}); ++y) {
        for (int x = std::min({x1, x2, x3}); x <= std::max({x1, x2, x3}); ++x) {
            const double e1 = edge(x1, y1, x2, y2, x, y);
            const double e2 = edge(x2, y2, x3, y3, x, y);
            const double e3 = edge(x3, y3, x1, y1, x, y);
            if ((e1 >= 0 && e2 >= 0 && e3 >= 0) || (e1 <= 0 && e2 <= 0 && e3 <= 0)) plot(image, x, y, colour);
        }
    }
    line(image, x1, y1, x2, y2, kBlack);
    line(image, x2, y2, x3, y3, kBlack);
    line(image, x3, y3, x1, y1, kBlack);
}

// A 5 x 8 pixel font of one-pixel strokes, like the system font, for the few
// characters the score panel writes.
const char* glyph(char c) {
    switch (c) {
        case '0': return ".###.#...##..###.#.###..##...#.###.";
        case '1': return "..#...##....#....#....#....#...###.";
        case '2': return ".###.#...#....#...#...#...#...#####";
        case '3': return ".###.#...#....#..##.....##...#.###.";
        case '4': return "...#...##..#.#.#..#.#####...#....#.";
        case '5': return "######....####.....#....##...#.###.";
        case '7': return "#####....#...#...#...#....#....#...";
        case 'L': return "#....#....#....#....#....#....#####";
        case 'e': return "..........###.#...######.#.....###.";
        case 'v': return "..........#...##...#.#.#..#.#...#..";
        case 'l': return ".##....#....#....#....#....#...###.";
        default: return "...................................";
    }
}

void text(Image& image, const std::string& s, int x, int y, Rgba colour) {
    for (const char c : s) {
        const char* g = glyph(c);
        for (int row = 0; row < 7; ++row) {
            for (int col = 0; col < 5; ++col) {
                if (g[row * 5 + col] == '#') plot(image, x + col, y + 3 + row, colour);
            }
        }
        x += 7;
    }
}

void drawRound(Image& image, int level, int boardSize, int cellSize) {
    const LevelTheme& levelColours = levelTheme(level);
    const struct {
        Rgba grid;
        Rgba first;
        Rgba second;
    } theme{fromColour(levelColours.gridColour), fromColour(levelColours.firstColour),
            fromColour(levelColours.secondColour)};
    const int size = boardSize * cellSize + 1;
    const int left = (image.width - size) / 2;
    const int top = (image.height - size) / 2;
    for (int k = 0; k <= boardSize; ++k) {
        line(image, left + k * cellSize, top, left + k * cellSize, top + size - 1, theme.grid);
        line(image, left, top + k * cellSize, left + size - 1, top + k * cellSize, theme.grid);
    }
    // Dots in about two cells of three; a triangle in each block that has three dots.
    pictures::Pcg32 random(static_cast<std::uint64_t>(level * 100 + boardSize));
    bool dot[20][20] = {};
    int owner[20][20] = {};
    for (int r = 0; r < boardSize; ++r) {
        for (int c = 0; c < boardSize; ++c) {
            dot[r][c] = random.uniform() < 0.65;
            owner[r][c] = random.uniform() < 0.5 ? 0 : 1;
        }
    }
    const auto centreX = [&](int c) { return left + c * cellSize + cellSize / 2 + 1; };
    const auto centreY = [&](int r) { return top + r * cellSize + cellSize / 2 + 1; };
    for (int r = 0; r < boardSize; ++r) {
        for (int c = 0; c < boardSize; ++c) {
            if (dot[r][c]) disc(image, centreX(c) - 1, centreY(r), cellSize / 2, owner[r][c] == 0 ? theme.first : theme.second);
        }
    }
    for (int r = 0; r + 1 < boardSize; ++r) {
        for (int c = 0; c + 1 < boardSize; ++c) {
            if (dot[r][c] && dot[r + 1][c] && dot[r + 1][c + 1] && random.uniform() < 0.7) {
                triangle(image, centreX(c), centreY(r), centreX(c), centreY(r + 1), centreX(c + 1), centreY(r + 1),
                         owner[r + 1][c] == 0 ? theme.first : theme.second);
            }
        }
    }
    // The score corners and the caption.
    const int w = image.width;
    const int h = image.height;
    triangle(image, 10, 10, 10, 20, 20, 10, theme.first);
    text(image, "12", 20, 20, theme.first);
    triangle(image, w - 10, 10, w - 20, 10, w - 10, 20, theme.second);
    text(image, " 37", w - 40, 20, theme.second);
    triangle(image, 10, h - 15, 10, h - 25, 20, h - 15, theme.first);
    text(image, "3", 20, h - 40, theme.first);
    triangle(image, w - 10, h - 15, w - 20, h - 15, w - 10, h - 25, theme.second);
    text(image, "  4", w - 40, h - 40, theme.second);
    const std::string caption = "Level " + std::to_string(level);
    text(image, caption, w / 2 - static_cast<int>(caption.size()) * 7 / 2, h - 25, theme.first);
}

}  // namespace

// How many pixels the AND-shrink darkens visibly (a part by more than 24) compared
// with plain nearest-pixel sampling: the specks a player would see.
int countSpecks(const Image& source, const Image& shrunk) {
    int specks = 0;
    for (int y = 0; y < shrunk.height; ++y) {
        for (int x = 0; x < shrunk.width; ++x) {
            const Rgba& near = source.at((2 * x + 1) * source.width / (2 * shrunk.width),
                                         (2 * y + 1) * source.height / (2 * shrunk.height));
            const Rgba& got = shrunk.at(x, y);
            if (near.r - got.r > 24 || near.g - got.g > 24 || near.b - got.b > 24) ++specks;
        }
    }
    return specks;
}

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: preview_pictures <outdir>\n");
        return 2;
    }
    const std::string dir = argv[1];
    const int boards[2][2] = {{6, 20}, {20, 16}};
    for (int level = 1; level <= pictures::kLevelCount; ++level) {
        const Image backdrop = pictures::renderBackdrop(level);
        std::printf("%s: %d specks when shrunk to 492 x 454\n", pictures::backdropFileName(level),
                    countSpecks(backdrop, shrinkLikeWindow(backdrop, 492, 454)));
        for (const auto& board : boards) {
            Image window = shrinkLikeWindow(backdrop, 492, 454);
            drawRound(window, level, board[0], board[1]);
            const std::string path = dir + "/preview" + std::to_string(level) + "_" + std::to_string(board[0]) + ".bmp";
            const auto bytes = pictures::encodeBmp(window);
            std::FILE* file = std::fopen(path.c_str(), "wb");
            if (file == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) {
                std::fprintf(stderr, "preview_pictures: cannot write %s\n", path.c_str());
                if (file != nullptr) std::fclose(file);
                return 1;
            }
            std::fclose(file);
        }
    }
    return 0;
}
