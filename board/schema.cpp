#include "board/schema.h"

#include <stdexcept>

namespace fenwing::board::schema {

// A game as the stores read it: the columns in this order.
#define BOARD_GAME_COLUMNS                                                               \
    "g.recording, g.number, g.hits, g.shots, g.crates, g.clocks, g.ending, g.start_us, " \
    "g.end_us, r.player, g.posted "                                                      \
    "FROM games g JOIN recordings r ON r.id = g.recording "

int newest() { return 1; }

std::vector<std::string> step(int to, const std::string& id) {
    switch (to) {
        case 1:
            return {
                // A recording as posted: its text, kept once however often it is posted.
                "CREATE TABLE recordings (id " + id +
                    ", digest TEXT NOT NULL UNIQUE, player TEXT NOT NULL, "
                    "posted BIGINT NOT NULL, body TEXT NOT NULL)",
                // Each game that the board's replay finished in it. `posted` is the
                // recording's, here too so that one index serves the best-first order.
                "CREATE TABLE games (recording BIGINT NOT NULL REFERENCES recordings (id), "
                "number INTEGER NOT NULL, hits INTEGER NOT NULL, shots INTEGER NOT NULL, "
                "crates INTEGER NOT NULL, clocks INTEGER NOT NULL, ending TEXT NOT NULL, "
                "start_us BIGINT NOT NULL, end_us BIGINT NOT NULL, posted BIGINT NOT NULL, "
                "PRIMARY KEY (recording, number))",
                "CREATE INDEX games_best ON games (hits DESC, shots, posted, recording, number)",
                // Posts counted per address and minute, for the rate limit.
                "CREATE TABLE post_counts (minute BIGINT NOT NULL, address TEXT NOT NULL, "
                "tries INTEGER NOT NULL, PRIMARY KEY (minute, address))",
            };
        default:
            throw std::logic_error("no schema step to version " + std::to_string(to));
    }
}

const char* const kVersionTable =
    "CREATE TABLE IF NOT EXISTS board_schema (version INTEGER NOT NULL)";
const char* const kReadVersion = "SELECT version FROM board_schema";
const char* const kFirstVersion = "INSERT INTO board_schema (version) VALUES (0)";
const char* const kWriteVersion = "UPDATE board_schema SET version = ?";

const char* const kInsertRecording =
    "INSERT INTO recordings (digest, player, posted, body) VALUES (?, ?, ?, ?) "
    "ON CONFLICT (digest) DO NOTHING RETURNING id";
const char* const kRecordingWithDigest = "SELECT id FROM recordings WHERE digest = ?";
const char* const kInsertGame =
    "INSERT INTO games (recording, number, hits, shots, crates, clocks, ending, start_us, "
    "end_us, posted) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)";
const char* const kBest = "SELECT " BOARD_GAME_COLUMNS
                          "ORDER BY g.hits DESC, g.shots, g.posted, g.recording, g.number "
                          "LIMIT ? OFFSET ?";
const char* const kNewest =
    "SELECT " BOARD_GAME_COLUMNS "ORDER BY g.recording DESC, g.number DESC LIMIT ? OFFSET ?";
const char* const kGamesIn = "SELECT " BOARD_GAME_COLUMNS "WHERE g.recording = ? ORDER BY g.number";
const char* const kRecordingText = "SELECT body FROM recordings WHERE id = ?";
const char* const kCountPost =
    "INSERT INTO post_counts (minute, address, tries) VALUES (?, ?, 1) "
    "ON CONFLICT (minute, address) DO UPDATE SET tries = post_counts.tries + 1 RETURNING tries";
const char* const kForgetPosts = "DELETE FROM post_counts WHERE minute < ?";

std::string numbered(const std::string& sql) {
    std::string out;
    int n = 0;
    for (char c : sql) {
        if (c == '?')
            out += '$' + std::to_string(++n);
        else
            out += c;
    }
    return out;
}

}  // namespace fenwing::board::schema
