#include "board/pages.h"

#include <cstdio>

#include "best/best_games.h"
#include "session/command.h"

namespace fenwing::board {

std::string jsonString(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            default:
                if (byte < 0x20 || c == '<' || c == '>' || c == '&' || byte == 0x7F) {
                    char escape[8];
                    std::snprintf(escape, sizeof escape, "\\u%04x", byte);
                    out += escape;
                } else {
                    out += c;
                }
        }
    }
    return out + '"';
}

std::string htmlEscaped(std::string_view text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string urlEncoded(std::string_view text) {
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
            c == '-' || c == '.' || c == '_' || c == '~') {
            out += c;
        } else {
            char escape[4];
            std::snprintf(escape, sizeof escape, "%%%02X", byte);
            out += escape;
        }
    }
    return out;
}

std::string watchUrl(const std::string& page, const std::string& recordingUrl) {
    if (page.empty()) return {};
    return page + (page.find('?') == std::string::npos ? "?" : "&") +
           "replay=" + urlEncoded(recordingUrl);
}

std::string gameJson(const BoardGame& g, std::int64_t rank, const std::string& watch) {
    const GameResult& r = g.result;
    std::string out = "{";
    if (rank > 0) out += "\"rank\":" + std::to_string(rank) + ",";
    out += "\"recording\":" + std::to_string(g.recording) +
           ",\"game\":" + std::to_string(r.number) + ",\"player\":" + jsonString(g.player) +
           ",\"hits\":" + std::to_string(r.hits) + ",\"shots\":" + std::to_string(r.shots) +
           ",\"crates\":" + std::to_string(r.crates) + ",\"clocks\":" + std::to_string(r.clocks) +
           ",\"ended\":" + jsonString(endingName(r.ending)) +
           ",\"from_ms\":" + script::millis(r.start) + ",\"to_ms\":" + script::millis(r.end) +
           ",\"posted\":" + jsonString(best::isoDate(g.posted)) +
           ",\"line\":" + jsonString(describe(r)) +
           ",\"recording_url\":" + jsonString("/api/recordings/" + std::to_string(g.recording));
    if (!watch.empty()) out += ",\"watch\":" + jsonString(watch);
    return out + "}";
}

namespace {

std::string boardLink(Order order, std::int64_t page, const char* text) {
    return "<a href=\"/board?order=" + std::string(order == Order::Best ? "best" : "newest") +
           "&amp;page=" + std::to_string(page) + "\">" + text + "</a>";
}

}  // namespace

std::string boardPage(const BoardView& view, const std::vector<std::string>& watch) {
    const bool best = view.order == Order::Best;
    std::string html =
        "<!doctype html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
        "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
        "<title>Fenwing: the board</title>\n<link rel=\"stylesheet\" href=\"/board.css\">\n"
        "</head>\n<body>\n<h1>The board</h1>\n"
        "<p>Every game here is what the board found by replaying its recording, tick for tick, "
        "never a score that someone sent.</p>\n<nav class=\"order\">";
    html += best ? "<strong>Best first</strong> · " + boardLink(Order::Newest, 1, "Newest first")
                 : boardLink(Order::Best, 1, "Best first") + " · <strong>Newest first</strong>";
    html +=
        "</nav>\n<table id=\"board\">\n<thead><tr><th>#</th><th>Player</th><th>Hits</th>"
        "<th>Shots</th><th>Crates</th><th>Clocks</th><th>Ended</th><th>Posted (UTC)</th>"
        "<th></th></tr></thead>\n<tbody>\n";
    for (std::size_t i = 0; i < view.games.size(); ++i) {
        const BoardGame& g = view.games[i];
        const GameResult& r = g.result;
        const std::string recording = "/api/recordings/" + std::to_string(g.recording);
        html += "<tr data-recording=\"" + std::to_string(g.recording) + "\" data-game=\"" +
                std::to_string(r.number) + "\"><td>" +
                (best ? std::to_string((view.page - 1) * view.per + std::int64_t(i) + 1) : "") +
                "</td><td class=\"player\">" + htmlEscaped(g.player) + "</td><td>" +
                std::to_string(r.hits) + "</td><td>" + std::to_string(r.shots) + "</td><td>" +
                std::to_string(r.crates) + "</td><td>" + std::to_string(r.clocks) + "</td><td>" +
                endingName(r.ending) + "</td><td>" + best::isoDate(g.posted).replace(10, 1, " ") +
                "</td><td>";
        if (i < watch.size() && !watch[i].empty())
            html += "<a class=\"watch\" href=\"" + htmlEscaped(watch[i]) + "\">Watch</a> ";
        html += "<a class=\"recording\" href=\"" + recording + "\">Recording</a></td></tr>\n";
    }
    if (view.games.empty()) html += "<tr><td colspan=\"9\">No games here yet.</td></tr>\n";
    html += "</tbody>\n</table>\n<nav class=\"pages\">";
    if (view.page > 1) html += boardLink(view.order, view.page - 1, "Previous");
    if (view.page > 1 && view.more) html += " · ";
    if (view.more) html += boardLink(view.order, view.page + 1, "Next");
    html +=
        "</nav>\n<p class=\"how\">To post a game, choose it in the game's best games (F6) and "
        "press Post to the board (in the window: Post to Board\u2026 with this board's "
        "address), or send its recording: "
        "<code>fenwing-board post ADDRESS FILE --name NAME</code>, or "
        "<code>POST /api/recordings?name=NAME</code> with the recording as the body.</p>\n"
        "</body>\n</html>\n";
    return html;
}

std::string_view boardStyle() {
    return "body { font: 16px/1.4 \"Liberation Sans\", Arial, sans-serif; margin: 2em auto; "
           "max-width: 60em; padding: 0 1em; color: #222; background: #f4f4ef; }\n"
           "table { border-collapse: collapse; width: 100%; margin: 1em 0; }\n"
           "th, td { padding: 0.3em 0.6em; border-bottom: 1px solid #ccc; text-align: right; }\n"
           "th:nth-child(2), td.player { text-align: left; }\n"
           "td.player { white-space: pre-wrap; overflow-wrap: anywhere; }\n"
           "tbody tr:nth-child(odd) { background: #fff; }\n"
           "nav { margin: 0.5em 0; }\n"
           "code { background: #e8e8e0; padding: 0 0.2em; }\n";
}

}  // namespace fenwing::board
