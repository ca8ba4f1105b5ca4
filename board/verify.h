// What the board takes from a posted recording: the games that the game session finds by
// replaying it with its invariants checked (best::gamesOf), never what a client says of them.
// A recording is refused, with one reason, when it is not one: too big, too long to replay,
// not text, holding what no host writes (a `set` could fake hits), not replaying to its end, or
// holding no finished game.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "host/scheduler.h"
#include "session/games.h"

namespace fenwing::board {

// How much a posted recording may ask of the board, so that replaying it takes bounded time.
struct Limits {
    std::size_t bytes = 1 << 20;                     // its size
    std::size_t lines = 50'000;                      // its lines, comments included
    Micros gameTime = Micros{2} * 3600 * 1'000'000;  // its advances and stalls together
};

struct Verdict {
    std::vector<GameResult> games;  // the games it finished, in order
    std::string refusal;            // why it is refused, or empty when it is taken
    bool taken() const { return refusal.empty(); }
};

// Replays `text` as the board does and says what it holds.
Verdict verify(std::string_view text, const Limits& limits);

// The SHA-256 of `text` in lower-case hexadecimal: one recording, however often it is posted.
std::string digest(std::string_view text);

// Whether `text` is UTF-8 without NUL bytes.
bool isText(std::string_view text);

}  // namespace fenwing::board
