// message_fuzz: libFuzzer target for what a page sends. The input is lines of
// message text; each is parsed as the server parses it, and each action is
// played on a room as the server plays it. Whatever the bytes, the parser must
// answer with a message or one of its error codes; an action it lets through
// must survive its own JSON form; a refused action must change nothing; an
// accepted dot must land in its cell and pass the turn; and the room's state
// must always serialize to JSON that parses back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include <boost/json/parse.hpp>
#include <boost/json/serialize.hpp>

#include "server/Message.h"
#include "server/Room.h"

namespace {

void require(bool holds) {
    if (!holds) std::abort();
}

bool knownError(const char* code) {
    for (const char* known : {"malformed", "too-large", "unknown-type", "bad-action"}) {
        if (std::strcmp(code, known) == 0) return true;
    }
    return false;
}

int dots(const Game& game) {
    int count = 0;
    for (const auto& row : game.cells) {
        for (int cell : row) count += cell;
    }
    return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    Room room("00000000000000000000000000000000", 6, 1);
    for (int line = 0; line < 64 && !input.empty(); ++line) {
        const std::size_t end = input.find('\n');
        const std::string_view text = input.substr(0, end);
        input = end == std::string_view::npos ? std::string_view() : input.substr(end + 1);

        const ParsedMessage parsed = parseClientMessage(text);
        if (parsed.error) {
            require(knownError(parsed.error));
            continue;
        }
        const ClientMessage& m = parsed.message;
        if (m.type == MessageType::Create) require(isOfferedSize(m.size) && isOfferedLevel(m.level));
        if (m.type != MessageType::Act) continue;

        Action again;
        require(fromJson(boost::json::value(toJson(m.act)), again) && again == m.act);
        const int seat = static_cast<int>(m.seq % 3) - 1;  // a watcher, then either player
        const Game& before = room.game();
        const int player = before.currentPlayer;
        const int count = dots(before);
        const std::size_t length = room.history.size();
        if (const char* refusal = room.refusal(seat, m.act)) {
            require(room.history.size() == length && dots(room.game()) == count && room.game().currentPlayer == player);
            require(seat < 0 || m.act.kind == ActionKind::Move);
            continue;
        }
        room.apply(seat, m.act);
        require(room.history.size() == length + 1);
        if (m.act.kind == ActionKind::Move) {
            require(room.game().cells[m.act.b][m.act.a] == 1 && dots(room.game()) == count + 1);
            require(room.game().currentPlayer == 1 - player);
        }
        room.committed = room.history.size();
        const std::string state = boost::json::serialize(room.state(seat));
        boost::system::error_code ec;
        boost::json::parse(state, ec);
        require(!ec);
    }
    return 0;
}
