// Action: the JSON form of a room's actions.
#include "server/Action.h"

#include <limits>
#include <string_view>

#include "settings/Settings.h"

namespace json = boost::json;

bool isOfferedSize(std::int64_t size) {
    for (const SizeChoice& choice : kSizeTable) {
        if (choice.boardSize == size) return true;
    }
    return false;
}

bool isOfferedLevel(std::int64_t level) {
    for (const LevelChoice& choice : kLevelTable) {
        if (choice.level == level) return true;
    }
    return false;
}

json::array toJson(const Action& action) {
    switch (action.kind) {
    case ActionKind::Move: return {"move", action.a, action.b};
    case ActionKind::New: return {"new"};
    case ActionKind::Reset: return {"reset"};
    case ActionKind::Size: return {"size", action.a};
    case ActionKind::Level: return {"level", action.a};
    }
    return {};
}

namespace {

// An integer that fits 32 bits, written as an integer (not 1.0 nor "1").
bool int32At(const json::array& array, std::size_t index, std::int32_t& out) {
    const json::value& v = array[index];
    std::int64_t n = 0;
    if (v.is_int64()) {
        n = v.get_int64();
    } else if (v.is_uint64()) {
        if (v.get_uint64() > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())) return false;
        n = static_cast<std::int64_t>(v.get_uint64());
    } else {
        return false;
    }
    if (n < std::numeric_limits<std::int32_t>::min() || n > std::numeric_limits<std::int32_t>::max()) return false;
    out = static_cast<std::int32_t>(n);
    return true;
}

}  // namespace

bool fromJson(const json::value& value, Action& action) {
    const json::array* array = value.if_array();
    if (!array || array->empty() || !(*array)[0].is_string()) return false;
    const std::string_view name = (*array)[0].get_string();
    const std::size_t count = array->size();
    Action parsed;
    if (name == "move" && count == 3) {
        parsed.kind = ActionKind::Move;
        if (!int32At(*array, 1, parsed.a) || !int32At(*array, 2, parsed.b)) return false;
    } else if (name == "new" && count == 1) {
        parsed.kind = ActionKind::New;
    } else if (name == "reset" && count == 1) {
        parsed.kind = ActionKind::Reset;
    } else if (name == "size" && count == 2) {
        parsed.kind = ActionKind::Size;
        if (!int32At(*array, 1, parsed.a) || !isOfferedSize(parsed.a)) return false;
    } else if (name == "level" && count == 2) {
        parsed.kind = ActionKind::Level;
        if (!int32At(*array, 1, parsed.a) || !isOfferedLevel(parsed.a)) return false;
    } else {
        return false;
    }
    action = parsed;
    return true;
}
