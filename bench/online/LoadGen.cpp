// vantor_loadgen: plays many online rooms against one Vantor server and prints
// what the server achieves. One thread, one Asio event loop, one coroutine per
// room; every connection is a real WebSocket speaking the page's protocol.
//
//   vantor_loadgen --port P [--host H] [--rooms N] [--pace-seconds S]
//                  [--fast-seconds S] [--server-pid PID] [--save FILE]
//       makes N rooms (a maker and a second player who joins with the claim),
//       then plays one move a second per room for S seconds (the time from a
//       move sent to the opponent receiving it), then as fast as the rooms can
//       for S seconds (moves acknowledged per second), reading the server's
//       memory before and after; --save writes each room's seat-0 token and
//       last acknowledged action number.
//   vantor_loadgen --port P --resume FILE (--since NS | --since-file FILE)
//                  [--wait-seconds S] [--answers FILE]
//       after a restart: the time from NS (nanoseconds since the epoch, the
//       server's start; or read from the file once every room has answered, so
//       that this program can be ready before the server starts) until every
//       saved room answers a hello with its whole state, and whether any
//       acknowledged action is missing; --answers
//       writes the id and the answering server's instance of each room that
//       answered within S seconds.
//
// Figures go to stdout as "name value" lines; the exit status is non-zero when
// a room could not be made or played, or an acknowledged action was lost.
#include <unistd.h>

#include <boost/asio.hpp>
#include <boost/asio/experimental/awaitable_operators.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/websocket.hpp>
#include <boost/json.hpp>
#include <boost/json/src.hpp>  // Boost.JSON compiled into this program

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace json = boost::json;
namespace websocket = beast::websocket;
using asio::awaitable;
using asio::use_awaitable;
using Clock = std::chrono::steady_clock;
using namespace asio::experimental::awaitable_operators;

namespace {

struct Options {
    std::string host = "127.0.0.1";
    std::string port;
    int rooms = 1000;
    int paceSeconds = 20;
    int fastSeconds = 10;
    int serverPid = 0;
    int boardSize = 6;
    std::string save;
    std::string resume;
    std::string answers;
    long long since = 0;
    std::string sinceFile;
    int waitSeconds = 10;
    int deadlineSeconds = 0;  // the whole run, whatever the server does; 0: the phases' time and 90 s
};

// One WebSocket to the server, for one seat of one room.
struct Connection {
    explicit Connection(asio::io_context& io) : ws(io) {}
    websocket::stream<beast::tcp_stream> ws;
    beast::flat_buffer buffer;
};

// What went wrong, counted per kind; a room that meets one stops playing.
struct Failures {
    int connect = 0, refused = 0, lost = 0, dropped = 0;
    int total() const { return connect + refused + lost + dropped; }
};

struct Room {
    std::string id;
    std::string token[2];
    std::string instance[2];  // the server each seat's state came from, when it says
    long long seq = 0;   // the last action the server acknowledged
    int cell = 0;        // the next cell of this round, row by row
    int mover = 0;       // whose turn it is
    bool alive = false;  // made, and no failure since
    std::unique_ptr<Connection> seat[2];
};

Options options;
asio::io_context io;
Failures failures;
std::vector<Room> rooms;
// Microseconds from a move sent to the opponent's act, for the moves of the
// measured window of a phase.
std::vector<double> latencies;
long long movesAcknowledged = 0;  // every move of the run
bool counting = false;  // inside the measured window of a phase

std::string randomRoomId() {
    static std::mt19937_64 random{std::random_device{}()};
    char text[33];
    std::snprintf(text, sizeof text, "%016llx%016llx", static_cast<unsigned long long>(random()),
                  static_cast<unsigned long long>(random()));
    return text;
}

long rssKiB(int pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    }
    return -1;
}

// The CPU time a process has used (user and system), in seconds.
double cpuSeconds(const std::string& pid) {
    std::ifstream stat("/proc/" + pid + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const auto name = text.rfind(')');  // the fields after the command's name
    if (name == std::string::npos) return 0;  // no such process
    std::istringstream fields(text.substr(name + 1));
    std::string field;
    double ticks = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {  // numbered as in proc(5)
        if (i >= 14) ticks += std::stod(field);  // utime, stime
    }
    return ticks / double(sysconf(_SC_CLK_TCK));
}

awaitable<void> sleepFor(Clock::duration d) {
    asio::steady_timer timer(co_await asio::this_coro::executor, d);
    co_await timer.async_wait(asio::as_tuple(use_awaitable));
}

// Connects and upgrades to /ws?room=ID; false when the server is not there.
awaitable<bool> connect(Connection& c, const std::string& room) {
    asio::ip::tcp::resolver resolver(io);
    auto [error, endpoints] =
        co_await resolver.async_resolve(options.host, options.port, asio::as_tuple(use_awaitable));
    if (error) co_return false;
    auto [connectError, endpoint] =
        co_await beast::get_lowest_layer(c.ws).async_connect(endpoints, asio::as_tuple(use_awaitable));
    if (connectError) co_return false;
    beast::get_lowest_layer(c.ws).expires_never();  // the WebSocket keeps its own time
    // A page's move is one small message: sent at once, not held back to join another.
    beast::get_lowest_layer(c.ws).socket().set_option(asio::ip::tcp::no_delay(true));
    c.ws.set_option(websocket::stream_base::timeout::suggested(beast::role_type::client));
    auto [handshakeError] = co_await c.ws.async_handshake(
        options.host + ":" + options.port, "/ws?room=" + room, asio::as_tuple(use_awaitable));
    co_return !handshakeError;
}

awaitable<bool> send(Connection& c, const json::object& message) {
    auto [error, n] = co_await c.ws.async_write(asio::buffer(json::serialize(message)),
                                                asio::as_tuple(use_awaitable));
    co_return !error;
}

// The next message; an empty object when the connection is gone or the text is not JSON.
awaitable<json::object> receive(Connection& c) {
    c.buffer.clear();
    auto [error, n] = co_await c.ws.async_read(c.buffer, asio::as_tuple(use_awaitable));
    if (error) co_return json::object{};
    boost::system::error_code parseError;
    json::value value = json::parse(beast::buffers_to_string(c.buffer.data()), parseError);
    if (parseError || !value.is_object()) co_return json::object{};
    co_return value.as_object();
}

// Reads until a message of this type, skipping presence news; an error (shown
// on stderr) or a lost connection gives an empty object.
awaitable<json::object> expect(Connection& c, const char* type) {
    for (;;) {
        json::object message = co_await receive(c);
        if (message.empty()) co_return message;
        const json::value* got = message.if_contains("type");
        if (got && *got == type) co_return message;
        if (got && *got == "error") {
            std::cerr << "server error: " << json::serialize(message) << '\n';
            co_return json::object{};
        }
    }
}

std::string instanceOf(const json::object& state) {
    const json::value* name = state.if_contains("instance");
    return name && name->is_string() ? std::string(name->as_string()) : "-";
}

// One room made: the maker creates it, a second connection joins with the claim.
awaitable<void> makeRoom(Room& room) {
    room.id = randomRoomId();
    for (auto& seat : room.seat) seat = std::make_unique<Connection>(io);
    const bool makerIn = co_await connect(*room.seat[0], room.id);
    const bool joinerIn = co_await connect(*room.seat[1], room.id);
    if (!makerIn || !joinerIn) {
        ++failures.connect;
        co_return;
    }
    const json::object create{{"type", "create"}, {"size", options.boardSize}, {"level", 1}};
    co_await send(*room.seat[0], create);
    json::object made = co_await expect(*room.seat[0], "seat");
    // (No co_await inside a conditional expression: GCC 12 miscompiles it.)
    json::object firstState;
    if (!made.empty()) firstState = co_await expect(*room.seat[0], "state");
    if (firstState.empty() || !made.contains("claim")) {
        ++failures.refused;
        co_return;
    }
    room.token[0] = json::value_to<std::string>(made["token"]);
    room.instance[0] = instanceOf(firstState);
    const json::object join{{"type", "join"}, {"claim", made["claim"]}};
    co_await send(*room.seat[1], join);
    json::object joined = co_await expect(*room.seat[1], "seat");
    json::object state;
    if (!joined.empty()) state = co_await expect(*room.seat[1], "state");
    if (state.empty() || joined["seat"] != 1) {
        ++failures.refused;
        co_return;
    }
    room.token[1] = json::value_to<std::string>(joined["token"]);
    room.instance[1] = instanceOf(state);
    room.seq = state["seq"].to_number<long long>();
    room.alive = true;
}

// The room's next action: the next free cell for the seat whose turn it is, or
// a new round when the board is full.
json::array nextAction(Room& room) {
    const int cells = options.boardSize * options.boardSize;
    if (room.cell == cells) return {"new"};
    return {"move", room.cell % options.boardSize, room.cell / options.boardSize};
}

// Reads one connection until the act with this number; its arrival time, or
// nothing when something else happened.
awaitable<std::optional<Clock::time_point>> awaitAct(Connection& c, long long seq) {
    json::object act = co_await expect(c, "act");
    if (act.empty() || act["seq"] != seq) co_return std::nullopt;
    co_return Clock::now();
}

// One action played: sent by the seat whose turn it is, then awaited as the
// sender's acknowledgement and as the opponent's news at once.
awaitable<void> playOne(Room& room) {
    json::array action = nextAction(room);
    const bool isMove = action[0] == "move";
    const long long seq = room.seq + 1;
    Connection& mover = *room.seat[room.mover];
    Connection& opponent = *room.seat[1 - room.mover];
    const auto sent = Clock::now();
    const json::object act{{"type", "act"}, {"seq", seq}, {"act", action}};
    if (!co_await send(mover, act)) {
        ++failures.dropped;
        room.alive = false;
        co_return;
    }
    auto [acknowledged, seen] = co_await (awaitAct(mover, seq) && awaitAct(opponent, seq));
    if (!acknowledged || !seen) {
        ++failures.refused;
        room.alive = false;
        co_return;
    }
    room.seq = seq;
    if (isMove) {
        room.cell += 1;
        room.mover = 1 - room.mover;
        ++movesAcknowledged;
        if (counting) {
            latencies.push_back(std::chrono::duration<double, std::micro>(*seen - sent).count());
        }
    } else {
        room.cell = 0;
        room.mover = 0;  // every round opens with the room's maker
    }
}

// Counts finished coroutines; wait() returns when all have arrived.
struct Latch {
    explicit Latch(int n) : count(n), timer(io, Clock::time_point::max()) {}
    void arrive() {
        if (--count == 0) timer.cancel();
    }
    awaitable<void> wait() {
        if (count > 0) co_await timer.async_wait(asio::as_tuple(use_awaitable));
    }
    int count;
    asio::steady_timer timer;
};

// Runs body(room) for every room at once and waits for them all.
template <typename Body>
awaitable<void> forEachRoom(Body body) {
    Latch latch(static_cast<int>(rooms.size()));
    for (Room& room : rooms) {
        asio::co_spawn(io, body(room), [&latch](std::exception_ptr) { latch.arrive(); });
    }
    co_await latch.wait();
}

void printLatencies(const char* prefix) {
    if (latencies.empty()) return;
    std::sort(latencies.begin(), latencies.end());
    auto at = [&](double q) { return latencies[static_cast<size_t>(q * double(latencies.size() - 1))] / 1000.0; };
    std::printf("%s_moves %zu\n%s_p50_ms %.2f\n%s_p99_ms %.2f\n%s_max_ms %.2f\n", prefix, latencies.size(),
                prefix, at(0.5), prefix, at(0.99), prefix, latencies.back() / 1000.0);
}

awaitable<void> playRooms() {
    const long before = options.serverPid ? rssKiB(options.serverPid) : -1;
    rooms.resize(options.rooms);
    // Made a hundred at a time, as a crowd of pages would arrive.
    for (size_t first = 0; first < rooms.size(); first += 100) {
        Latch latch(static_cast<int>(std::min<size_t>(100, rooms.size() - first)));
        for (size_t i = first; i < first + 100 && i < rooms.size(); ++i) {
            asio::co_spawn(io, makeRoom(rooms[i]), [&latch](std::exception_ptr e) {
                if (e) ++failures.refused;  // an answer without the fields a seat has
                latch.arrive();
            });
        }
        co_await latch.wait();
    }
    const auto made = std::count_if(rooms.begin(), rooms.end(), [](const Room& r) { return r.alive; });
    std::printf("rooms_made %ld\nconnections %ld\n", long(made), long(2 * made));
    if (options.serverPid) {
        const long after = rssKiB(options.serverPid);
        std::printf("server_rss_kib_before %ld\nserver_rss_kib_with_rooms %ld\n", before, after);
        if (made > 0) std::printf("server_kib_per_room %.1f\n", double(after - before) / double(made));
    }
    std::fflush(stdout);

    // Human pace: one move a second per room, the rooms spread over the second.
    if (options.paceSeconds > 0) {
        const auto start = Clock::now() + std::chrono::milliseconds(200);
        counting = true;
        co_await forEachRoom([&](Room& room) -> awaitable<void> {
            const auto offset = std::chrono::microseconds(1'000'000LL * (&room - rooms.data()) / long(rooms.size()));
            for (int k = 0; k < options.paceSeconds && room.alive; ++k) {
                const auto due = start + offset + std::chrono::seconds(k);
                if (due > Clock::now()) co_await sleepFor(due - Clock::now());
                co_await playOne(room);
            }
        });
        counting = false;
        printLatencies("pace");
        std::fflush(stdout);
    }

    // As fast as they can: every room plays its next action as soon as the last
    // one is acknowledged and seen, for the measured window after a second's warm-up.
    if (options.fastSeconds > 0) {
        latencies.clear();
        const long long movesBefore = movesAcknowledged;
        const double serverCpuBefore = options.serverPid ? cpuSeconds(std::to_string(options.serverPid)) : 0;
        const double ownCpuBefore = cpuSeconds("self");
        const auto warm = Clock::now() + std::chrono::seconds(1);
        const auto end = warm + std::chrono::seconds(options.fastSeconds);
        asio::steady_timer startCounting(io, warm), stopCounting(io, end);
        startCounting.async_wait([](boost::system::error_code) { counting = true; });
        stopCounting.async_wait([](boost::system::error_code) { counting = false; });
        co_await forEachRoom([&](Room& room) -> awaitable<void> {
            while (room.alive && Clock::now() < end) co_await playOne(room);
        });
        counting = false;
        std::printf("fast_moves_per_second %.0f\n", double(latencies.size()) / options.fastSeconds);
        // CPU per move: what each side would need from an idle core, whatever
        // else the machine is doing.
        const double played = double(std::max(1LL, movesAcknowledged - movesBefore));
        if (options.serverPid) {
            std::printf("fast_server_cpu_us_per_move %.1f\n",
                        1e6 * (cpuSeconds(std::to_string(options.serverPid)) - serverCpuBefore) / played);
        }
        std::printf("fast_loadgen_cpu_us_per_move %.1f\n", 1e6 * (cpuSeconds("self") - ownCpuBefore) / played);
        printLatencies("fast");
    }
    if (options.serverPid) std::printf("server_rss_kib_after_play %ld\n", rssKiB(options.serverPid));

    if (!options.save.empty()) {
        std::ofstream out(options.save);
        for (const Room& room : rooms) {
            if (room.alive) {
                out << room.id << ' ' << room.token[0] << ' ' << room.seq << ' ' << room.instance[0] << ' '
                    << room.instance[1] << '\n';
            }
        }
    }
    for (Room& room : rooms) {
        for (auto& seat : room.seat) {
            if (seat) beast::get_lowest_layer(seat->ws).close();
        }
    }
}

// A room saved before the restart: its id, the maker's token and its last
// acknowledged action number.
struct Saved {
    std::string id, token;
    long long seq;
    std::string answeredBy;  // the instance whose state came back
};

struct Resumed {
    using Time = std::chrono::system_clock::time_point;
    std::optional<Time> firstConnected;  // the first connection the new server accepted
    Time lastServed;
    int served = 0, missingActions = 0;
};

// Milliseconds from the server's start (--since, or the number in --since-file)
// to a moment of the run.
double msSince(std::chrono::system_clock::time_point at) {
    long long since = options.since;
    if (!options.sinceFile.empty()) std::ifstream(options.sinceFile) >> since;
    const std::chrono::system_clock::time_point start(
        std::chrono::duration_cast<std::chrono::system_clock::duration>(std::chrono::nanoseconds(since)));
    return std::chrono::duration<double, std::milli>(at - start).count();
}

// One saved room asked for its state with the maker's token, retrying while the
// server is not yet listening.
awaitable<void> resumeOne(Saved& room, std::unique_ptr<Connection>& c, Resumed& resumed) {
    const auto giveUp = Clock::now() + std::chrono::seconds(options.waitSeconds);
    c = std::make_unique<Connection>(io);
    for (auto pause = std::chrono::milliseconds(2); !co_await connect(*c, room.id);
         pause = std::min(2 * pause, std::chrono::milliseconds(200))) {
        if (Clock::now() > giveUp) co_return;
        c = std::make_unique<Connection>(io);
        co_await sleepFor(pause);
    }
    if (!resumed.firstConnected) resumed.firstConnected = std::chrono::system_clock::now();
    const json::object hello{{"type", "hello"}, {"token", room.token}};
    co_await send(*c, hello);
    json::object state = co_await expect(*c, "state");
    if (state.empty()) co_return;
    resumed.lastServed = std::max(resumed.lastServed, std::chrono::system_clock::now());
    ++resumed.served;
    room.answeredBy = instanceOf(state);
    if (state["seq"].to_number<long long>() < room.seq || state["you"] != 0) ++resumed.missingActions;
    // Held open until every room has answered, as the pages would be.
    co_await expect(*c, "never");
}

awaitable<void> resumeRooms() {
    std::vector<Saved> saved;
    std::ifstream in(options.resume);
    for (std::string line; std::getline(in, line);) {
        Saved s;
        if (std::istringstream(line) >> s.id >> s.token >> s.seq) saved.push_back(s);
    }

    Resumed resumed;
    // The rooms set out once the port takes connections, probed every two
    // milliseconds: a thousand rooms knocking on a closed port would only
    // take the starting server's CPU.
    asio::ip::tcp::resolver resolver(io);
    const auto endpoints = co_await resolver.async_resolve(options.host, options.port, use_awaitable);
    for (const auto giveUp = Clock::now() + std::chrono::seconds(options.waitSeconds); Clock::now() < giveUp;) {
        asio::ip::tcp::socket probe(io);
        auto [error, endpoint] = co_await asio::async_connect(probe, endpoints, asio::as_tuple(use_awaitable));
        if (!error) break;
        co_await sleepFor(std::chrono::milliseconds(2));
    }
    Latch latch(static_cast<int>(saved.size()));
    std::vector<std::unique_ptr<Connection>> open(saved.size());
    for (size_t i = 0; i < saved.size(); ++i) {
        asio::co_spawn(io, resumeOne(saved[i], open[i], resumed), [&latch](std::exception_ptr) { latch.arrive(); });
    }
    // Every room answered, or the wait is over: then the connections close.
    asio::steady_timer check(io);
    const auto end = Clock::now() + std::chrono::seconds(options.waitSeconds) + std::chrono::milliseconds(300);
    while (resumed.served < int(saved.size()) && Clock::now() < end) {
        check.expires_after(std::chrono::milliseconds(5));
        co_await check.async_wait(asio::as_tuple(use_awaitable));
    }
    std::printf("rooms_saved %zu\nrooms_served_again %d\nrooms_missing_actions %d\n", saved.size(), resumed.served,
                resumed.missingActions);
    if (resumed.firstConnected) {
        std::printf("restart_to_first_connection_ms %.1f\n", msSince(*resumed.firstConnected));
    }
    // A time to every room served only when every room was.
    if (resumed.served == int(saved.size())) {
        std::printf("restart_to_all_served_ms %.1f\n", msSince(resumed.lastServed));
    }
    failures.lost = resumed.missingActions + int(saved.size()) - resumed.served;
    if (!options.answers.empty()) {
        std::ofstream out(options.answers);
        for (const Saved& room : saved) {
            if (!room.answeredBy.empty()) out << room.id << ' ' << room.answeredBy << '\n';
        }
    }
    std::fflush(stdout);
    for (auto& c : open) {
        if (c) beast::get_lowest_layer(c->ws).close();
    }
    co_await latch.wait();
}

bool parse(int argc, char** argv) {
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i], value = argv[i + 1];
        if (name == "--host") options.host = value;
        else if (name == "--port") options.port = value;
        else if (name == "--rooms") options.rooms = std::stoi(value);
        else if (name == "--pace-seconds") options.paceSeconds = std::stoi(value);
        else if (name == "--fast-seconds") options.fastSeconds = std::stoi(value);
        else if (name == "--server-pid") options.serverPid = std::stoi(value);
        else if (name == "--save") options.save = value;
        else if (name == "--resume") options.resume = value;
        else if (name == "--since") options.since = std::stoll(value);
        else if (name == "--since-file") options.sinceFile = value;
        else if (name == "--wait-seconds") options.waitSeconds = std::stoi(value);
        else if (name == "--answers") options.answers = value;
        else if (name == "--deadline-seconds") options.deadlineSeconds = std::stoi(value);
        else return false;
    }
    return argc % 2 == 1 && !options.port.empty() && options.rooms > 0;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        if (!parse(argc, argv)) {
            std::cerr << "usage: vantor_loadgen --port P [--host H] [--rooms N] [--pace-seconds S] [--fast-seconds S]\n"
                         "         [--server-pid PID] [--save FILE] [--deadline-seconds S]\n"
                         "       vantor_loadgen --port P --resume FILE (--since NANOSECONDS | --since-file FILE)\n"
                         "         [--wait-seconds S]\n"
                         "         [--answers FILE]\n";
            return 2;
        }
    } catch (const std::exception&) {
        std::cerr << "vantor_loadgen: a number was expected\n";
        return 2;
    }
    // Whatever the server does, the run ends: at the deadline the loop stops.
    if (options.deadlineSeconds <= 0) options.deadlineSeconds = options.paceSeconds + options.fastSeconds + 90;
    asio::steady_timer deadline(io, std::chrono::seconds(options.deadlineSeconds));
    deadline.async_wait([](boost::system::error_code error) {
        if (error) return;
        std::cerr << "vantor_loadgen: deadline reached\n";
        failures.dropped += 1;
        io.stop();
    });
    asio::co_spawn(io, options.resume.empty() ? playRooms() : resumeRooms(), [&](std::exception_ptr e) {
        if (e) {
            try {
                std::rethrow_exception(e);
            } catch (const std::exception& what) {
                std::cerr << "vantor_loadgen: " << what.what() << '\n';
                failures.dropped += 1;
            }
        }
        deadline.cancel();
    });
    io.run();
    std::printf("failures_connect %d\nfailures_refused %d\nfailures_lost %d\nfailures_dropped %d\n",
                failures.connect, failures.refused, failures.lost, failures.dropped);
    return failures.total() == 0 ? 0 : 1;
}
