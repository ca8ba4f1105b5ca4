// The board's one schema, for both stores, and the statements they run, each written once with
// `?` for its bound parameters (PostgreSQL's $1, $2... are made from them).
#pragma once

#include <string>
#include <vector>

namespace fenwing::board::schema {

// The newest version of the schema this board knows.
int newest();
// The statements that take the schema from version `to` - 1 to `to`, with the key column
// written as `id` is in each database.
std::vector<std::string> step(int to, const std::string& id);

// The table that holds the schema's version, one row.
extern const char* const kVersionTable;
extern const char* const kReadVersion;
extern const char* const kFirstVersion;
extern const char* const kWriteVersion;

extern const char* const kInsertRecording;  // RETURNING id; nothing when the digest is kept
extern const char* const kRecordingWithDigest;
extern const char* const kInsertGame;
extern const char* const kBest;    // LIMIT ? OFFSET ?
extern const char* const kNewest;  // LIMIT ? OFFSET ?
extern const char* const kGamesIn;
extern const char* const kRecordingText;
extern const char* const kCountPost;  // RETURNING tries
extern const char* const kForgetPosts;

// `sql` with each `?` made $1, $2... for PostgreSQL.
std::string numbered(const std::string& sql);

}  // namespace fenwing::board::schema
