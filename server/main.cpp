// vantor-server: the Vantor online server.
//
//   vantor-server --host 127.0.0.1 --port P --site DIR --db FILE [--instance NAME]
//                 [--max-connections N] [--max-rooms N] [--max-per-room N]
//                 [--rate N] [--quiet SECONDS]
//
// Prints "listening on http://HOST:PORT/" once it accepts connections (with
// --port 0, the port it was given). SIGTERM or SIGINT closes every WebSocket with
// 1001 (going away) and stops.
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <string>

#include <boost/asio/io_context.hpp>
#include <boost/asio/post.hpp>

#include "server/Server.h"
#include "server/Store.h"

namespace {

int usage(const char* problem) {
    std::fprintf(stderr,
                 "vantor-server: %s\n"
                 "usage: vantor-server --host 127.0.0.1 --port P --site DIR --db FILE [--instance NAME]\n"
                 "       [--max-connections N] [--max-rooms N] [--max-per-room N] [--rate N] [--quiet SECONDS]\n",
                 problem);
    return 2;
}

bool number(const char* text, long long low, long long high, long long& out) {
    char* end = nullptr;
    errno = 0;
    const long long n = std::strtoll(text, &end, 10);
    if (errno || end == text || *end || n < low || n > high) return false;
    out = n;
    return true;
}

// As many descriptors as the system lets this process have, for many connections.
void raiseDescriptorLimit() {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
}

}  // namespace

int main(int argc, char** argv) {
    ServerOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string flag = argv[i];
        if (i + 1 >= argc) return usage(("no value after " + flag).c_str());
        const char* value = argv[++i];
        long long n = 0;
        if (flag == "--host") {
            options.host = value;
        } else if (flag == "--port") {
            if (!number(value, 0, 65535, n)) return usage("--port needs 0 to 65535");
            options.port = static_cast<unsigned short>(n);
        } else if (flag == "--site") {
            options.site = value;
        } else if (flag == "--db") {
            options.db = value;
        } else if (flag == "--instance") {
            options.instance = value;
        } else if (flag == "--max-connections") {
            if (!number(value, 1, 1000000, n)) return usage("--max-connections needs a positive number");
            options.maxConnections = static_cast<std::size_t>(n);
        } else if (flag == "--max-rooms") {
            if (!number(value, 1, 100000000, n)) return usage("--max-rooms needs a positive number");
            options.maxRooms = static_cast<std::size_t>(n);
        } else if (flag == "--max-per-room") {
            if (!number(value, 2, 100000, n)) return usage("--max-per-room needs 2 or more");
            options.maxPerRoom = static_cast<std::size_t>(n);
        } else if (flag == "--rate") {
            if (!number(value, 1, 1000000, n)) return usage("--rate needs a positive number");
            options.rate = static_cast<double>(n);
        } else if (flag == "--quiet") {
            if (!number(value, 1, 3600, n)) return usage("--quiet needs 1 to 3600 seconds");
            options.quietSeconds = static_cast<int>(n);
        } else {
            return usage(("unknown option " + flag).c_str());
        }
    }
    if (options.site.empty() || options.db.empty()) return usage("--site and --db are needed");
    raiseDescriptorLimit();

    try {
        boost::asio::io_context io(1);
        Store store(options.db);
        Server server(io, options, store);
        const std::size_t rooms = server.loadRooms();
        store.start([&io](std::function<void()> completions) { boost::asio::post(io, std::move(completions)); });
        server.listen();
        std::printf("listening on http://%s:%u/ (%zu rooms)\n", options.host.c_str(), server.port(), rooms);
        std::fflush(stdout);
        io.run();
        // What is still queued is committed; none of it was acknowledged.
        store.stop();
        return server.exitCode();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vantor-server: %s\n", e.what());
        return 1;
    }
}
