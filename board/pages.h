// What the board answers, as text: JSON for programs, the board page in HTML for people. Every
// name that a player gave is escaped for where it goes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "board/store.h"

namespace fenwing::board {

// `text` as a JSON string, quotes included; '<', '>' and '&' escaped too, so that it is safe
// wherever the JSON is put.
std::string jsonString(std::string_view text);
// `text` for HTML text or a quoted attribute.
std::string htmlEscaped(std::string_view text);
// `text` for a URL's query value (RFC 3986's unreserved characters kept).
std::string urlEncoded(std::string_view text);

// Where a game's recording is played in the page: `page` (the page's address, "/" when the
// board serves it) with `?replay=` and the recording's address, `recordingUrl`. Empty when
// `page` is.
std::string watchUrl(const std::string& page, const std::string& recordingUrl);

// One game as a JSON object: its recording and number, the player, the result, when it was
// posted, fenwing-sim --games's line for it, and `rank` when it is not 0.
std::string gameJson(const BoardGame& game, std::int64_t rank, const std::string& watch);

// The board page: `games`, the `page`th page of `per` games in `order`; `more` when a next page
// exists. `watch` gives each recording's Watch address, or empty for none.
struct BoardView {
    Order order = Order::Best;
    std::int64_t page = 1;
    int per = 25;
    bool more = false;
    std::vector<BoardGame> games;
};
std::string boardPage(const BoardView& view,
                      const std::vector<std::string>& watch);  // one per game
// Its style sheet.
std::string_view boardStyle();

}  // namespace fenwing::board
