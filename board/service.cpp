#include "board/service.h"

#include <httplib.h>

#include <algorithm>
#include <charconv>
#include <condition_variable>
#include <ctime>
#include <iostream>
#include <mutex>
#include <thread>

#include "best/best_games.h"
#include "board/pages.h"

namespace fenwing::board {

namespace {

constexpr int kBoardRows = 25;
constexpr int kMostPerPage = 100;
constexpr std::int64_t kLastPage = 1'000'000;
constexpr const char* kJson = "application/json; charset=utf-8";
constexpr const char* kText = "text/plain; charset=utf-8";

// A client that asks for plain text (as `fenwing-board post` does) gets its answers so.
bool wantsText(const httplib::Request& req) {
    const std::string accept = req.get_header_value("Accept");
    return accept.find("text/plain") != std::string::npos &&
           accept.find("json") == std::string::npos;
}

void answer(const httplib::Request& req, httplib::Response& res, int status,
            const std::string& json, const std::string& text) {
    res.status = status;
    if (wantsText(req))
        res.set_content(text, kText);
    else
        res.set_content(json, kJson);
}

void refuse(const httplib::Request& req, httplib::Response& res, int status,
            const std::string& reason) {
    answer(req, res, status, "{\"error\":" + jsonString(reason) + "}\n", reason + "\n");
}

// A whole number from `low` to `high` in the query's `name`, `fallback` when it is absent.
std::optional<std::int64_t> whole(const httplib::Request& req, const char* name,
                                  std::int64_t fallback, std::int64_t low, std::int64_t high) {
    if (!req.has_param(name)) return fallback;
    const std::string text = req.get_param_value(name);
    std::int64_t n = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), n);
    if (error != std::errc() || end != text.data() + text.size() || n < low || n > high)
        return std::nullopt;
    return n;
}

std::optional<Order> orderOf(const httplib::Request& req) {
    const std::string order = req.has_param("order") ? req.get_param_value("order") : "best";
    if (order == "best") return Order::Best;
    if (order == "newest") return Order::Newest;
    return std::nullopt;
}

std::string statusReason(int status, std::size_t largest) {
    switch (status) {
        case 400:
            return "the request is malformed";
        case 404:
            return "there is no such page on the board";
        case 405:
            return "the board does not take that method there";
        case 413:
            return "the body is larger than the board takes (" + std::to_string(largest) +
                   " bytes)";
        case 414:
            return "the address is too long";
        default:
            return "the board could not answer (HTTP " + std::to_string(status) + ")";
    }
}

// At most `slots` replays at once, the others waiting their turn in the order they came: a
// post that comes first is replayed first, however many wait.
class Turns {
  public:
    explicit Turns(int slots) : admitted_(static_cast<std::uint64_t>(slots)) {}
    void enter() {
        std::unique_lock lock(mutex_);
        const std::uint64_t ticket = next_++;
        turn_.wait(lock, [&] { return ticket < admitted_; });
    }
    void leave() {
        {
            std::lock_guard lock(mutex_);
            ++admitted_;
        }
        turn_.notify_all();
    }

  private:
    std::mutex mutex_;
    std::condition_variable turn_;
    std::uint64_t next_ = 0, admitted_;
};

// The page's HTML, as the board serves it, carries <meta name="fenwing-board">.
void markServedPage(httplib::Response& res) {
    if (res.get_header_value("Content-Type").rfind("text/html", 0) != 0) return;
    const std::size_t head = res.body.find("</head>");
    if (head != std::string::npos)
        res.body.insert(head, "<meta name=\"fenwing-board\" content=\"\">\n");
}

}  // namespace

class Service::Impl {
  public:
    Impl(Store& store, Options options)
        : store_(store),
          o_(std::move(options)),
          replays_(o_.replays > 0
                       ? o_.replays
                       : std::max(1, static_cast<int>(std::thread::hardware_concurrency()))) {
        const int threads = std::max(2, o_.threads);
        server_.new_task_queue = [threads] { return new httplib::ThreadPool(threads); };
        // A form's encoding may take up to three bytes for each of the recording's.
        largestBody_ = 3 * o_.limits.bytes + 65536;
        server_.set_payload_max_length(largestBody_);
        server_.set_read_timeout(10, 0);
        server_.set_write_timeout(10, 0);
        server_.set_keep_alive_max_count(10'000);
        // An answer's head and body go out in two writes: without this the second waits for the
        // client to acknowledge the first, 40 ms on Linux.
        server_.set_tcp_nodelay(true);
        server_.set_default_headers({{"X-Content-Type-Options", "nosniff"}});

        server_.Post("/api/recordings", guarded([this](const auto& q, auto& s) { post(q, s); }));
        server_.Get("/api/games", guarded([this](const auto& q, auto& s) { games(q, s); }));
        server_.Get(R"(/api/recordings/(\d{1,18}))",
                    guarded([this](const auto& q, auto& s) { recording(q, s); }));
        server_.Get(R"(/api/recordings/(\d{1,18})/games)",
                    guarded([this](const auto& q, auto& s) { gamesIn(q, s); }));
        server_.Get("/api/health", guarded([this](const auto& q, auto& s) { health(q, s); }));
        server_.Get("/board", guarded([this](const auto& q, auto& s) { board(q, s); }));
        server_.Get("/board.css", [](const httplib::Request&, httplib::Response& res) {
            res.set_content(std::string(boardStyle()), "text/css; charset=utf-8");
        });
        // Browsers ask for an icon of every page; the board has none of its own.
        server_.Get("/favicon.ico",
                    [](const httplib::Request&, httplib::Response& res) { res.status = 204; });
        if (o_.page.empty()) {
            server_.Get("/", [](const httplib::Request&, httplib::Response& res) {
                res.set_redirect("/board");
            });
        } else {
            server_.set_mount_point("/", o_.page);
            server_.set_file_extension_and_mimetype_mapping("wasm", "application/wasm");
            server_.set_file_extension_and_mimetype_mapping("sim", kText);
            // The page learns that a board serves it, and so offers to post a game here, from a
            // mark in its HTML: nothing it asks of a plain static server fails for it.
            server_.set_file_request_handler(
                [](const httplib::Request&, httplib::Response& res) { markServedPage(res); });
        }
        server_.set_error_handler(httplib::Server::HandlerWithResponse(
            [this](const httplib::Request& req, httplib::Response& res) {
                if (!res.body.empty()) return httplib::Server::HandlerResponse::Unhandled;
                const std::string reason = statusReason(res.status, largestBody_);
                if (req.path.rfind("/api/", 0) == 0)
                    refuse(req, res, res.status, reason);
                else
                    res.set_content(reason + "\n", kText);
                return httplib::Server::HandlerResponse::Handled;
            }));
    }

    int bind() {
        if (o_.port == 0) return server_.bind_to_any_port(o_.listen);
        return server_.bind_to_port(o_.listen, o_.port) ? o_.port : -1;
    }
    bool run() { return server_.listen_after_bind(); }
    void stop() { server_.stop(); }

  private:
    using Handler = std::function<void(const httplib::Request&, httplib::Response&)>;

    // A store that cannot be reached is a 503, to be tried again; any other failure a 500.
    // Either way nothing was stored.
    Handler guarded(Handler handler) {
        return [this, handler](const httplib::Request& req, httplib::Response& res) {
            try {
                handler(req, res);
            } catch (const Unavailable& e) {
                log("unavailable: " + std::string(e.what()));
                res.set_header("Retry-After", "5");
                refuse(req, res, 503,
                       "the board's store cannot be reached just now; try again "
                       "shortly");
            } catch (const std::exception& e) {
                log("failed: " + req.method + " " + req.path + ": " + e.what());
                refuse(req, res, 500, "the board failed to answer");
            }
        };
    }

    void log(const std::string& line) {
        std::lock_guard lock(logMutex_);
        std::cerr << "fenwing-board: " << line << std::endl;
    }

    // The board's address as others reach it, for links that leave it.
    std::string base(const httplib::Request& req) const {
        if (!o_.publicUrl.empty()) return o_.publicUrl;
        const std::string host = req.get_header_value("Host");
        return host.empty() ? std::string() : "http://" + host;
    }

    std::string watch(const httplib::Request& req, std::int64_t recording) const {
        const std::string path = "/api/recordings/" + std::to_string(recording);
        if (!o_.page.empty()) return watchUrl("/", path);
        if (!o_.pageUrl.empty()) return watchUrl(o_.pageUrl, base(req) + path);
        return {};
    }

    void post(const httplib::Request& req, httplib::Response& res) {
        std::string text, name;
        bool named = false;
        const std::string type = req.get_header_value("Content-Type");
        if (req.is_multipart_form_data()) {
            if (req.has_file("recording")) text = req.get_file_value("recording").content;
            if (req.has_file("name")) {
                name = req.get_file_value("name").content;
                named = true;
            }
        } else if (type.rfind("application/x-www-form-urlencoded", 0) == 0 &&
                   req.has_param("recording")) {
            text = req.get_param_value("recording");
        } else {  // the recording as the body, as `curl --data-binary @FILE` sends it too
            text = req.body;
        }
        if (!named && req.has_param("name")) {
            name = req.get_param_value("name");
            named = true;
        }
        if (!named)
            return refuse(req, res, 400,
                          "give the player's name: ?name=NAME, or a form field `name`");
        if (const std::string problem = best::nameProblem(name); !problem.empty())
            return refuse(req, res, 400, "the player's name is refused: " + problem);

        const std::int64_t now = std::time(nullptr);
        if (o_.postsPerMinute > 0 &&
            store_.countPost(req.remote_addr, now / 60) > o_.postsPerMinute) {
            res.set_header("Retry-After", std::to_string(60 - now % 60));
            return refuse(req, res, 429,
                          "too many posts from your address: at most " +
                              std::to_string(o_.postsPerMinute) + " a minute");
        }

        Posting posting{std::move(text), {}, name, now, {}};
        if (posting.text.size() <= o_.limits.bytes) {
            posting.digest = digest(posting.text);
            if (auto kept = store_.recordingWithDigest(posting.digest))
                return answerKept(req, res, {*kept, true});
        }
        Verdict verdict;
        {
            replays_.enter();
            struct Leave {
                Turns& turns;
                ~Leave() { turns.leave(); }
            } leave{replays_};
            verdict = verify(posting.text, o_.limits);
        }
        if (!verdict.taken()) {
            log("refused a recording from " + req.remote_addr + ": " + verdict.refusal);
            return refuse(req, res, 422, verdict.refusal);
        }
        posting.games = std::move(verdict.games);
        const Kept kept = store_.keep(posting);
        if (!kept.already)
            log("kept recording " + std::to_string(kept.recording) + " from " + req.remote_addr +
                ": " + std::to_string(posting.games.size()) + " game(s)");
        answerKept(req, res, kept);
    }

    void answerKept(const httplib::Request& req, httplib::Response& res, const Kept& kept) {
        const std::vector<BoardGame> games = store_.gamesIn(kept.recording);
        const std::string path = "/api/recordings/" + std::to_string(kept.recording);
        const std::string seen = watch(req, kept.recording);
        std::string json = "{\"recording\":" + std::to_string(kept.recording) +
                           ",\"already\":" + (kept.already ? "true" : "false") +
                           ",\"recording_url\":" + jsonString(path) +
                           ",\"board\":\"/board\",\"games\":[";
        std::string text = std::string(kept.already ? "already on the board" : "kept") +
                           " as recording " + std::to_string(kept.recording) + ": " + base(req) +
                           path + "\n";
        for (std::size_t i = 0; i < games.size(); ++i) {
            json += (i ? "," : "") + gameJson(games[i], 0, seen);
            text += describe(games[i].result) + "\n";
        }
        json += "]}\n";
        if (!kept.already) res.set_header("Location", path);
        answer(req, res, kept.already ? 200 : 201, json, text);
    }

    void games(const httplib::Request& req, httplib::Response& res) {
        const auto order = orderOf(req);
        const auto page = whole(req, "page", 1, 1, kLastPage);
        const auto per = whole(req, "per", kBoardRows, 1, kMostPerPage);
        if (!order) return refuse(req, res, 400, "order is best or newest");
        if (!page) return refuse(req, res, 400, "page is a whole number from 1 to 1000000");
        if (!per) return refuse(req, res, 400, "per is a whole number from 1 to 100");
        std::vector<BoardGame> found =
            store_.games(*order, (*page - 1) * *per, static_cast<int>(*per) + 1);
        const bool more = found.size() > static_cast<std::size_t>(*per);
        if (more) found.pop_back();
        std::string json = "{\"order\":" + jsonString(*order == Order::Best ? "best" : "newest") +
                           ",\"page\":" + std::to_string(*page) +
                           ",\"per\":" + std::to_string(*per) +
                           ",\"more\":" + (more ? "true" : "false") + ",\"games\":[";
        for (std::size_t i = 0; i < found.size(); ++i) {
            const std::int64_t rank =
                *order == Order::Best ? (*page - 1) * *per + std::int64_t(i) + 1 : 0;
            json += (i ? "," : "") + gameJson(found[i], rank, watch(req, found[i].recording));
        }
        res.set_header("Access-Control-Allow-Origin", "*");
        res.set_content(json + "]}\n", kJson);
    }

    static std::int64_t idOf(const httplib::Request& req) {
        std::int64_t id = 0;
        const std::string text = req.matches[1];
        std::from_chars(text.data(), text.data() + text.size(), id);
        return id;
    }

    void recording(const httplib::Request& req, httplib::Response& res) {
        const auto text = store_.recording(idOf(req));
        if (!text) return refuse(req, res, 404, "there is no such recording on the board");
        res.set_header("Access-Control-Allow-Origin", "*");
        res.set_content(*text, kText);
    }

    void gamesIn(const httplib::Request& req, httplib::Response& res) {
        const std::int64_t id = idOf(req);
        const std::vector<BoardGame> found = store_.gamesIn(id);
        if (found.empty()) return refuse(req, res, 404, "there is no such recording on the board");
        std::string json = "{\"recording\":" + std::to_string(id) + ",\"games\":[";
        for (std::size_t i = 0; i < found.size(); ++i)
            json += (i ? "," : "") + gameJson(found[i], 0, watch(req, id));
        res.set_header("Access-Control-Allow-Origin", "*");
        res.set_content(json + "]}\n", kJson);
    }

    void health(const httplib::Request&, httplib::Response& res) {
        const int version = store_.schemaVersion();
        res.set_content("{\"ok\":true,\"store\":" + jsonString(store_.describe()) +
                            ",\"schema\":" + std::to_string(version) + "}\n",
                        kJson);
    }

    void board(const httplib::Request& req, httplib::Response& res) {
        const auto order = orderOf(req);
        const auto page = whole(req, "page", 1, 1, kLastPage);
        if (!order || !page) {
            res.status = 400;
            res.set_content("order is best or newest, page a whole number from 1\n", kText);
            return;
        }
        BoardView view{*order, *page, kBoardRows, false, {}};
        view.games = store_.games(*order, (*page - 1) * kBoardRows, kBoardRows + 1);
        view.more = view.games.size() > kBoardRows;
        if (view.more) view.games.pop_back();
        std::vector<std::string> links;
        for (const BoardGame& g : view.games) links.push_back(watch(req, g.recording));
        res.set_header("Content-Security-Policy",
                       "default-src 'none'; style-src 'self'; img-src 'self'; "
                       "base-uri 'none'; form-action 'none'; frame-ancestors 'none'");
        res.set_content(boardPage(view, links), "text/html; charset=utf-8");
    }

    Store& store_;
    const Options o_;
    Turns replays_;
    std::size_t largestBody_ = 0;
    httplib::Server server_;
    std::mutex logMutex_;
};

Service::Service(Store& store, Options options)
    : impl_(std::make_unique<Impl>(store, std::move(options))) {}
Service::~Service() = default;
int Service::bind() { return impl_->bind(); }
bool Service::run() { return impl_->run(); }
void Service::stop() { impl_->stop(); }

}  // namespace fenwing::board
