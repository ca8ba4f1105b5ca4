#include "board/verify.h"

#include <openssl/evp.h>

#include <optional>
#include <sstream>
#include <stdexcept>

#include "best/best_games.h"
#include "session/parser.h"
#include "session/quote.h"
#include "session/reader.h"

namespace fenwing::board {

namespace {

// The commands that a host writes into a recording (session/recorder.h): the player's clicks at
// points, menu items and keys, the time between, the generator's state and the language's
// version at the beginning, and the state at the end. A test script's own commands are not
// among them: `set` and `fire` would change the game by hand, `click NAME` would hit a duck
// wherever it is, and `get` is a question no recording asks.
bool hostWrites(script::Verb verb) {
    using script::Verb;
    switch (verb) {
        case Verb::Menu:
        case Verb::Key:
        case Verb::ClickAt:
        case Verb::Advance:
        case Verb::Stall:
        case Verb::Seed:
        case Verb::Version:
        case Verb::State:
            return true;
        case Verb::Click:
        case Verb::Fire:
        case Verb::Get:
        case Verb::Set:
            return false;
    }
    return false;
}

std::string minutes(Micros micros) { return std::to_string(micros / 60'000'000); }

// Why the lines of `text` are not a recording the board replays, or nothing. A line that the
// language refuses ends the look here: the replay stops at it too, and says why in the driver's
// words.
std::optional<std::string> outsideLimits(std::string_view text, const Limits& limits) {
    std::istringstream in{std::string(text)};
    script::LineReader reader(in);
    script::Parser parser;
    std::string line;
    Micros time = 0;
    bool begun = false;  // past the version and the seed that begin a recording
    try {
        for (bool complete = true; reader.next(line, complete);) {
            const int number = reader.number();
            if (static_cast<std::size_t>(number) > limits.lines)
                return "the recording has more than " + std::to_string(limits.lines) + " lines";
            const std::optional<script::Command> command = parser.parse(line, complete);
            if (!command) continue;
            const std::string where = "line " + std::to_string(number) + ": ";
            if (!hostWrites(command->verb))
                return where + "a recording holds only what the player did and the time " +
                       "between, not " + quote(line);
            const bool opening =
                command->verb == script::Verb::Version || command->verb == script::Verb::Seed;
            if (opening && begun)
                return where + quote(line) + " comes only at the beginning of a recording";
            begun = begun || !opening;
            time += command->micros;
            if (time > limits.gameTime)
                return where + "the recording's time passes " + minutes(limits.gameTime) +
                       " minutes, longer than the board replays";
        }
    } catch (const std::invalid_argument&) {
        // The replay stops at this line and says why.
    }
    return std::nullopt;
}

}  // namespace

bool isText(std::string_view s) {
    for (std::size_t i = 0; i < s.size();) {
        char32_t c = 0;
        const std::size_t n = decodeUtf8(s.substr(i), c);
        if (n == 0 || c == 0) return false;
        i += n;
    }
    return true;
}

std::string digest(std::string_view text) {
    unsigned char sum[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (EVP_Digest(text.data(), text.size(), sum, &size, EVP_sha256(), nullptr) != 1)
        throw std::runtime_error("SHA-256 failed");
    static constexpr char kHex[] = "0123456789abcdef";
    std::string hex;
    for (unsigned int i = 0; i < size; ++i) {
        hex += kHex[sum[i] >> 4];
        hex += kHex[sum[i] & 15];
    }
    return hex;
}

Verdict verify(std::string_view text, const Limits& limits) {
    Verdict verdict;
    if (text.empty()) {
        verdict.refusal = "the recording is empty";
    } else if (text.size() > limits.bytes) {
        verdict.refusal = "the recording is larger than " + std::to_string(limits.bytes) + " bytes";
    } else if (!isText(text)) {
        verdict.refusal = "the recording is not text: it holds bytes that are not UTF-8";
    } else if (auto problem = outsideLimits(text, limits)) {
        verdict.refusal = *problem;
    }
    if (!verdict.taken()) return verdict;

    best::Replayed replayed;
    try {
        replayed = best::gamesOf(text, "recording", /*checked=*/true);
    } catch (const script::ReadError& e) {
        replayed.problem = "the recording cannot be read: " + e.reason;
    }
    if (!replayed.problem.empty()) {
        verdict.refusal = "the recording does not replay: " + replayed.problem;
    } else if (replayed.games.empty()) {
        verdict.refusal =
            "the recording holds no finished game (a game is finished when its time or its "
            "shots run out)";
    }
    if (verdict.taken())
        for (const best::BestGame& game : replayed.games) verdict.games.push_back(game.result);
    return verdict;
}

}  // namespace fenwing::board
