// Message: parsing a page's message with Boost.JSON.
#include "server/Message.h"

#include <boost/json/monotonic_resource.hpp>
#include <boost/json/parse.hpp>

#include "server/Secret.h"

namespace json = boost::json;

namespace {

ParsedMessage refuse(const char* code, const char* detail) {
    ParsedMessage parsed;
    parsed.error = code;
    parsed.detail = detail;
    return parsed;
}

// A field of the object that must be a string of at most 128 characters.
bool secretField(const json::object& object, const char* name, std::string& out) {
    const json::value* v = object.if_contains(name);
    if (!v || !v->is_string() || v->get_string().size() > 128) return false;
    out.assign(v->get_string().data(), v->get_string().size());
    return true;
}

bool intField(const json::object& object, const char* name, std::int64_t& out) {
    const json::value* v = object.if_contains(name);
    if (!v) return false;
    if (v->is_int64()) {
        out = v->get_int64();
        return true;
    }
    if (v->is_uint64() && v->get_uint64() <= static_cast<std::uint64_t>(INT64_MAX)) {
        out = static_cast<std::int64_t>(v->get_uint64());
        return true;
    }
    return false;
}

}  // namespace

ParsedMessage parseClientMessage(std::string_view text) {
    if (text.size() > kMaxMessageBytes) return refuse("too-large", "a message is at most 4096 bytes");

    json::parse_options options;
    options.max_depth = 8;
    boost::system::error_code ec;
    // Every container the parse makes lives in this buffer or, beyond it, on the heap.
    unsigned char scratch[8192];
    json::monotonic_resource resource(scratch, sizeof scratch);
    const json::value value = json::parse(text, ec, &resource, options);
    if (ec) return refuse("malformed", "not JSON");
    const json::object* object = value.if_object();
    if (!object) return refuse("malformed", "not a JSON object");
    const json::value* type = object->if_contains("type");
    if (!type || !type->is_string()) return refuse("malformed", "no \"type\"");

    ParsedMessage parsed;
    ClientMessage& m = parsed.message;
    const std::string_view name = type->get_string();
    if (name == "create") {
        m.type = MessageType::Create;
        std::int64_t size = 0;
        std::int64_t level = 0;
        if (!intField(*object, "size", size) || !isOfferedSize(size) || !intField(*object, "level", level) ||
            !isOfferedLevel(level)) {
            return refuse("malformed", "create needs a size of 6 to 20 (even) and a level of 1 to 4");
        }
        m.size = static_cast<int>(size);
        m.level = static_cast<int>(level);
        // The maker's own token and claim make a create that is sent again,
        // because its answer was lost, take the same seat back.
        if (object->contains("token") || object->contains("claim")) {
            if (!secretField(*object, "token", m.secret) || !secretField(*object, "claim", m.claim) ||
                !isSecretText(m.secret) || !isSecretText(m.claim)) {
                return refuse("malformed", "a create's token and claim are 64 lowercase hex digits each");
            }
        }
    } else if (name == "join") {
        m.type = MessageType::Join;
        if (!secretField(*object, "claim", m.secret)) return refuse("malformed", "join needs a \"claim\"");
    } else if (name == "hello") {
        m.type = MessageType::Hello;
        if (!secretField(*object, "token", m.secret)) return refuse("malformed", "hello needs a \"token\"");
    } else if (name == "watch") {
        m.type = MessageType::Watch;
    } else if (name == "act") {
        m.type = MessageType::Act;
        if (!intField(*object, "seq", m.seq) || m.seq < 1) return refuse("malformed", "act needs a \"seq\" of 1 or more");
        const json::value* act = object->if_contains("act");
        if (!act || !fromJson(*act, m.act)) return refuse("bad-action", "not an action of this game");
    } else if (name == "sync") {
        m.type = MessageType::Sync;
    } else if (name == "leave") {
        m.type = MessageType::Leave;
    } else {
        return refuse("unknown-type", "no such message type");
    }
    return parsed;
}
