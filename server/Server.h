// Server: the page's files over HTTP and the game's WebSocket at /ws?room=ROOM,
// on one Asio thread. Rooms live in memory; every change goes through the
// Store, and nothing is acknowledged or shown before its commit.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/signal_set.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/json/object.hpp>

#include "server/Message.h"
#include "server/Room.h"
#include "server/StaticFiles.h"
#include "server/Store.h"

struct ServerOptions {
    std::string host = "127.0.0.1";
    unsigned short port = 0;
    std::string site;
    std::string db;
    std::string instance;                 // shown in `state` and an X-Vantor-Instance header
    std::size_t maxConnections = 10000;   // open TCP connections
    std::size_t maxRooms = 100000;
    std::size_t maxPerRoom = 64;          // connections in one room
    double rate = 50;                     // messages a second per connection, bursts of twice that
    int quietSeconds = 30;                // for a request, and for a WebSocket to say who it is
    std::int64_t idleSeconds = 7 * 24 * 3600;  // a room untouched this long is removed
};

class WsSession;
class HttpSession;

class Server {
public:
    Server(boost::asio::io_context& io, ServerOptions options, Store& store);
    ~Server();

    // Rebuilds the stored rooms, without those idle too long. Returns how many.
    std::size_t loadRooms();
    // Listens; throws boost::system::system_error when it cannot.
    void listen();
    unsigned short port() const { return port_; }
    // On SIGTERM or SIGINT: closes every WebSocket with 1001 (going away), cuts
    // off after two seconds those that do not close, and stops listening, so
    // that the io_context runs out of work.
    void shutdown();
    // Non-zero once storing failed: the server stopped without acknowledging
    // what it could not store.
    int exitCode() const { return exitCode_; }

    // --- for the sessions ---
    const ServerOptions& options() const { return options_; }
    StaticFiles& files() { return files_; }
    bool connectionOpened();  // false when at the limit
    void connectionClosed() { --connections_; }
    void addHttp(HttpSession* s) { http_.insert(s); }
    void removeHttp(HttpSession* s) { http_.erase(s); }
    void addSession(WsSession* s) { sessions_.insert(s); }
    void removeSession(WsSession* s);
    void onMessage(const std::shared_ptr<WsSession>& session, const ParsedMessage& parsed);

    struct Hub {
        Hub(std::string id, int size, int level) : room(std::move(id), size, level) {}
        Room room;
        std::unordered_set<WsSession*> members;
        bool stored = false;  // the room's creation is committed
        int pending = 0;      // writes not yet committed
        bool removing = false;  // idle too long; its removal is being stored
    };

private:
    void accept();
    void sweepIdle();
    void storageFailed();
    void persist(Hub& hub, StoreWrite write, std::function<void()> then);
    StoredRoom seatsRecord(const Hub& hub) const;
    // Joins `session` to the hub's room with a seat (or -1 to watch); false when the room is full.
    bool bind(WsSession& session, Hub& hub, int seat);
    void sendState(WsSession& session, const Hub& hub);
    void sendError(WsSession& session, const Hub* hub, const char* code, const char* message);
    void broadcast(Hub& hub, const boost::json::object& message);
    // To every member but `except`, which learns it from its `state`.
    void broadcastPresence(Hub& hub, const WsSession* except = nullptr);

    void create(const std::shared_ptr<WsSession>& s, const ClientMessage& m);
    // Seat 0 for the room's maker, who learns its token and the invitation's claim.
    void seatMaker(const std::shared_ptr<WsSession>& s, Hub& hub, const std::string& token, const std::string& claim);
    void join(const std::shared_ptr<WsSession>& s, Hub& hub, const ClientMessage& m);
    void hello(WsSession& s, Hub& hub, const ClientMessage& m);
    void act(WsSession& s, Hub& hub, const ClientMessage& m);
    void leave(WsSession& s, Hub& hub);

    boost::asio::io_context& io_;
    ServerOptions options_;
    Store& store_;
    StaticFiles files_;
    boost::asio::ip::tcp::acceptor acceptor_;
    boost::asio::steady_timer sweepTimer_;
    boost::asio::steady_timer stopTimer_;
    boost::asio::steady_timer retryTimer_;
    boost::asio::signal_set signals_;
    unsigned short port_ = 0;
    std::size_t connections_ = 0;
    bool stopping_ = false;
    int exitCode_ = 0;
    std::unordered_map<std::string, std::unique_ptr<Hub>> rooms_;
    std::unordered_set<WsSession*> sessions_;
    std::unordered_set<HttpSession*> http_;
};

// Whether a room id is 32 lowercase hex digits.
bool validRoomId(std::string_view id);
// The room id of a WebSocket target "/ws?room=ID", or empty when it is not one.
std::string roomOfTarget(std::string_view target);
