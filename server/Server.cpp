// Server: listening, the rooms and what each message does to them.
#include "server/Server.h"

#include <cstdio>
#include <ctime>

#include <boost/asio/post.hpp>
#include <boost/json/serialize.hpp>

#include "server/Sessions.h"

namespace asio = boost::asio;
namespace json = boost::json;
using tcp = asio::ip::tcp;

namespace {

constexpr std::int64_t kMaxActions = 100000;

std::int64_t now() { return static_cast<std::int64_t>(std::time(nullptr)); }

json::object actMessage(std::int64_t seq, const Room::Entry& entry) {
    return {{"type", "act"}, {"seq", seq}, {"act", toJson(entry.action)}, {"by", entry.by}};
}

}  // namespace

bool validRoomId(std::string_view id) {
    if (id.size() != 32) return false;
    for (char c : id) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    }
    return true;
}

std::string roomOfTarget(std::string_view target) {
    constexpr std::string_view prefix = "/ws?room=";
    if (target.substr(0, prefix.size()) != prefix) return {};
    std::string_view id = target.substr(prefix.size());
    id = id.substr(0, id.find('&'));
    return validRoomId(id) ? std::string(id) : std::string();
}

Server::Server(asio::io_context& io, ServerOptions options, Store& store)
    : io_(io),
      options_(std::move(options)),
      store_(store),
      files_(options_.site),
      acceptor_(io),
      sweepTimer_(io),
      stopTimer_(io),
      retryTimer_(io),
      signals_(io, SIGTERM, SIGINT) {}

Server::~Server() = default;

std::size_t Server::loadRooms() {
    store_.removeIdle(now() - options_.idleSeconds);
    for (StoredRoom& stored : store_.loadAll()) {
        if (!validRoomId(stored.id) || !isOfferedSize(stored.startSize) || !isOfferedLevel(stored.startLevel)) {
            std::fprintf(stderr, "vantor-server: room %s has broken settings; left out\n", stored.id.c_str());
            continue;
        }
        auto hub = std::make_unique<Hub>(stored.id, stored.startSize, stored.startLevel);
        Room& room = hub->room;
        room.instance = options_.instance;
        for (int s = 0; s < 2; ++s) {
            room.seats[s].taken = stored.taken[s];
            room.seats[s].left = stored.left[s];
            room.seats[s].token = stored.tokens[s];
        }
        room.claim = stored.claim;
        room.lastActive = stored.lastActive;
        for (const StoredRoom::Act& act : stored.history) {
            const char* refusal = room.refusal(act.by, act.action);
            if (act.seq != room.lastSeq() + 1 || refusal) {
                std::fprintf(stderr, "vantor-server: room %s: stored action %lld cannot be played (%s); kept up to it\n",
                             room.id.c_str(), static_cast<long long>(act.seq), refusal ? refusal : "out of order");
                break;
            }
            room.apply(act.by, act.action);
        }
        room.committed = room.history.size();
        hub->stored = true;
        rooms_.emplace(room.id, std::move(hub));
    }
    return rooms_.size();
}

void Server::listen() {
    const tcp::endpoint endpoint(asio::ip::make_address(options_.host), options_.port);
    acceptor_.open(endpoint.protocol());
    acceptor_.set_option(asio::socket_base::reuse_address(true));
    acceptor_.bind(endpoint);
    acceptor_.listen(asio::socket_base::max_listen_connections);
    port_ = acceptor_.local_endpoint().port();
    signals_.async_wait([this](beast::error_code ec, int) {
        if (!ec) shutdown();
    });
    accept();
    sweepIdle();
}

void Server::accept() {
    acceptor_.async_accept([this](beast::error_code ec, tcp::socket socket) {
        if (ec) {
            if (stopping_ || ec == asio::error::operation_aborted) return;
            // Out of descriptors and the like: try again shortly rather than spin.
            retryTimer_.expires_after(std::chrono::milliseconds(50));
            retryTimer_.async_wait([this](beast::error_code timerEc) {
                if (!timerEc && !stopping_) accept();
            });
            return;
        }
        // A state often follows a seat or an error at once: without this the
        // second write could wait for the peer's delayed acknowledgement.
        beast::error_code ignored;
        socket.set_option(tcp::no_delay(true), ignored);
        const bool over = !connectionOpened();
        std::make_shared<HttpSession>(std::move(socket), *this, over)->run();
        accept();
    });
}

bool Server::connectionOpened() {
    if (connections_ >= options_.maxConnections) return false;
    ++connections_;
    return true;
}

// Every hour (and at start-up, in loadRooms) the rooms left alone too long go.
void Server::sweepIdle() {
    const std::int64_t before = now() - options_.idleSeconds;
    for (auto it = rooms_.begin(); it != rooms_.end(); ++it) {
        Hub& hub = *it->second;
        if (!hub.stored || hub.pending > 0 || !hub.members.empty() || hub.room.lastActive >= before) continue;
        hub.removing = true;
        StoreWrite write;
        write.kind = StoreWrite::Remove;
        write.room.id = hub.room.id;
        const std::string id = hub.room.id;
        persist(hub, std::move(write), [this, id] {
            auto found = rooms_.find(id);
            if (found != rooms_.end()) rooms_.erase(found);
        });
    }
    sweepTimer_.expires_after(std::chrono::hours(1));
    sweepTimer_.async_wait([this](beast::error_code ec) {
        if (!ec && !stopping_) sweepIdle();
    });
}

void Server::persist(Hub& hub, StoreWrite write, std::function<void()> then) {
    ++hub.pending;
    const std::string id = hub.room.id;
    if (write.room.id.empty()) write.room.id = id;
    std::vector<StoreWrite> writes;
    writes.push_back(std::move(write));
    store_.submit(std::move(writes), [this, id, then = std::move(then)](bool ok) {
        if (!ok) return storageFailed();
        auto found = rooms_.find(id);
        if (found != rooms_.end()) --found->second->pending;
        then();
    });
}

StoredRoom Server::seatsRecord(const Hub& hub) const {
    const Room& room = hub.room;
    StoredRoom record;
    record.id = room.id;
    record.startSize = room.startSize;
    record.startLevel = room.startLevel;
    for (int s = 0; s < 2; ++s) {
        record.tokens[s] = room.seats[s].token;
        record.taken[s] = room.seats[s].taken;
        record.left[s] = room.seats[s].left;
    }
    record.claim = room.claim;
    record.lastActive = room.lastActive;
    return record;
}

// What could not be stored must not be acknowledged, and the rooms in memory
// now hold what the database does not: stop, so that a restart rebuilds them
// from what was stored. The pages reconnect by themselves.
void Server::storageFailed() {
    if (exitCode_) return;
    std::fprintf(stderr, "vantor-server: stopping, as a change could not be stored\n");
    exitCode_ = 1;
    for (WsSession* s : sessions_) s->closeWith(websocket::close_code::internal_error);
    shutdown();
}

void Server::shutdown() {
    if (stopping_) return;
    stopping_ = true;
    beast::error_code ec;
    acceptor_.close(ec);
    sweepTimer_.cancel();
    retryTimer_.cancel();
    signals_.cancel();
    for (HttpSession* h : http_) h->close();
    for (WsSession* s : sessions_) s->closeWith(websocket::close_code::going_away);
    // A client that does not answer the close in time is cut off; then the
    // io_context runs out of work and stops.
    stopTimer_.expires_after(std::chrono::seconds(2));
    stopTimer_.async_wait([this](beast::error_code timerEc) {
        if (timerEc) return;
        for (WsSession* s : sessions_) s->abort();
    });
    if (sessions_.empty()) stopTimer_.cancel();
}

void Server::removeSession(WsSession* s) {
    if (!sessions_.erase(s)) return;
    if (stopping_ && sessions_.empty()) stopTimer_.cancel();
    if (!s->hub) return;
    Hub& hub = *s->hub;
    hub.members.erase(s);
    s->hub = nullptr;
    if (s->seat >= 0) {
        --hub.room.seats[s->seat].connections;
        s->seat = -1;
        broadcastPresence(hub);
    }
}

bool Server::bind(WsSession& s, Hub& hub, int seat) {
    if (s.hub != &hub) {
        if (hub.members.size() >= options_.maxPerRoom) return false;
        if (s.hub) {
            // A connection belongs to the room of its address only.
            return false;
        }
        hub.members.insert(&s);
        s.hub = &hub;
    }
    const int before = s.seat;
    if (before == seat) return true;
    if (before >= 0) --hub.room.seats[before].connections;
    if (seat >= 0) ++hub.room.seats[seat].connections;
    s.seat = seat;
    broadcastPresence(hub, &s);
    return true;
}

void Server::sendState(WsSession& s, const Hub& hub) { s.send(hub.room.state(s.seat)); }

void Server::sendError(WsSession& s, const Hub* hub, const char* code, const char* message) {
    s.send(json::object{{"type", "error"}, {"code", code}, {"message", message}});
    if (hub && hub->stored) sendState(s, *hub);
}

void Server::broadcast(Hub& hub, const json::object& message) {
    auto text = std::make_shared<const std::string>(json::serialize(message));
    for (WsSession* member : hub.members) member->send(text);
}

void Server::broadcastPresence(Hub& hub, const WsSession* except) {
    if (!hub.stored) return;
    auto text = std::make_shared<const std::string>(
        json::serialize(json::object{{"type", "presence"}, {"seats", hub.room.seatsJson()}}));
    for (WsSession* member : hub.members) {
        if (member != except) member->send(text);
    }
}

void Server::onMessage(const std::shared_ptr<WsSession>& session, const ParsedMessage& parsed) {
    WsSession& s = *session;
    auto found = rooms_.find(s.room);
    Hub* hub = found == rooms_.end() ? nullptr : found->second.get();
    if (parsed.error) return sendError(s, hub, parsed.error, parsed.detail);
    const ClientMessage& m = parsed.message;
    try {
        if (m.type == MessageType::Create) return create(session, m);
        if (!hub || !hub->stored || hub->removing) return sendError(s, nullptr, "no-room", "there is no such room");
        switch (m.type) {
        case MessageType::Create: break;
        case MessageType::Join: return join(session, *hub, m);
        case MessageType::Hello: return hello(s, *hub, m);
        case MessageType::Watch:
        case MessageType::Sync:
            if (!bind(s, *hub, m.type == MessageType::Watch ? -1 : s.seat)) {
                return sendError(s, nullptr, "full", "the room has as many connections as it takes");
            }
            return sendState(s, *hub);
        case MessageType::Act: return act(s, *hub, m);
        case MessageType::Leave: return leave(s, *hub);
        }
    } catch (const std::exception& e) {
        // Randomness or memory ran out: this message fails, the server goes on.
        std::fprintf(stderr, "vantor-server: %s\n", e.what());
        sendError(s, hub, "full", "the server could not do this now");
    }
}

void Server::create(const std::shared_ptr<WsSession>& session, const ClientMessage& m) {
    WsSession& s = *session;
    auto found = rooms_.find(s.room);
    if (found != rooms_.end()) {
        Hub& hub = *found->second;
        if (hub.removing || m.secret.empty() || hub.room.seatOfToken(m.secret) != 0) {
            return sendError(s, hub.removing ? nullptr : &hub, "room-exists", "this room already exists");
        }
        // The maker's create again, its first answer lost: seat 0 once the room is stored.
        if (hub.stored) return seatMaker(session, hub, m.secret, m.claim);
        StoreWrite write;
        write.kind = StoreWrite::Seats;
        write.room = seatsRecord(hub);
        return persist(hub, std::move(write), [this, weak = std::weak_ptr<WsSession>(session), &hub, m] {
            seatMaker(weak.lock(), hub, m.secret, m.claim);
        });
    }
    if (rooms_.size() >= options_.maxRooms) return sendError(s, nullptr, "full", "the server has as many rooms as it takes");

    auto made = std::make_unique<Hub>(s.room, m.size, m.level);
    Hub& hub = *made;
    rooms_.emplace(s.room, std::move(made));
    const std::string token = m.secret.empty() ? newSecret() : m.secret;
    const std::string claim = m.secret.empty() ? newSecret() : m.claim;
    Room& room = hub.room;
    room.instance = options_.instance;
    room.lastActive = now();
    room.seats[0].token = hashSecret(token);
    room.seats[0].taken = true;
    room.claim = hashSecret(claim);
    StoreWrite write;
    write.kind = StoreWrite::NewRoom;
    write.room = seatsRecord(hub);
    persist(hub, std::move(write), [this, weak = std::weak_ptr<WsSession>(session), &hub, token, claim] {
        hub.stored = true;
        seatMaker(weak.lock(), hub, token, claim);
    });
}

void Server::seatMaker(const std::shared_ptr<WsSession>& held, Hub& hub, const std::string& token,
                       const std::string& claim) {
    if (!held || !bind(*held, hub, 0)) return;
    held->send(json::object{{"type", "seat"}, {"room", hub.room.id}, {"seat", 0}, {"token", token}, {"claim", claim}});
    sendState(*held, hub);
}

void Server::join(const std::shared_ptr<WsSession>& session, Hub& hub, const ClientMessage& m) {
    WsSession& s = *session;
    Room& room = hub.room;
    // A connection the room has no place for takes nothing, the invitation least of all.
    if (s.hub != &hub && hub.members.size() >= options_.maxPerRoom) {
        return sendError(s, nullptr, "full", "the room has as many connections as it takes");
    }
    const std::string token = newSecret();
    const std::optional<SecretHash> claim = room.claim;
    if (!room.useClaim(m.secret)) {
        // The invitation was used already (or is not this room's): watch.
        bind(s, hub, s.hub == &hub ? s.seat : -1);
        return sendState(s, hub);
    }
    room.seats[1].token = hashSecret(token);
    room.seats[1].taken = true;
    room.lastActive = now();
    StoreWrite write;
    write.kind = StoreWrite::Seats;
    write.room = seatsRecord(hub);
    persist(hub, std::move(write), [this, weak = std::weak_ptr<WsSession>(session), &hub, token, claim] {
        auto held = weak.lock();
        if (held && bind(*held, hub, 1)) {
            held->send(json::object{{"type", "seat"}, {"room", hub.room.id}, {"seat", 1}, {"token", token}});
            return sendState(*held, hub);
        }
        // The friend went before the seat was stored, so nobody holds its token:
        // the invitation works again.
        Seat& seat = hub.room.seats[1];
        if (!seat.token || !sameHash(*seat.token, hashSecret(token))) return;
        seat = Seat{};
        hub.room.claim = claim;
        StoreWrite again;
        again.kind = StoreWrite::Seats;
        again.room = seatsRecord(hub);
        persist(hub, std::move(again), [] {});
    });
}

void Server::hello(WsSession& s, Hub& hub, const ClientMessage& m) {
    const int seat = hub.room.seatOfToken(m.secret);
    if (seat < 0) {
        if (!bind(s, hub, -1)) return sendError(s, nullptr, "full", "the room is full");
        return sendError(s, &hub, "bad-token", "this token holds no seat in this room; watching");
    }
    if (!bind(s, hub, seat)) return sendError(s, nullptr, "full", "the room is full");
    sendState(s, hub);
}

void Server::act(WsSession& s, Hub& hub, const ClientMessage& m) {
    Room& room = hub.room;
    if (s.hub != &hub || s.seat < 0) return sendError(s, &hub, "not-seated", "only the two players act");
    if (m.seq <= room.lastSeq()) {
        const Room::Entry& entry = room.history[static_cast<std::size_t>(m.seq - 1)];
        if (entry.by == s.seat && entry.action == m.act) {
            // A resend of an action already played: acknowledged again once
            // stored, never played twice.
            if (static_cast<std::size_t>(m.seq) <= room.committed) s.send(actMessage(m.seq, entry));
            return;
        }
        return sendError(s, &hub, "stale", "the game has moved on; here it is");
    }
    if (m.seq != room.lastSeq() + 1) return sendError(s, &hub, "stale", "that is not the next action; here is the game");
    // Every page replays the whole history on (re)join; it cannot grow without end.
    if (room.lastSeq() >= kMaxActions) return sendError(s, &hub, "full", "this room has played all it can; make a new one");
    if (const char* refusal = room.refusal(s.seat, m.act)) {
        const char* why = "";
        if (std::string_view(refusal) == "not-your-turn") why = "it is the other player's turn";
        if (std::string_view(refusal) == "cell-taken") why = "that cell already holds a dot";
        if (std::string_view(refusal) == "off-board") why = "that cell is not on the board";
        return sendError(s, &hub, refusal, why);
    }
    room.apply(s.seat, m.act);
    room.lastActive = now();
    StoreWrite write;
    write.kind = StoreWrite::Act;
    write.room.id = room.id;
    write.room.lastActive = room.lastActive;
    write.seq = room.lastSeq();
    write.by = s.seat;
    write.action = m.act;
    const std::int64_t seq = write.seq;
    persist(hub, std::move(write), [this, &hub, seq] {
        Room& r = hub.room;
        r.committed = std::max(r.committed, static_cast<std::size_t>(seq));
        broadcast(hub, actMessage(seq, r.history[static_cast<std::size_t>(seq - 1)]));
    });
}

void Server::leave(WsSession& s, Hub& hub) {
    if (s.hub != &hub || s.seat < 0) return sendError(s, &hub, "not-seated", "only a player leaves a seat");
    Room& room = hub.room;
    const int seat = s.seat;
    // The token stops working at once; every connection holding the seat watches.
    room.seats[seat].left = true;
    room.seats[seat].token.reset();
    for (WsSession* member : hub.members) {
        if (member->seat == seat) member->seat = -1;
    }
    room.seats[seat].connections = 0;
    room.lastActive = now();
    StoreWrite write;
    write.kind = StoreWrite::Seats;
    write.room = seatsRecord(hub);
    persist(hub, std::move(write), [this, &hub] {
        broadcastPresence(hub);
        for (WsSession* member : hub.members) {
            if (member->seat < 0) sendState(*member, hub);
        }
    });
}
