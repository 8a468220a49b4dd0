// Action: one entry of a room's history (a dot, New, Reset, a Size or Level
// dialog's OK) and its JSON form, ["move", col, row], ["new"], ["reset"],
// ["size", n], ["level", n].
#pragma once

#include <cstdint>

#include <boost/json/value.hpp>

enum class ActionKind : std::uint8_t { Move, New, Reset, Size, Level };

struct Action {
    ActionKind kind = ActionKind::New;
    // Move: column and row; Size and Level: the new value in `a`. Every value
    // that the rules accept fits; a cell off any board is kept as is, to be
    // refused by the rules.
    std::int32_t a = 0;
    std::int32_t b = 0;
    bool operator==(const Action&) const = default;
};

// The board sizes and levels that the Size and Level dialogs offer.
bool isOfferedSize(std::int64_t size);
bool isOfferedLevel(std::int64_t level);

boost::json::array toJson(const Action& action);

// False (and `action` untouched) when the value is not an action of the list above: an unknown name, a
// missing or extra element, a number that is not an integer, a coordinate
// beyond 32 bits, a size or level that no dialog offers.
bool fromJson(const boost::json::value& value, Action& action);
