// The PostgreSQL store: a database that several boards share, each keeping nothing of its own.
// A lost connection (the server stopped or restarted) is dropped and made again for the next
// request; while the server cannot be reached every request fails with Unavailable.
#include <pqxx/pqxx>

#include <functional>
#include <mutex>

#include "board/schema.h"
#include "board/store.h"

namespace fenwing::board {

namespace {

// Whether `e` says that the connection or the server is gone rather than that the statement
// was wrong: the classes 08 (connection exception) and 57P (the server shutting down).
bool lostServer(const pqxx::sql_error& e) {
    const std::string& state = e.sqlstate();
    return state.rfind("08", 0) == 0 || state.rfind("57P", 0) == 0;
}

BoardGame gameAt(const pqxx::row& r) {
    BoardGame g;
    g.recording = r[0].as<std::int64_t>();
    g.result.number = r[1].as<int>();
    g.result.hits = r[2].as<int>();
    g.result.shots = r[3].as<int>();
    g.result.crates = r[4].as<int>();
    g.result.clocks = r[5].as<int>();
    g.result.ending = endingNamed(r[6].as<std::string>()).value_or(GameResult::Ending::Time);
    g.result.start = r[7].as<std::int64_t>();
    g.result.end = r[8].as<std::int64_t>();
    g.player = r[9].as<std::string>();
    g.posted = r[10].as<std::int64_t>();
    return g;
}

std::vector<BoardGame> gamesFrom(const pqxx::result& result) {
    std::vector<BoardGame> out;
    for (const pqxx::row& r : result) out.push_back(gameAt(r));
    return out;
}

// The statements in PostgreSQL's numbering, made once.
struct Statements {
    std::string insertRecording = schema::numbered(schema::kInsertRecording);
    std::string recordingWithDigest = schema::numbered(schema::kRecordingWithDigest);
    std::string insertGame = schema::numbered(schema::kInsertGame);
    std::string best = schema::numbered(schema::kBest);
    std::string newest = schema::numbered(schema::kNewest);
    std::string gamesIn = schema::numbered(schema::kGamesIn);
    std::string recordingText = schema::numbered(schema::kRecordingText);
    std::string countPost = schema::numbered(schema::kCountPost);
    std::string forgetPosts = schema::numbered(schema::kForgetPosts);
    std::string writeVersion = schema::numbered(schema::kWriteVersion);
};

class PostgresStore : public Store {
  public:
    explicit PostgresStore(const std::string& connection) : connection_(connection) {
        run([this](pqxx::connection& c) {
            migrate(c);
            return true;
        });
    }

    Kept keep(const Posting& p) override {
        // Run again on a fresh connection when the first is lost, the commit included: a
        // recording already kept is then found by its digest.
        return run([&](pqxx::connection& c) {
            pqxx::work w(c);
            const pqxx::result inserted =
                w.exec_params(sql_.insertRecording, p.digest, p.player, p.posted, p.text);
            if (inserted.empty()) {
                const pqxx::row found = w.exec_params1(sql_.recordingWithDigest, p.digest);
                return Kept{found[0].as<std::int64_t>(), true};
            }
            const auto id = inserted[0][0].as<std::int64_t>();
            for (const GameResult& g : p.games)
                w.exec_params0(sql_.insertGame, id, g.number, g.hits, g.shots, g.crates, g.clocks,
                               std::string(endingName(g.ending)), g.start, g.end, p.posted);
            w.commit();
            return Kept{id, false};
        });
    }

    std::vector<BoardGame> games(Order order, std::int64_t offset, int count) override {
        return run([&](pqxx::connection& c) {
            pqxx::read_transaction r(c);
            return gamesFrom(
                r.exec_params(order == Order::Best ? sql_.best : sql_.newest, count, offset));
        });
    }

    std::optional<std::int64_t> recordingWithDigest(const std::string& digest) override {
        return run([&](pqxx::connection& c) -> std::optional<std::int64_t> {
            pqxx::read_transaction r(c);
            const pqxx::result found = r.exec_params(sql_.recordingWithDigest, digest);
            if (found.empty()) return std::nullopt;
            return found[0][0].as<std::int64_t>();
        });
    }

    std::vector<BoardGame> gamesIn(std::int64_t recording) override {
        return run([&](pqxx::connection& c) {
            pqxx::read_transaction r(c);
            return gamesFrom(r.exec_params(sql_.gamesIn, recording));
        });
    }

    std::optional<std::string> recording(std::int64_t id) override {
        return run([&](pqxx::connection& c) -> std::optional<std::string> {
            pqxx::read_transaction r(c);
            const pqxx::result found = r.exec_params(sql_.recordingText, id);
            if (found.empty()) return std::nullopt;
            return found[0][0].as<std::string>();
        });
    }

    int countPost(const std::string& address, std::int64_t minute) override {
        return run([&](pqxx::connection& c) {
            pqxx::work w(c);
            // A count matters for a minute: its commit need not wait for the disk.
            w.exec("SET LOCAL synchronous_commit TO OFF");
            w.exec_params0(sql_.forgetPosts, minute - 1);
            const int tries = w.exec_params1(sql_.countPost, minute, address)[0].as<int>();
            w.commit();
            return tries;
        });
    }

    int schemaVersion() override {
        return run([&](pqxx::connection& c) {
            pqxx::read_transaction r(c);
            const pqxx::result found = r.exec(schema::kReadVersion);
            return found.empty() ? 0 : found[0][0].as<int>();
        });
    }

    std::string describe() const override { return "PostgreSQL"; }

  private:
    // `work` on a connection of the pool, or on a new one; once more on a new one when the
    // pool's was lost. A server that cannot be reached is Unavailable.
    template <typename Work>
    auto run(Work work) -> decltype(work(std::declval<pqxx::connection&>())) {
        for (int attempt = 0;; ++attempt) {
            std::unique_ptr<pqxx::connection> c;
            bool pooled = false;
            {
                std::lock_guard lock(mutex_);
                if (!idle_.empty() && attempt == 0) {
                    c = std::move(idle_.back());
                    idle_.pop_back();
                    pooled = true;
                }
            }
            std::string reason;
            try {
                if (!c) c = std::make_unique<pqxx::connection>(connection_);
                auto result = work(*c);
                std::lock_guard lock(mutex_);
                if (idle_.size() < kIdle) idle_.push_back(std::move(c));
                return result;
            } catch (const pqxx::broken_connection& e) {
                reason = e.what();
            } catch (const pqxx::in_doubt_error& e) {
                reason = e.what();
            } catch (const pqxx::sql_error& e) {
                if (!lostServer(e))
                    throw std::runtime_error(std::string("PostgreSQL: ") + e.what());
                reason = e.what();
            }
            if (!pooled) {
                while (!reason.empty() && (reason.back() == '\n' || reason.back() == ' '))
                    reason.pop_back();
                throw Unavailable("PostgreSQL: " + reason);
            }
        }
    }

    void migrate(pqxx::connection& c) {
        pqxx::work w(c);
        // One board at a time brings the schema up to date; the others wait, then find it done.
        w.exec("SELECT pg_advisory_xact_lock(4657201837)");
        w.exec(schema::kVersionTable);
        const pqxx::result found = w.exec(schema::kReadVersion);
        int version = 0;
        if (found.empty())
            w.exec(schema::kFirstVersion);
        else
            version = found[0][0].as<int>();
        if (version > schema::newest())
            throw std::runtime_error("the database holds the board's schema version " +
                                     std::to_string(version) + ", newer than this board's " +
                                     std::to_string(schema::newest()));
        for (int to = version + 1; to <= schema::newest(); ++to) {
            for (const std::string& sql :
                 schema::step(to, "BIGINT GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY"))
                w.exec(sql);
            w.exec_params0(sql_.writeVersion, to);
        }
        w.commit();
    }

    // Connections kept open for the next requests: a new one costs the server a process.
    static constexpr std::size_t kIdle = 32;
    const std::string connection_;
    const Statements sql_;
    std::mutex mutex_;
    std::vector<std::unique_ptr<pqxx::connection>> idle_;
};

}  // namespace

std::unique_ptr<Store> openPostgres(const std::string& connection) {
    return std::make_unique<PostgresStore>(connection);
}

}  // namespace fenwing::board
