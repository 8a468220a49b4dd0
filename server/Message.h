// Message: what a page sends over its WebSocket, parsed from JSON text and
// checked for shape before anything acts on it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "server/Action.h"

// The largest message a page may send, in bytes.
constexpr std::size_t kMaxMessageBytes = 4096;

enum class MessageType { Create, Join, Hello, Watch, Act, Sync, Leave };

struct ClientMessage {
    MessageType type = MessageType::Sync;
    int size = 0;        // create
    int level = 0;       // create
    std::string secret;  // join: the claim; hello and create: the token
    std::string claim;   // create: the invitation's claim
    std::int64_t seq = 0;  // act
    Action act;            // act
};

// The outcome of parsing: `error` is null for a message, else one of the
// protocol's error codes ("malformed", "too-large", "unknown-type",
// "bad-action") with a sentence for `detail`.
struct ParsedMessage {
    ClientMessage message;
    const char* error = nullptr;
    const char* detail = "";
};

ParsedMessage parseClientMessage(std::string_view text);
