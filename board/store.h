// Where the board keeps its recordings and their games: SQLite in a data folder, or a
// PostgreSQL database that several boards may share. Both hold one schema (board/schema.h),
// which the store creates and brings up to date when it opens; a board keeps nothing of its
// own besides it.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "session/games.h"

namespace fenwing::board {

// The database cannot be reached just now (a server stopped, a connection lost): worth trying
// again later. The service answers 503.
struct Unavailable : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// A game on the board: what the board's replay found, who posted it and when.
struct BoardGame {
    std::int64_t recording = 0;  // the recording that holds it
    GameResult result;
    std::string player;
    std::int64_t posted = 0;  // seconds since 1970 (UTC), by the board's clock
    bool operator==(const BoardGame&) const = default;
};

// A recording as it is kept: its text, its digest (board::digest), who posted it and when, and
// the games the board found in it.
struct Posting {
    std::string text;
    std::string digest;
    std::string player;
    std::int64_t posted = 0;
    std::vector<GameResult> games;
};

struct Kept {
    std::int64_t recording = 0;
    bool already = false;  // the same text was posted before: nothing new was stored
};

enum class Order { Best, Newest };

class Store {
  public:
    virtual ~Store() = default;

    // Keeps `posting` and its games in one transaction, unless a recording of the same digest is
    // kept already. Once it returns, the recording survives a crash of the board.
    virtual Kept keep(const Posting& posting) = 0;
    // `count` games from `offset`, best first (more hits, then fewer shots, then the earlier
    // posted) or newest first.
    virtual std::vector<BoardGame> games(Order order, std::int64_t offset, int count) = 0;
    // The recording kept with `digest`, if any.
    virtual std::optional<std::int64_t> recordingWithDigest(const std::string& digest) = 0;
    // The games of one recording, in order.
    virtual std::vector<BoardGame> gamesIn(std::int64_t recording) = 0;
    // A kept recording's text.
    virtual std::optional<std::string> recording(std::int64_t id) = 0;
    // Counts one more post from `address` in `minute` (minutes since 1970) and returns how many
    // it has made in that minute; older minutes are forgotten.
    virtual int countPost(const std::string& address, std::int64_t minute) = 0;
    // The schema's version in the database.
    virtual int schemaVersion() = 0;
    // What it is, for the log: "SQLite in FOLDER", "PostgreSQL".
    virtual std::string describe() const = 0;
};

// The SQLite store in `folder` (made if missing), board.sqlite3 in it. Throws std::runtime_error
// with the reason when it cannot be opened or its schema is newer than this board's.
std::unique_ptr<Store> openSqlite(const std::string& folder);
// The PostgreSQL store at `connection` (a libpq connection string). Throws Unavailable when the
// server cannot be reached, std::runtime_error on any other problem.
std::unique_ptr<Store> openPostgres(const std::string& connection);

}  // namespace fenwing::board
