// The board's parts: what it takes from a recording and what it refuses, how it writes names
// into JSON and HTML, its stores (SQLite here; PostgreSQL too when
// FENWING_BOARD_TEST_POSTGRES names a database, as board_test.py does with a cluster of its
// own), and its command line.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <pqxx/pqxx>
#include <sstream>

#include "best/best_games.h"
#include "board/command.h"
#include "board/pages.h"
#include "board/store.h"
#include "board/verify.h"

namespace fenwing::board {
namespace {

std::string fixture(const std::string& name) {
    std::ifstream in(std::string(FENWING_BOARD_RECORDINGS) + "/" + name);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Two whole games, ended by time, and the start of a third.
const std::string kTwoGames =
    "# A session\nversion 1\nseed 7\nadvance 500\nkey F1\nadvance 61000\nkey F1\n"
    "advance 61000\nkey F1\nadvance 1000\nstate\n";

Limits roomy() { return Limits{1 << 20, 100'000, Micros{24} * 3600 * 1'000'000}; }

TEST(BoardVerify, TakesEveryFinishedGameInOrder) {
    const Verdict v = verify(kTwoGames, roomy());
    ASSERT_TRUE(v.taken()) << v.refusal;
    ASSERT_EQ(v.games.size(), 2u);
    EXPECT_EQ(describe(v.games[0]),
              "game 1 from 500 to 60500 ended time hits 0 shots 0 crates 0 clocks 0");
    EXPECT_EQ(v.games[1].number, 2);
    EXPECT_EQ(v.games[1].start, 61'500'000);
}

TEST(BoardVerify, RefusesWhatNoHostWrites) {
    const std::string real = fixture("game-1.sim");
    const std::size_t last = real.rfind("state\n");
    for (const std::string line : {"set Shots 99", "set LblScore2.Caption 99", "fire TmrTime",
                                   "click ImgDuck1", "get Shots"}) {
        const std::string edited = real.substr(0, last) + line + "\n" + real.substr(last);
        const auto number = std::count(edited.begin(), edited.begin() + last, '\n') + 1;
        const Verdict v = verify(edited, roomy());
        EXPECT_FALSE(v.taken()) << line;
        EXPECT_NE(v.refusal.find("line " + std::to_string(number) + ": "), std::string::npos)
            << v.refusal;
        EXPECT_NE(v.refusal.find("'" + line + "'"), std::string::npos) << v.refusal;
    }
    EXPECT_TRUE(verify(real, roomy()).taken());
}

TEST(BoardVerify, TakesTheSeedAndVersionOnlyAtTheBeginning) {
    EXPECT_TRUE(
        verify("# where\nseed 3\nversion 1\n# who\n" + kTwoGames.substr(12), roomy()).taken());
    for (const std::string late : {"seed 9", "version 1"}) {
        const std::string edited = "version 1\nseed 7\nadvance 500\n" + late + "\n" +
                                   kTwoGames.substr(kTwoGames.find("key F1"));
        const Verdict v = verify(edited, roomy());
        EXPECT_EQ(v.refusal, "line 4: '" + late + "' comes only at the beginning of a recording");
    }
}

TEST(BoardVerify, LimitsHoldAtTheirEdges) {
    // Each limit at what kTwoGames uses takes it and one less refuses it; its advances are
    // 0.5 + 61 + 61 + 1 seconds.
    const auto with = [](auto Limits::*limit, auto value) {
        Limits limits = roomy();
        limits.*limit = value;
        return verify(kTwoGames, limits);
    };
    EXPECT_TRUE(with(&Limits::bytes, kTwoGames.size()).taken());
    EXPECT_EQ(with(&Limits::bytes, kTwoGames.size() - 1).refusal,
              "the recording is larger than " + std::to_string(kTwoGames.size() - 1) + " bytes");
    EXPECT_TRUE(with(&Limits::lines, 11u).taken());
    EXPECT_EQ(with(&Limits::lines, 10u).refusal, "the recording has more than 10 lines");
    EXPECT_TRUE(with(&Limits::gameTime, Micros{123'500'000}).taken());
    EXPECT_NE(with(&Limits::gameTime, Micros{123'499'999})
                  .refusal.find("line 10: the recording's time passes"),
              std::string::npos);
    Limits limits = roomy();
    // A stall counts too, although it costs little to replay.
    limits.gameTime = 124'000'000;
    const std::string stalled = kTwoGames.substr(0, kTwoGames.size() - 6) + "stall 1000\nstate\n";
    EXPECT_FALSE(verify(stalled, limits).taken());
}

TEST(BoardVerify, RefusesWhatIsNotText) {
    EXPECT_EQ(verify("", roomy()).refusal, "the recording is empty");
    for (const std::string& bad :
         {std::string("version 1\n\0\n", 12), std::string("# \xff\n"), std::string("# \xc0\x80\n"),
          std::string("# \xed\xa0\x80\n"), std::string("# \xe2\x82\n")}) {
        EXPECT_EQ(verify(bad + kTwoGames, roomy()).refusal,
                  "the recording is not text: it holds bytes that are not UTF-8");
    }
    EXPECT_TRUE(verify("# Zoë, 山田, 🦆\n" + kTwoGames, roomy()).taken());
}

TEST(BoardVerify, RefusesWhatDoesNotReplayToItsEnd) {
    EXPECT_EQ(verify("version 1\nseed 7\nkey F13\n", roomy()).refusal,
              "the recording does not replay: error: recording:3: unknown key 'F13' (F1 to F12, "
              "Del, Enter or a letter)");
    // A game finished before the bad line does not save it.
    EXPECT_FALSE(verify(kTwoGames + "advance x\n", roomy()).taken());
    EXPECT_EQ(verify(kTwoGames.substr(0, kTwoGames.size() - 1), roomy()).refusal,
              "the recording does not replay: error: recording:11: the line has no line break at "
              "its end: it was cut short");
    EXPECT_EQ(verify("version 1\nseed 7\nkey F1\nadvance 59000\nstate\n", roomy()).refusal,
              "the recording holds no finished game (a game is finished when its time or its "
              "shots run out)");
}

TEST(BoardVerify, DigestIsSha256) {
    EXPECT_EQ(digest("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_NE(digest(kTwoGames), digest("# \n" + kTwoGames));
}

TEST(BoardPages, NamesAreEscapedForWhereTheyGo) {
    EXPECT_EQ(jsonString("a\"b\\c\n\x01</script>&"),
              "\"a\\\"b\\\\c\\n\\u0001\\u003c/script\\u003e\\u0026\"");
    EXPECT_EQ(jsonString("Zoë 🦆"), "\"Zoë 🦆\"");
    EXPECT_EQ(htmlEscaped("<b a='1' b=\"2\">&</b>"),
              "&lt;b a=&#39;1&#39; b=&quot;2&quot;&gt;&amp;&lt;/b&gt;");
    EXPECT_EQ(urlEncoded("/api/recordings/7?x=1&y"), "%2Fapi%2Frecordings%2F7%3Fx%3D1%26y");
    EXPECT_EQ(watchUrl("/", "/api/recordings/7"), "/?replay=%2Fapi%2Frecordings%2F7");
    EXPECT_EQ(watchUrl("https://p.example/?mute", "http://b/api/recordings/7"),
              "https://p.example/?mute&replay=http%3A%2F%2Fb%2Fapi%2Frecordings%2F7");
    EXPECT_EQ(watchUrl("", "/api/recordings/7"), "");
}

TEST(BoardPages, TheBoardPageShowsNamesAsText) {
    BoardGame g{3, {}, "<script>x()</script><img src=x onerror=y()>", 1'800'000'000};
    g.result.hits = 7;
    BoardView view{Order::Best, 2, 25, true, {g, g}};
    const std::string html = boardPage(view, {"/?replay=%2Fapi%2Frecordings%2F3", ""});
    for (const char* markup : {"<script", "<img"})
        EXPECT_EQ(html.find(markup), std::string::npos) << markup;
    // Ranked from the page's first place; one Watch link, where there is a page to watch in.
    for (const char* shown :
         {"&lt;script&gt;x()&lt;/script&gt;&lt;img src=x onerror=y()&gt;", "<td>26</td>",
          "<td>27</td>", ">Watch</a>", "page=1\">Previous</a>", "page=3\">Next</a>"})
        EXPECT_NE(html.find(shown), std::string::npos) << shown;
    EXPECT_EQ(html.find(">Watch</a>"), html.rfind(">Watch</a>"));
    const std::string json = gameJson(g, 26, "");
    EXPECT_NE(json.find("\"line\":\"" + describe(g.result) + "\""), std::string::npos);
    EXPECT_NE(json.find("\"rank\":26,"), std::string::npos);
    EXPECT_EQ(json.find("watch"), std::string::npos);
}

// The stores, each from empty.
class StoreTest : public testing::TestWithParam<std::string> {
  protected:
    void SetUp() override {
        if (GetParam() == "postgres") {
            const char* connection = std::getenv("FENWING_BOARD_TEST_POSTGRES");
            if (!connection || !*connection)
                GTEST_SKIP() << "FENWING_BOARD_TEST_POSTGRES names no database";
            connection_ = connection;
            exec("DROP TABLE IF EXISTS games, recordings, post_counts, board_schema");
        } else {
            folder_ = std::filesystem::temp_directory_path() /
                      ("fenwing-board-store-" + std::to_string(::getpid()));
            std::filesystem::remove_all(folder_);
        }
        store_ = open();
    }
    void TearDown() override {
        store_.reset();
        if (!folder_.empty()) std::filesystem::remove_all(folder_);
    }
    std::unique_ptr<Store> open() {
        return GetParam() == "postgres" ? openPostgres(connection_) : openSqlite(folder_);
    }
    // Runs one statement on the store's database behind its back.
    void exec(const std::string& sql) {
        if (GetParam() == "postgres") {
            pqxx::connection c(connection_);
            pqxx::work w(c);
            w.exec(sql);
            w.commit();
            return;
        }
        sqlite3* db = nullptr;
        sqlite3_open((folder_ / "board.sqlite3").c_str(), &db);
        sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
        sqlite3_close(db);
    }
    void setVersion(int version) {
        exec("UPDATE board_schema SET version = " + std::to_string(version));
    }

    static GameResult game(int number, int hits, int shots) {
        return {.number = number,
                .start = number * 1000,
                .end = number * 1000 + 60'000'000,
                .ending = number % 2 ? GameResult::Ending::Time : GameResult::Ending::Shots,
                .hits = hits,
                .shots = shots};
    }
    Kept keep(const std::string& text, std::int64_t posted, std::vector<GameResult> games,
              const std::string& player = "P") {
        return store_->keep({text, digest(text), player, posted, std::move(games)});
    }

    std::unique_ptr<Store> store_;
    std::filesystem::path folder_;
    std::string connection_;
};

TEST_P(StoreTest, KeepsARecordingOnceWithItsGames) {
    const Kept first = keep("one\n", 100, {game(1, 5, 9), game(3, 2, 2)}, "Zoë 🦆 '\";--");
    EXPECT_FALSE(first.already);
    const Kept again = keep("one\n", 200, {game(1, 99, 1)}, "Other");
    EXPECT_TRUE(again.already);
    EXPECT_EQ(again.recording, first.recording);
    const std::vector<BoardGame> games = store_->gamesIn(first.recording);
    ASSERT_EQ(games.size(), 2u);
    EXPECT_EQ(games[0], (BoardGame{first.recording, game(1, 5, 9), "Zoë 🦆 '\";--", 100}));
    EXPECT_EQ(games[1].result, game(3, 2, 2));
    EXPECT_EQ(store_->recording(first.recording), "one\n");
    EXPECT_EQ(store_->recordingWithDigest(digest("one\n")), first.recording);
    EXPECT_EQ(store_->recordingWithDigest(digest("two\n")), std::nullopt);
    EXPECT_EQ(store_->recording(first.recording + 1), std::nullopt);
    EXPECT_EQ(store_->games(Order::Best, 0, 100).size(), 2u);
}

TEST_P(StoreTest, BestFirstIsTheBestGamesOrder) {
    // Ties on hits, on shots, on the moment posted, and several games in one recording.
    const std::vector<std::pair<std::int64_t, std::vector<GameResult>>> posts = {
        {500, {game(1, 10, 20), game(2, 12, 25)}}, {400, {game(1, 10, 20)}},
        {400, {game(2, 10, 19), game(1, 10, 20)}}, {300, {game(1, 3, 3)}},
        {600, {game(4, 12, 25), game(5, 12, 24)}},
    };
    std::vector<best::BestGame> ranked;
    for (std::size_t i = 0; i < posts.size(); ++i) {
        const Kept k = keep("rec " + std::to_string(i), posts[i].first, posts[i].second);
        for (const GameResult& r : posts[i].second) {
            char id[24];
            std::snprintf(id, sizeof id, "%020lld", static_cast<long long>(k.recording));
            ranked.push_back({r, "P", best::isoDate(posts[i].first), id});
        }
    }
    std::sort(ranked.begin(), ranked.end(), best::ranksAbove);
    std::vector<BoardGame> board;
    for (int offset = 0; offset < 10; offset += 3) {
        auto page = store_->games(Order::Best, offset, 3);
        board.insert(board.end(), page.begin(), page.end());
    }
    ASSERT_EQ(board.size(), ranked.size());
    for (std::size_t i = 0; i < board.size(); ++i) {
        EXPECT_EQ(board[i].result, ranked[i].result) << "place " << i + 1;
        EXPECT_EQ(best::isoDate(board[i].posted), ranked[i].date) << "place " << i + 1;
        EXPECT_EQ(board[i].recording, std::stoll(ranked[i].recording)) << "place " << i + 1;
    }
    const std::vector<BoardGame> newest = store_->games(Order::Newest, 0, 3);
    ASSERT_EQ(newest.size(), 3u);
    EXPECT_EQ(newest[0].result.number, 5);
    EXPECT_EQ(newest[1].result.number, 4);
    EXPECT_EQ(newest[2].recording, newest[0].recording - 1);
}

TEST_P(StoreTest, CountsPostsPerAddressAndMinute) {
    EXPECT_EQ(store_->countPost("10.0.0.1", 1000), 1);
    EXPECT_EQ(store_->countPost("10.0.0.1", 1000), 2);
    EXPECT_EQ(store_->countPost("10.0.0.2'; --", 1000), 1);
    EXPECT_EQ(store_->countPost("10.0.0.1", 1001), 1);
    EXPECT_EQ(store_->countPost("10.0.0.1", 1000), 3);  // a minute is kept while the next runs
    EXPECT_EQ(store_->countPost("10.0.0.1", 1002), 1);
    EXPECT_EQ(store_->countPost("10.0.0.1", 1000), 1);  // and forgotten after
}

TEST_P(StoreTest, KeepsItsSchemaAndRefusesANewerOne) {
    EXPECT_EQ(store_->schemaVersion(), 1);
    const Kept k = keep("kept\n", 1, {game(1, 1, 1)});
    store_.reset();
    store_ = open();  // opened again: migrated once, nothing lost
    EXPECT_EQ(store_->schemaVersion(), 1);
    EXPECT_EQ(store_->recording(k.recording), "kept\n");
    store_.reset();
    setVersion(2);
    try {
        open();
        ADD_FAILURE() << "a store of a newer schema opened";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("schema version 2, newer than this board's 1"),
                  std::string::npos)
            << e.what();
    }
    setVersion(1);
}

INSTANTIATE_TEST_SUITE_P(Stores, StoreTest, testing::Values("sqlite", "postgres"),
                         [](const auto& info) { return info.param; });

TEST(BoardStore, AServerThatCannotBeReachedIsUnavailable) {
    EXPECT_THROW(openPostgres("host=/nonexistent-fenwing port=1 connect_timeout=2"), Unavailable);
}

// What lookUp finds in the environment.
std::map<std::string, std::string> environment;
std::string lookUp(const char* name) {
    const auto found = environment.find(name);
    return found == environment.end() ? std::string() : found->second;
}

// The values typed are not checked here: board_test.py serves with them.
TEST(BoardCommand, ServeOptions) {
    std::ostringstream err;
    environment = {};
    auto c = serveOptions({"serve", "--data", "d", "--port", "0", "--page", "p",
                           "--posts-per-minute", "0", "--max-minutes", "5"},
                          lookUp, err);
    ASSERT_TRUE(c) << err.str();
    EXPECT_EQ(c->options.listen, "127.0.0.1");
    EXPECT_EQ(c->options.limits.gameTime, Micros{5} * 60'000'000);
    EXPECT_FALSE(serveOptions({}, lookUp, err));  // nowhere to keep the board
    environment = {{"STATE_DIRECTORY", "/var/lib/b"}};
    EXPECT_EQ(serveOptions({}, lookUp, err)->data, "/var/lib/b");
    environment = {{"FENWING_BOARD_POSTGRES", "dbname=b"}};
    EXPECT_EQ(serveOptions({}, lookUp, err)->postgres, "dbname=b");
    environment = {{"HOME", "/home/p"}, {"XDG_DATA_HOME", "/xdg"}};
    EXPECT_EQ(serveOptions({}, lookUp, err)->data, "/xdg/fenwing-board");
    for (const std::string bad :
         {"--port 70000", "--port", "--max-bytes 0", "--threads x", "--data a --postgres b",
          "--page a --page-url b", "--bogus 1", "stray"}) {
        std::vector<std::string> args;
        std::istringstream words(bad);
        for (std::string word; words >> word;) args.push_back(word);
        std::ostringstream said;
        EXPECT_FALSE(serveOptions(args, lookUp, said)) << bad;
        EXPECT_NE(said.str().find("Usage: fenwing-board"), std::string::npos);
    }
}

}  // namespace
}  // namespace fenwing::board
