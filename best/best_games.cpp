#include "best/best_games.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <sstream>
#include <tuple>

#include "session/driver.h"
#include "session/quote.h"

namespace fenwing::best {

namespace {

constexpr std::string_view kTableHeader = "fenwing best games 1";
constexpr std::string_view kColumns =
    "# rank\thits\tshots\tcrates\tclocks\tended\tfrom_ms\tto_ms\tdate\trecording\tgame\tplayer";
constexpr std::string_view kPlayer = "# player: ";
constexpr std::string_view kStarted = "# started: ";

// A control character: C0, DEL, C1, and the line and paragraph separators.
bool isControl(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029;
}

std::vector<std::string_view> split(std::string_view line, char by) {
    std::vector<std::string_view> parts;
    for (std::size_t from = 0;;) {
        const std::size_t to = line.find(by, from);
        parts.push_back(line.substr(from, to - from));
        if (to == std::string_view::npos) return parts;
        from = to + 1;
    }
}

template <typename Number>
bool number(std::string_view text, Number& out) {
    const char* end = text.data() + text.size();
    auto [at, error] = std::from_chars(text.data(), end, out);
    return error == std::errc() && at == end && !text.empty();
}

// Milliseconds as written by script::millis, back to microseconds.
bool micros(std::string_view text, Micros& out) {
    const std::size_t dot = text.find('.');
    Micros whole = 0, part = 0;
    if (!number(text.substr(0, dot), whole) || whole < 0) return false;
    if (dot != std::string_view::npos) {
        const std::string_view digits = text.substr(dot + 1);
        if (digits.empty() || digits.size() > 3 || !number(digits, part)) return false;
        for (std::size_t k = digits.size(); k < 3; ++k) part *= 10;
    }
    out = whole * 1000 + part;
    return true;
}

std::vector<std::string_view> lines(std::string_view text) {
    std::vector<std::string_view> out = split(text, '\n');
    if (!out.empty() && out.back().empty()) out.pop_back();
    return out;
}

}  // namespace

bool ranksAbove(const BestGame& a, const BestGame& b) {
    // An unknown date counts as later than any known one.
    const auto key = [](const BestGame& g) {
        return std::make_tuple(-g.result.hits, g.result.shots, g.date.empty(), g.date, g.recording,
                               g.result.number);
    };
    return key(a) < key(b);
}

std::vector<BestGame> tenBest(std::vector<BestGame> games) {
    std::sort(games.begin(), games.end(), ranksAbove);
    games.erase(std::unique(games.begin(), games.end(),
                            [](const BestGame& a, const BestGame& b) {
                                return a.recording == b.recording &&
                                       a.result.number == b.result.number;
                            }),
                games.end());
    if (games.size() > kKept) games.resize(kKept);
    return games;
}

std::string header(std::string_view where, std::string_view player, std::int64_t started) {
    return "# " + std::string(where) + "\n" + playerLine(player) + std::string(kStarted) +
           isoDate(started) + "\n";
}

std::string playerLine(std::string_view player) { return "# " + playerNote(player) + "\n"; }

std::string playerNote(std::string_view player) {
    return std::string(kPlayer.substr(2)) + cleanName(player);
}

RecordingInfo readInfo(std::string_view recording) {
    RecordingInfo info;
    for (std::string_view line : lines(recording)) {
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.substr(0, kPlayer.size()) == kPlayer) {
            info.player = cleanName(line.substr(kPlayer.size()));
        } else if (line.substr(0, kStarted.size()) == kStarted && !info.started) {
            // "2026-12-08T21:05:13Z": days from the civil date, then the time of day.
            const std::string_view d = line.substr(kStarted.size());
            int y = 0, mo = 0, da = 0, h = 0, mi = 0, s = 0;
            if (d.size() != 20 || d[4] != '-' || d[7] != '-' || d[10] != 'T' || d[13] != ':' ||
                d[16] != ':' || d[19] != 'Z' || !number(d.substr(0, 4), y) ||
                !number(d.substr(5, 2), mo) || !number(d.substr(8, 2), da) ||
                !number(d.substr(11, 2), h) || !number(d.substr(14, 2), mi) ||
                !number(d.substr(17, 2), s) || mo < 1 || mo > 12 || da < 1 || da > 31 || h > 23 ||
                mi > 59 || s > 59)
                continue;
            const int yy = y - (mo <= 2);
            const int era = (yy >= 0 ? yy : yy - 399) / 400;
            const int yoe = yy - era * 400;
            const int doy = (153 * (mo + (mo > 2 ? -3 : 9)) + 2) / 5 + da - 1;
            const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
            const std::int64_t days = std::int64_t(era) * 146097 + doe - 719468;
            info.started = days * 86400 + h * 3600 + mi * 60 + s;
        }
    }
    return info;
}

std::string nameProblem(std::string_view name) {
    if (name.empty()) return "the name is empty";
    std::size_t characters = 0;
    for (std::size_t i = 0; i < name.size(); ++characters) {
        char32_t c = 0;
        const std::size_t n = decodeUtf8(name.substr(i), c);
        if (n == 0) return "the name is not UTF-8 text";
        if (isControl(c)) return "the name has a control character";
        i += n;
    }
    if (characters > kLongestName)
        return "the name is longer than " + std::to_string(kLongestName) + " characters";
    if (name.front() == ' ' || name.back() == ' ') return "the name begins or ends with a space";
    return {};
}

std::string cleanName(std::string_view name) {
    std::string out;
    std::size_t characters = 0;
    for (std::size_t i = 0; i < name.size() && characters < kLongestName;) {
        char32_t c = 0;
        const std::size_t n = decodeUtf8(name.substr(i), c);
        if (n == 0) {
            ++i;
            continue;
        }
        if (!isControl(c) && !(out.empty() && c == ' ')) {
            out += name.substr(i, n);
            ++characters;
        }
        i += n;
    }
    while (!out.empty() && out.back() == ' ') out.pop_back();
    return out.empty() ? "Player" : out;
}

std::string isoDate(std::int64_t seconds) {
    // The civil date of a day count from 1970-01-01.
    const std::int64_t z = (seconds >= 0 ? seconds : seconds - 86399) / 86400 + 719468;
    const std::int64_t secondOfDay = seconds - (z - 719468) * 86400;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const std::int64_t day = doy - (153 * mp + 2) / 5 + 1;
    const std::int64_t month = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t year = yoe + era * 400 + (month <= 2);
    char text[96];
    std::snprintf(text, sizeof text, "%04lld-%02lld-%02lldT%02lld:%02lld:%02lldZ",
                  static_cast<long long>(year), static_cast<long long>(month),
                  static_cast<long long>(day), static_cast<long long>(secondOfDay / 3600),
                  static_cast<long long>(secondOfDay / 60 % 60),
                  static_cast<long long>(secondOfDay % 60));
    return text;
}

Replayed gamesOf(std::string_view recording, const std::string& name, bool checked) {
    std::ostringstream out, err;
    ScriptDriver driver(out, err);
    if (checked) driver.checkInvariants();
    std::istringstream in{std::string(recording)};
    const ScriptDriver::Status status = driver.run(in, name);
    Replayed replayed;
    if (status == ScriptDriver::Status::BadCommand ||
        status == ScriptDriver::Status::RuntimeError ||
        status == ScriptDriver::Status::CheckFailed) {
        replayed.problem = err.str();
        while (!replayed.problem.empty() && replayed.problem.back() == '\n')
            replayed.problem.pop_back();
    }
    const RecordingInfo info = readInfo(recording);
    for (const GameResult& game : driver.session().games().finished()) {
        BestGame best{game, info.player, {}, name};
        if (info.started) best.date = isoDate(*info.started + game.end / 1'000'000);
        replayed.games.push_back(std::move(best));
    }
    return replayed;
}

std::string formatTable(const std::vector<BestGame>& table) {
    std::string text = std::string(kTableHeader) + "\n" + std::string(kColumns) + "\n";
    int rank = 0;
    for (const BestGame& g : table) {
        const GameResult& r = g.result;
        text += std::to_string(++rank) + '\t' + std::to_string(r.hits) + '\t' +
                std::to_string(r.shots) + '\t' + std::to_string(r.crates) + '\t' +
                std::to_string(r.clocks) + '\t' + endingName(r.ending) + '\t' +
                script::millis(r.start) + '\t' + script::millis(r.end) + '\t' + g.date + '\t' +
                g.recording + '\t' + std::to_string(r.number) + '\t' + g.player + '\n';
    }
    return text;
}

std::optional<std::vector<BestGame>> parseTable(std::string_view text) {
    const std::vector<std::string_view> rows = lines(text);
    if (rows.size() < 2 || rows[0] != kTableHeader || rows[1] != kColumns) return std::nullopt;
    std::vector<BestGame> table;
    for (std::size_t i = 2; i < rows.size(); ++i) {
        const std::vector<std::string_view> f = split(rows[i], '\t');
        if (f.size() != 12) return std::nullopt;
        BestGame g;
        GameResult& r = g.result;
        std::size_t rank = 0;
        const auto ending = endingNamed(std::string(f[5]));
        if (!number(f[0], rank) || rank != table.size() + 1 || !number(f[1], r.hits) ||
            !number(f[2], r.shots) || !number(f[3], r.crates) || !number(f[4], r.clocks) ||
            !ending || !micros(f[6], r.start) || !micros(f[7], r.end) || !number(f[10], r.number) ||
            f[9].empty() || (!f[11].empty() && !nameProblem(f[11]).empty()))
            return std::nullopt;
        r.ending = *ending;
        g.date = f[8];
        g.recording = f[9];
        g.player = f[11];
        table.push_back(std::move(g));
    }
    if (table.size() > kKept) return std::nullopt;
    return table;
}

Rebuilt rebuild(const std::map<std::string, std::string>& recordings,
                std::optional<std::string_view> stored) {
    std::vector<BestGame> all;
    for (const auto& [name, text] : recordings) {
        Replayed replayed = gamesOf(text, name);
        all.insert(all.end(), replayed.games.begin(), replayed.games.end());
    }
    Rebuilt rebuilt{tenBest(std::move(all)), false};
    if (stored) {
        const auto table = parseTable(*stored);
        rebuilt.agreed = table && *table == rebuilt.table;
    }
    return rebuilt;
}

}  // namespace fenwing::best
