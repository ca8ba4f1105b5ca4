// The SQLite store: board.sqlite3 in the data folder, written ahead (WAL) and synced at each
// commit, so that a post answered is kept through a crash of the board or of the machine.
// Several threads share a few connections; SQLite lets one of them write at a time. The count of
// posts, which matters for a minute, is written on connections of its own that do not wait for
// the disk: a sync per count would halve how many posts a second the board can keep.
#include <sqlite3.h>

#include <condition_variable>
#include <filesystem>
#include <mutex>

#include "board/schema.h"
#include "board/store.h"

namespace fenwing::board {

namespace {

class Connection {
  public:
    Connection(const std::string& path, bool synced) {
        const int status = sqlite3_open_v2(
            path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
            nullptr);
        if (status != SQLITE_OK) {
            const std::string reason = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(status);
            sqlite3_close(db_);
            throw std::runtime_error("cannot open " + path + ": " + reason);
        }
        sqlite3_busy_timeout(db_, 10'000);
        exec("PRAGMA journal_mode = WAL");
        exec(synced ? "PRAGMA synchronous = FULL" : "PRAGMA synchronous = OFF");
        exec("PRAGMA foreign_keys = ON");
    }
    ~Connection() { sqlite3_close(db_); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    void exec(const std::string& sql) {
        char* message = nullptr;
        if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
            const std::string reason = message ? message : sqlite3_errmsg(db_);
            sqlite3_free(message);
            fail(reason);
        }
    }
    [[noreturn]] void fail(const std::string& reason) {
        const int code = sqlite3_errcode(db_);
        if (code == SQLITE_BUSY || code == SQLITE_LOCKED || code == SQLITE_IOERR ||
            code == SQLITE_FULL)
            throw Unavailable("SQLite: " + reason);
        throw std::runtime_error("SQLite: " + reason);
    }
    sqlite3* db() { return db_; }

  private:
    sqlite3* db_ = nullptr;
};

// One statement with its parameters bound in order.
class Statement {
  public:
    Statement(Connection& c, const char* sql) : c_(c) {
        if (sqlite3_prepare_v2(c.db(), sql, -1, &s_, nullptr) != SQLITE_OK)
            c.fail(sqlite3_errmsg(c.db()));
    }
    ~Statement() { sqlite3_finalize(s_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& bind(std::int64_t value) {
        check(sqlite3_bind_int64(s_, ++n_, value));
        return *this;
    }
    Statement& bind(const std::string& value) {
        check(sqlite3_bind_text(s_, ++n_, value.data(), static_cast<int>(value.size()),
                                SQLITE_TRANSIENT));
        return *this;
    }
    // The next row, or false when there is none.
    bool step() {
        const int status = sqlite3_step(s_);
        if (status == SQLITE_ROW) return true;
        if (status == SQLITE_DONE) return false;
        c_.fail(sqlite3_errmsg(c_.db()));
    }
    std::int64_t integer(int column) { return sqlite3_column_int64(s_, column); }
    std::string text(int column) {
        const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(s_, column));
        return bytes
                   ? std::string(bytes, static_cast<std::size_t>(sqlite3_column_bytes(s_, column)))
                   : std::string();
    }

  private:
    void check(int status) {
        if (status != SQLITE_OK) c_.fail(sqlite3_errmsg(c_.db()));
    }
    Connection& c_;
    sqlite3_stmt* s_ = nullptr;
    int n_ = 0;
};

// A write transaction, rolled back unless committed. IMMEDIATE takes the write lock at once,
// so that two writers never both read and then both wait to write.
class Transaction {
  public:
    explicit Transaction(Connection& c) : c_(c) { c_.exec("BEGIN IMMEDIATE"); }
    ~Transaction() {
        if (!done_) sqlite3_exec(c_.db(), "ROLLBACK", nullptr, nullptr, nullptr);
    }
    void commit() {
        c_.exec("COMMIT");
        done_ = true;
    }

  private:
    Connection& c_;
    bool done_ = false;
};

BoardGame gameAt(Statement& s) {
    BoardGame g;
    g.recording = s.integer(0);
    g.result.number = static_cast<int>(s.integer(1));
    g.result.hits = static_cast<int>(s.integer(2));
    g.result.shots = static_cast<int>(s.integer(3));
    g.result.crates = static_cast<int>(s.integer(4));
    g.result.clocks = static_cast<int>(s.integer(5));
    g.result.ending = endingNamed(s.text(6)).value_or(GameResult::Ending::Time);
    g.result.start = s.integer(7);
    g.result.end = s.integer(8);
    g.player = s.text(9);
    g.posted = s.integer(10);
    return g;
}

class SqliteStore : public Store {
  public:
    explicit SqliteStore(const std::string& folder) : folder_(folder) {
        std::error_code error;
        std::filesystem::create_directories(folder, error);
        if (error) throw std::runtime_error("cannot make " + folder + ": " + error.message());
        path_ = (std::filesystem::path(folder) / "board.sqlite3").string();
        Lease c(*this);
        migrate(*c);
    }

    Kept keep(const Posting& p) override {
        Lease c(*this);
        std::lock_guard writing(writeMutex_);
        Transaction t(*c);
        Kept kept;
        {
            Statement insert(*c, schema::kInsertRecording);
            insert.bind(p.digest).bind(p.player).bind(p.posted).bind(p.text);
            if (insert.step()) {
                kept.recording = insert.integer(0);
            } else {
                Statement find(*c, schema::kRecordingWithDigest);
                find.bind(p.digest);
                if (!find.step()) c->fail("a recording neither new nor kept");
                kept = {find.integer(0), true};
                return kept;  // rolled back: nothing was written
            }
        }
        for (const GameResult& g : p.games) {
            Statement insert(*c, schema::kInsertGame);
            insert.bind(kept.recording).bind(g.number).bind(g.hits).bind(g.shots).bind(g.crates);
            insert.bind(g.clocks).bind(std::string(endingName(g.ending))).bind(g.start);
            insert.bind(g.end).bind(p.posted).step();
        }
        t.commit();
        return kept;
    }

    std::vector<BoardGame> games(Order order, std::int64_t offset, int count) override {
        Lease c(*this);
        Statement s(*c, order == Order::Best ? schema::kBest : schema::kNewest);
        s.bind(count).bind(offset);
        std::vector<BoardGame> out;
        while (s.step()) out.push_back(gameAt(s));
        return out;
    }

    std::optional<std::int64_t> recordingWithDigest(const std::string& digest) override {
        Lease c(*this);
        Statement s(*c, schema::kRecordingWithDigest);
        s.bind(digest);
        if (!s.step()) return std::nullopt;
        return s.integer(0);
    }

    std::vector<BoardGame> gamesIn(std::int64_t recording) override {
        Lease c(*this);
        Statement s(*c, schema::kGamesIn);
        s.bind(recording);
        std::vector<BoardGame> out;
        while (s.step()) out.push_back(gameAt(s));
        return out;
    }

    std::optional<std::string> recording(std::int64_t id) override {
        Lease c(*this);
        Statement s(*c, schema::kRecordingText);
        s.bind(id);
        if (!s.step()) return std::nullopt;
        return s.text(0);
    }

    int countPost(const std::string& address, std::int64_t minute) override {
        Lease c(*this, /*synced=*/false);
        std::lock_guard writing(writeMutex_);
        Transaction t(*c);
        Statement(*c, schema::kForgetPosts).bind(minute - 1).step();
        int tries = 0;
        {
            Statement s(*c, schema::kCountPost);
            s.bind(minute).bind(address);
            if (!s.step()) c->fail("the count of posts was not returned");
            tries = static_cast<int>(s.integer(0));
        }
        t.commit();
        return tries;
    }

    int schemaVersion() override {
        Lease c(*this);
        Statement s(*c, schema::kReadVersion);
        return s.step() ? static_cast<int>(s.integer(0)) : 0;
    }

    std::string describe() const override { return "SQLite in " + folder_; }

  private:
    // A connection of the pool for as long as it lives.
    class Lease {
      public:
        explicit Lease(SqliteStore& store, bool synced = true)
            : store_(store), idle_(synced ? store.idle_ : store.idleUnsynced_) {
            std::unique_lock lock(store.mutex_);
            if (idle_.empty()) {
                lock.unlock();
                c_ = std::make_unique<Connection>(store.path_, synced);
            } else {
                c_ = std::move(idle_.back());
                idle_.pop_back();
            }
        }
        ~Lease() {
            std::lock_guard lock(store_.mutex_);
            if (idle_.size() < kIdle) idle_.push_back(std::move(c_));
        }
        Connection& operator*() { return *c_; }
        Connection* operator->() { return c_.get(); }

      private:
        SqliteStore& store_;
        std::vector<std::unique_ptr<Connection>>& idle_;
        std::unique_ptr<Connection> c_;
    };
    static constexpr std::size_t kIdle = 8;

    void migrate(Connection& c) {
        Transaction t(c);
        c.exec(schema::kVersionTable);
        int version = 0;
        {
            Statement s(c, schema::kReadVersion);
            if (s.step())
                version = static_cast<int>(s.integer(0));
            else
                Statement(c, schema::kFirstVersion).step();
        }
        if (version > schema::newest())
            throw std::runtime_error(path_ + " holds the board's schema version " +
                                     std::to_string(version) + ", newer than this board's " +
                                     std::to_string(schema::newest()));
        for (int to = version + 1; to <= schema::newest(); ++to) {
            for (const std::string& sql : schema::step(to, "INTEGER PRIMARY KEY")) c.exec(sql);
            Statement(c, schema::kWriteVersion).bind(to).step();
        }
        t.commit();
    }

    std::string folder_, path_;
    std::mutex mutex_;
    // One writer at a time, waiting here in turn: SQLite would make the others retry after
    // sleeps of up to 100 ms.
    std::mutex writeMutex_;
    std::vector<std::unique_ptr<Connection>> idle_, idleUnsynced_;
};

}  // namespace

std::unique_ptr<Store> openSqlite(const std::string& folder) {
    return std::make_unique<SqliteStore>(folder);
}

}  // namespace fenwing::board
