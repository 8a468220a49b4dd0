// Store: SQLite storage of rooms and their histories, with group commit.
#include "server/Store.h"

#include <sqlite3.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <stdexcept>
#include <string_view>
#include <unordered_map>

namespace {

// A prepared statement, finalized when it goes.
class Statement {
public:
    Statement(sqlite3* db, const char* sql) {
        if (sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr) != SQLITE_OK) {
            throw std::runtime_error(std::string("sqlite: ") + sqlite3_errmsg(db));
        }
    }
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& text(int i, const std::string& s) {
        sqlite3_bind_text(stmt_, i, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
        return *this;
    }
    Statement& integer(int i, std::int64_t n) {
        sqlite3_bind_int64(stmt_, i, n);
        return *this;
    }
    Statement& hash(int i, const std::optional<SecretHash>& h) {
        if (h) {
            sqlite3_bind_blob(stmt_, i, h->data(), static_cast<int>(h->size()), SQLITE_TRANSIENT);
        } else {
            sqlite3_bind_null(stmt_, i);
        }
        return *this;
    }
    // Runs a statement that returns no rows; resets it for the next use.
    bool run() {
        const int rc = sqlite3_step(stmt_);
        sqlite3_reset(stmt_);
        sqlite3_clear_bindings(stmt_);
        return rc == SQLITE_DONE;
    }
    bool row() { return sqlite3_step(stmt_) == SQLITE_ROW; }
    std::int64_t columnInt(int i) { return sqlite3_column_int64(stmt_, i); }
    std::string columnText(int i) {
        const auto* p = sqlite3_column_text(stmt_, i);
        return p ? std::string(reinterpret_cast<const char*>(p), static_cast<std::size_t>(sqlite3_column_bytes(stmt_, i)))
                 : std::string();
    }
    std::optional<SecretHash> columnHash(int i) {
        if (sqlite3_column_type(stmt_, i) != SQLITE_BLOB || sqlite3_column_bytes(stmt_, i) != 32) return std::nullopt;
        SecretHash h;
        std::memcpy(h.data(), sqlite3_column_blob(stmt_, i), h.size());
        return h;
    }

private:
    sqlite3_stmt* stmt_ = nullptr;
};

constexpr const char* kSchema = R"(
CREATE TABLE IF NOT EXISTS rooms (
  id TEXT PRIMARY KEY,
  start_size INTEGER NOT NULL,
  start_level INTEGER NOT NULL,
  token0 BLOB, token1 BLOB,
  taken0 INTEGER NOT NULL, taken1 INTEGER NOT NULL,
  left0 INTEGER NOT NULL, left1 INTEGER NOT NULL,
  claim BLOB,
  active INTEGER NOT NULL
) WITHOUT ROWID;
CREATE TABLE IF NOT EXISTS actions (
  room TEXT NOT NULL,
  seq INTEGER NOT NULL,
  by INTEGER NOT NULL,
  kind INTEGER NOT NULL,
  a INTEGER NOT NULL,
  b INTEGER NOT NULL,
  PRIMARY KEY (room, seq)
) WITHOUT ROWID;
)";

}  // namespace

Store::Store(const std::string& path) {
    if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                        nullptr) != SQLITE_OK) {
        const std::string message = db_ ? sqlite3_errmsg(db_) : "out of memory";
        sqlite3_close(db_);
        throw std::runtime_error("cannot open " + path + ": " + message);
    }
    try {
        sqlite3_busy_timeout(db_, 5000);
        exec("PRAGMA journal_mode=WAL");
        exec("PRAGMA synchronous=FULL");
        exec(kSchema);
    } catch (...) {
        sqlite3_close(db_);
        throw;
    }
}

Store::~Store() {
    stop();
    statements_.reset();
    sqlite3_close(db_);
}

void Store::exec(const char* sql) {
    char* error = nullptr;
    if (sqlite3_exec(db_, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        const std::string message = error ? error : sqlite3_errmsg(db_);
        sqlite3_free(error);
        throw std::runtime_error("sqlite: " + message);
    }
}

std::vector<StoredRoom> Store::loadAll() {
    std::vector<StoredRoom> rooms;
    std::map<std::string, std::size_t> index;
    Statement r(db_,
                "SELECT id, start_size, start_level, token0, token1, taken0, taken1, left0, left1, claim, active "
                "FROM rooms ORDER BY id");
    while (r.row()) {
        StoredRoom room;
        room.id = r.columnText(0);
        room.startSize = static_cast<int>(r.columnInt(1));
        room.startLevel = static_cast<int>(r.columnInt(2));
        room.tokens[0] = r.columnHash(3);
        room.tokens[1] = r.columnHash(4);
        room.taken[0] = r.columnInt(5) != 0;
        room.taken[1] = r.columnInt(6) != 0;
        room.left[0] = r.columnInt(7) != 0;
        room.left[1] = r.columnInt(8) != 0;
        room.claim = r.columnHash(9);
        room.lastActive = r.columnInt(10);
        index[room.id] = rooms.size();
        rooms.push_back(std::move(room));
    }
    Statement a(db_, "SELECT room, seq, by, kind, a, b FROM actions ORDER BY room, seq");
    while (a.row()) {
        const auto found = index.find(a.columnText(0));
        if (found == index.end()) continue;
        const std::int64_t kind = a.columnInt(3);
        if (kind < 0 || kind > static_cast<int>(ActionKind::Level)) continue;
        Action action{static_cast<ActionKind>(kind), static_cast<std::int32_t>(a.columnInt(4)),
                      static_cast<std::int32_t>(a.columnInt(5))};
        rooms[found->second].history.push_back({a.columnInt(1), static_cast<int>(a.columnInt(2)), action});
    }
    return rooms;
}

int Store::removeIdle(std::int64_t before) {
    exec("BEGIN IMMEDIATE");
    Statement actions(db_, "DELETE FROM actions WHERE room IN (SELECT id FROM rooms WHERE active < ?)");
    Statement rooms(db_, "DELETE FROM rooms WHERE active < ?");
    const bool ok = actions.integer(1, before).run() && rooms.integer(1, before).run();
    const int removed = sqlite3_changes(db_);
    exec(ok ? "COMMIT" : "ROLLBACK");
    return ok ? removed : 0;
}

void Store::start(Deliver deliver) {
    deliver_ = std::move(deliver);
    thread_ = std::thread([this] { run(); });
}

void Store::submit(std::vector<StoreWrite> writes, std::function<void(bool)> done) {
    {
        std::lock_guard lock(mutex_);
        queue_.push_back({std::move(writes), std::move(done)});
    }
    wake_.notify_one();
}

void Store::stop() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    if (thread_.joinable()) thread_.join();
}

void Store::run() {
    for (;;) {
        std::vector<Pending> batch;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
            if (queue_.empty()) return;  // stopping, and everything is committed
            batch.swap(queue_);
        }
        std::string error;
        const bool ok = commitBatch(batch, error);
        if (!ok) std::fprintf(stderr, "vantor-server: storing failed: %s\n", error.c_str());
        std::vector<std::function<void(bool)>> dones;
        dones.reserve(batch.size());
        for (Pending& p : batch) dones.push_back(std::move(p.done));
        deliver_([dones = std::move(dones), ok] {
            for (const auto& done : dones) done(ok);
        });
    }
}

// The statements of a commit, prepared once.
struct Store::Statements {
    explicit Statements(sqlite3* db)
        : upsert(db,
                 "INSERT INTO rooms (id, start_size, start_level, token0, token1, taken0, taken1, left0, left1, claim, "
                 "active) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11) "
                 "ON CONFLICT (id) DO UPDATE SET token0 = ?4, token1 = ?5, taken0 = ?6, taken1 = ?7, left0 = ?8, "
                 "left1 = ?9, claim = ?10, active = ?11"),
          insertAct(db, "INSERT INTO actions (room, seq, by, kind, a, b) VALUES (?, ?, ?, ?, ?, ?)"),
          touch(db, "UPDATE rooms SET active = ? WHERE id = ?"),
          removeActs(db, "DELETE FROM actions WHERE room = ?"),
          removeRoom(db, "DELETE FROM rooms WHERE id = ?") {}
    Statement upsert;
    Statement insertAct;
    Statement touch;
    Statement removeActs;
    Statement removeRoom;
};

bool Store::commitBatch(std::vector<Pending>& batch, std::string& error) {
    try {
        if (!statements_) statements_ = std::make_unique<Statements>(db_);
        Statement& upsert = statements_->upsert;
        Statement& insertAct = statements_->insertAct;
        Statement& removeActs = statements_->removeActs;
        Statement& removeRoom = statements_->removeRoom;
        // A room's last activity is written once per commit, however many of its actions it holds.
        std::unordered_map<std::string_view, std::int64_t> touched;
        exec("BEGIN IMMEDIATE");
        bool ok = true;
        for (const Pending& p : batch) {
            for (const StoreWrite& w : p.writes) {
                const StoredRoom& r = w.room;
                switch (w.kind) {
                case StoreWrite::NewRoom:
                case StoreWrite::Seats:
                    ok = upsert.text(1, r.id)
                             .integer(2, r.startSize)
                             .integer(3, r.startLevel)
                             .hash(4, r.tokens[0])
                             .hash(5, r.tokens[1])
                             .integer(6, r.taken[0])
                             .integer(7, r.taken[1])
                             .integer(8, r.left[0])
                             .integer(9, r.left[1])
                             .hash(10, r.claim)
                             .integer(11, r.lastActive)
                             .run();
                    break;
                case StoreWrite::Act:
                    ok = insertAct.text(1, r.id)
                             .integer(2, w.seq)
                             .integer(3, w.by)
                             .integer(4, static_cast<int>(w.action.kind))
                             .integer(5, w.action.a)
                             .integer(6, w.action.b)
                             .run();
                    touched[r.id] = r.lastActive;
                    break;
                case StoreWrite::Remove:
                    ok = removeActs.text(1, r.id).run() && removeRoom.text(1, r.id).run();
                    break;
                }
                if (!ok) break;
            }
            if (!ok) break;
        }
        for (const auto& [id, when] : touched) {
            if (!ok) break;
            ok = statements_->touch.integer(1, when).text(2, std::string(id)).run();
        }
        if (!ok) {
            error = sqlite3_errmsg(db_);
            exec("ROLLBACK");
            return false;
        }
        exec("COMMIT");
        ++commits_;
        return true;
    } catch (const std::exception& e) {
        error = e.what();
        if (!sqlite3_get_autocommit(db_)) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        return false;
    }
}
