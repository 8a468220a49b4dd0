// Room: the rules of one online match on its Game, its seats and its history.
#include "server/Room.h"

#include "draw/Grid.h"
#include "settings/Settings.h"

namespace json = boost::json;

namespace {

int cellSizeFor(int boardSize) {
    for (const SizeChoice& choice : kSizeTable) {
        if (choice.boardSize == boardSize) return choice.cellSize;
    }
    return kSizeTable[0].cellSize;
}

}  // namespace

Room::Room(std::string roomId, int startSize_, int startLevel_)
    : id(std::move(roomId)), startSize(startSize_), startLevel(startLevel_), size(startSize_), level(startLevel_) {
    newGameFromSettings();
}

void Room::newGameFromSettings() {
    // The old game goes once the new one is made, as after a dialog's OK.
    game_ = std::make_unique<Game>(&canvas_, size, size, cellSizeFor(size), level, HumanVsHuman);
}

const char* Room::refusal(int seat, const Action& action) const {
    if (seat != 0 && seat != 1) return "not-seated";
    if (action.kind != ActionKind::Move) return nullptr;
    if (seat != game_->currentPlayer) return "not-your-turn";
    if (action.a < 0 || action.a >= game_->columns || action.b < 0 || action.b >= game_->rows) return "off-board";
    if (game_->cells[action.b][action.a] != 0) return "cell-taken";
    return nullptr;
}

void Room::apply(int seat, const Action& action) {
    Game& g = *game_;
    switch (action.kind) {
    case ActionKind::Move:
        // The click at the cell's centre, as a page would make it.
        g.placeHumanDot(g.grid->centreX(action.a), g.grid->centreY(action.b));
        break;
    case ActionKind::New:
        g.newRound();
        break;
    case ActionKind::Reset:
        g.resetAllScores();
        g.newRound();
        break;
    case ActionKind::Size:
        size = action.a;
        newGameFromSettings();
        break;
    case ActionKind::Level:
        level = action.a;
        newGameFromSettings();
        break;
    }
    history.push_back(Entry{action, static_cast<std::int8_t>(seat), static_cast<std::uint8_t>(game_->currentPlayer),
                            static_cast<std::uint8_t>(size), static_cast<std::uint8_t>(level)});
}

int Room::seatOfToken(std::string_view token) const {
    const SecretHash hash = hashSecret(token);
    for (int s = 0; s < 2; ++s) {
        if (seats[s].token && sameHash(*seats[s].token, hash)) return s;
    }
    return -1;
}

bool Room::useClaim(std::string_view given) {
    if (!claim || !sameHash(*claim, hashSecret(given))) return false;
    claim.reset();
    return true;
}

int Room::turnAfter(std::size_t count) const { return count == 0 ? 0 : history[count - 1].turn; }

json::array Room::seatsJson() const {
    json::array out;
    for (const Seat& seat : seats) {
        out.push_back(json::object{{"taken", seat.taken}, {"connected", seat.connections > 0}, {"left", seat.left}});
    }
    return out;
}

json::object Room::state(int you) const {
    json::array actions;
    actions.reserve(committed);
    for (std::size_t i = 0; i < committed; ++i) actions.push_back(toJson(history[i].action));
    json::object out{
        {"type", "state"},
        {"room", id},
        {"seq", committed},
        {"start", json::object{{"size", startSize}, {"level", startLevel}}},
        {"size", committed ? history[committed - 1].size : startSize},
        {"level", committed ? history[committed - 1].level : startLevel},
        {"history", std::move(actions)},
        {"you", you},
        {"turn", turnAfter(committed)},
        {"seats", seatsJson()},
    };
    if (!instance.empty()) out["instance"] = instance;
    return out;
}
