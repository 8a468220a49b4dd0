// Store: the rooms in SQLite (WAL, synchronous=FULL). Writes go to one thread
// that commits whatever has arrived meanwhile in one transaction, so that moves
// arriving together share a commit; each write's completion runs only after its
// transaction is durable.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "server/Action.h"
#include "server/Secret.h"

struct sqlite3;

struct StoredRoom {
    std::string id;
    int startSize = 6;
    int startLevel = 1;
    std::optional<SecretHash> tokens[2];
    bool taken[2] = {false, false};
    bool left[2] = {false, false};
    std::optional<SecretHash> claim;
    std::int64_t lastActive = 0;
    struct Act {
        std::int64_t seq;
        int by;
        Action action;
    };
    std::vector<Act> history;
};

// One change: a new room, a room's seats, an action, or a room removed.
struct StoreWrite {
    enum Kind { NewRoom, Seats, Act, Remove } kind = NewRoom;
    StoredRoom room;  // NewRoom and Seats: id, settings, seats, claim, lastActive
    std::int64_t seq = 0;
    int by = 0;
    Action action;
};

class Store {
public:
    // Runs a batch's completions, given `true` when it was committed; called on
    // the store's thread, so it should hand them to the thread that owns them.
    using Deliver = std::function<void(std::function<void()>)>;

    // Opens (or makes) the database. Throws std::runtime_error with SQLite's
    // message when it cannot.
    explicit Store(const std::string& path);
    ~Store();
    Store(const Store&) = delete;
    Store& operator=(const Store&) = delete;

    // Every stored room with its history; before start().
    std::vector<StoredRoom> loadAll();
    // Removes the rooms with no activity since `before`; before start(). Returns
    // how many went.
    int removeIdle(std::int64_t before);

    void start(Deliver deliver);
    // Queues writes; `done(ok)` is delivered once they are committed (ok) or the
    // transaction failed (nothing of it stored).
    void submit(std::vector<StoreWrite> writes, std::function<void(bool ok)> done);
    // Commits what is queued and stops the thread.
    void stop();

    // Figures: transactions committed and writes in them.
    std::uint64_t commits() const { return commits_; }

private:
    struct Pending {
        std::vector<StoreWrite> writes;
        std::function<void(bool)> done;
    };
    void run();
    bool commitBatch(std::vector<Pending>& batch, std::string& error);
    void exec(const char* sql);

    struct Statements;
    sqlite3* db_ = nullptr;
    std::unique_ptr<Statements> statements_;
    Deliver deliver_;
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::vector<Pending> queue_;
    bool stopping_ = false;
    std::atomic<std::uint64_t> commits_ = 0;
};
