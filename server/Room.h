// Room: one online match. Its Game is played on a canvas that draws nothing,
// with the project's own rules, and its history is every action since the room
// was made. Actions are applied as they are accepted; `committed` counts those
// already stored, and only they are ever shown (state() describes the stored
// prefix, whatever follows it).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "draw/Canvas.h"
#include "game/Game.h"
#include "server/Action.h"
#include "server/Secret.h"

// A Canvas with no pixels: every primitive does nothing and no picture loads.
class NullCanvas final : public Canvas {
public:
    NullCanvas() : Canvas(nullptr, 1024, 1024) {}
    void fill(Colour) override {}
    void drawText(const char*, int, int, Colour) override {}
    void drawCentredText(const char*, int, Colour) override {}
    void drawLine(int, int, int, int, Colour) override {}
    void drawDisc(int, int, int, Colour) override {}
    void fillTriangle(int, int, int, int, int, int, Colour) override {}
    void captureBackground() override {}
    void restoreRect(int, int, int, int) override {}
    std::unique_ptr<Picture> loadPicture(const char*) override { return nullptr; }
    void drawPicture(const Picture&) override {}
};

struct Seat {
    bool taken = false;
    bool left = false;
    std::optional<SecretHash> token;  // none before it is taken and after it is left
    int connections = 0;              // open connections that hold it (not stored)
};

class Room {
public:
    Room(std::string id, int startSize, int startLevel);

    // Null when `seat` may play `action` now, else the protocol's error code:
    // "not-seated", "not-your-turn", "off-board", "cell-taken".
    const char* refusal(int seat, const Action& action) const;
    // Plays an action that refusal() let through and appends it to the history.
    void apply(int seat, const Action& action);

    // The seat whose token this is, or -1.
    int seatOfToken(std::string_view token) const;
    // Whether this is the unused claim of seat 1; true uses it up.
    bool useClaim(std::string_view claim);

    std::int64_t lastSeq() const { return static_cast<std::int64_t>(history.size()); }
    // Whose turn it is after the first `count` actions.
    int turnAfter(std::size_t count) const;
    // The `state` message for a page holding `you` (-1 for a watcher).
    boost::json::object state(int you) const;
    boost::json::array seatsJson() const;

    struct Entry {
        Action action;
        std::int8_t by;
        // What follows the action, for the state of a stored prefix.
        std::uint8_t turn;
        std::uint8_t size;
        std::uint8_t level;
    };

    const std::string id;
    const int startSize;
    const int startLevel;
    int size;   // the settings now: the next game from the settings has this board
    int level;  // and this level
    std::vector<Entry> history;
    std::size_t committed = 0;
    Seat seats[2];
    std::optional<SecretHash> claim;  // none once used
    std::int64_t lastActive = 0;      // seconds since the epoch
    std::string instance;             // the server's name, shown in `state` when set

    const Game& game() const { return *game_; }

private:
    void newGameFromSettings();

    NullCanvas canvas_;
    std::unique_ptr<Game> game_;
};
