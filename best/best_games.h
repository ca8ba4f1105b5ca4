// The best games: the ten best games finished, each with the recording that holds it, who
// played it and when. A game's result is never taken on trust: it is what the game session
// finds by replaying the recording (see gamesOf), and the table of the ten best is a summary
// that can be made again from the recordings at any time (see rebuild).
//
// Ranked by hits, then by fewer shots spent, then the earlier game first (by its date, then by
// the recording's name and the game's number, so that the order is the same wherever it is
// made).
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "session/games.h"

namespace fenwing::best {

inline constexpr std::size_t kKept = 10;

struct BestGame {
    GameResult result;
    std::string player;     // the name the player gave, as recorded; empty when unknown
    std::string date;       // when it ended, "2026-12-08T21:05:13Z" (UTC); empty when unknown
    std::string recording;  // the name of the recording that holds it
    bool operator==(const BestGame&) const = default;
};

// Whether `a` ranks above `b`.
bool ranksAbove(const BestGame& a, const BestGame& b);
// The kKept best of `games`, best first.
std::vector<BestGame> tenBest(std::vector<BestGame> games);

// What a recording says of itself in its first comment lines (see header()).
struct RecordingInfo {
    std::string player;
    std::optional<std::int64_t> started;  // seconds since 1970 (UTC), when the session began
};
// Comment lines that begin a recording: where it was made, who plays and when the session
// began. The driver skips them; gamesOf reads them.
std::string header(std::string_view where, std::string_view player, std::int64_t started);
// A comment line that names the player: the last one in a recording names the player of all
// its games. playerNote is the same without "# " and the line break, for GameSession::note.
std::string playerLine(std::string_view player);
std::string playerNote(std::string_view player);
RecordingInfo readInfo(std::string_view recording);

// A name as a player may give it: at most kLongestName characters of any script, without
// control characters or invalid UTF-8, not empty. Returns why not, or empty when it is.
inline constexpr std::size_t kLongestName = 40;
std::string nameProblem(std::string_view name);
// The name made fit: control characters and invalid bytes dropped, spaces at the ends trimmed,
// cut to kLongestName characters; "Player" when nothing is left.
std::string cleanName(std::string_view name);

// "2026-12-08T21:05:13Z" for `seconds` since 1970.
std::string isoDate(std::int64_t seconds);

// The games finished in a recording, by replaying it as fenwing-sim does (with the invariants
// checked when `checked`). A recording that stops playing (a bad or cut line, a run-time error,
// a broken invariant) keeps the games finished before; `problem` says what stopped it.
struct Replayed {
    std::vector<BestGame> games;
    std::string problem;  // fenwing-sim's own error line, or empty
};
Replayed gamesOf(std::string_view recording, const std::string& name, bool checked = false);

// The table's text (version 1), a line each game, best first; see docs/internals.md.
std::string formatTable(const std::vector<BestGame>& table);
// The table in `text`, or none when it is not a table of this version (damaged, or from a
// newer game).
std::optional<std::vector<BestGame>> parseTable(std::string_view text);

// The table made again from the recordings (name -> text), and whether the stored one (its
// text, if any) said the same: a table that does not is not believed.
struct Rebuilt {
    std::vector<BestGame> table;
    bool agreed = false;
};
Rebuilt rebuild(const std::map<std::string, std::string>& recordings,
                std::optional<std::string_view> stored);

}  // namespace fenwing::best
