// The page's host: a game session shown on a canvas in a browser, driven by the page's monotonic
// clock. The page's script (web/page/fenwing.js) calls the functions below: it wakes the session
// for its next deadline, hands it the player's clicks, menu choices and keys, and draws what the
// session says changed; the session tells the page of each box, cue and end. The mapping between
// twips and device pixels is the window's own (ScreenMapping), so a click reaches what is drawn
// under it at any device pixel ratio.
#include <emscripten/emscripten.h>

#include <cstdint>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "best/best_games.h"
#include "playfield/layout.h"
#include "session/parser.h"
#include "session/play.h"
#include "session/quote.h"
#include "session/reader.h"
#include "session/recorder.h"
#include "session/screen_mapping.h"
#include "session/sim_command.h"
#include "session/state.h"

namespace {

using namespace fenwing;

// What the page is told, as it happens.
EM_JS(void, tellBox, (), {
    if (Module.onBox) Module.onBox();
});
EM_JS(void, tellBoxesClosed, (), {
    if (Module.onBoxesClosed) Module.onBoxesClosed();
});
EM_JS(void, tellCue, (const char* name), {
    if (Module.onCue) Module.onCue(UTF8ToString(name));
});
EM_JS(void, tellEnd, (int status, const char* text), {
    if (Module.onEnd) Module.onEnd(status, UTF8ToString(text));
});
EM_JS(void, tellGameFinished, (int number), {
    if (Module.onGameFinished) Module.onGameFinished(number);
});

// Where a recording made in the page says it was made, in its first line.
constexpr std::string_view kMadeHere =
    "A game played in a browser page: fenwing-sim plays it headless, the page replays it.";

class PageHost final : private RepaintSink {
  public:
    // A game played here by `player` from `started` (seconds since 1970), when `script` is
    // empty, or a replay of `script`.
    PageHost(std::uint64_t seed, std::optional<std::vector<script::ScriptLine>> script,
             const std::string& player = {}, std::int64_t started = 0)
        : play_(script ? Play(std::move(*script), output_) : Play(seed, output_)) {
        if (!play_.replay()) {
            auto recorder = std::make_unique<script::Recorder>(recording_);
            recorder_ = recorder.get();
            session().record(std::move(recorder), best::header(kMadeHere, player, started));
            // Told from inside the event that ends the game: the page hears of it after it.
            session().games().onFinished = [this](const GameResult& game) {
                finished_.push_back(game.number);
            };
        }
        session().onBox = [](const Box&) { tellBox(); };
        session().onBoxesClosed = [] { tellBoxesClosed(); };
        session().onCue = [](Cue cue) { tellCue(std::string(cueName(cue)).c_str()); };
        play_.onEnd = [](const Play::End& end) { tellEnd(end.status(), end.text.c_str()); };
        session().form().setRepaintSink(this);
    }
    ~PageHost() override { session().form().setRepaintSink(nullptr); }

    GameSession& session() { return play_.session(); }
    bool replay() const { return play_.replay(); }
    bool ended() const { return play_.ended(); }
    std::string printed() const { return output_.str(); }

    // The session's recording so far, closed as it would be if the page were closed now.
    std::string recording() {
        if (!recorder_) return {};
        std::string text = recording_.str();
        if (!session().over()) text += recorder_->closing(session().now());
        return text;
    }

    // The page's clock says `now` (microseconds from the session's start). Returns the page's
    // time of the next wake, or -1 when there is none.
    double wake(Micros now) { return told(when(play_.wake(now))); }
    // An input of the player's at `now`, after every tick due until then. A replay takes none.
    double input(Micros now, const script::Command& command) {
        return told(when(play_.input(now, command)));
    }
    // Plays a replay at once to its end, in virtual time.
    void playAll() {
        if (replay()) play_.skipTo(std::numeric_limits<Micros>::max());
    }
    // Watches one game of a replay: the script up to `start` at once, the rest as the page's
    // clock goes, ending at `end` (both on the script's clock).
    void watch(Micros start, Micros end) {
        if (!replay()) return;
        play_.stopAt(end);
        play_.skipTo(start);
    }

    void resize(double width, double height) {
        const WindowLayout w = windowLayout();
        mapping_ = ScreenMapping(0, 0, width, height, float(w.clientWidth), float(w.clientHeight));
        dirty_.assign(1, mapping_.pixels({0, 0, float(w.clientWidth), float(w.clientHeight)}));
    }
    const ScreenMapping& mapping() const { return mapping_; }

    // The device rectangles to draw again, since the last time: "x y w h" a line.
    std::string takeDirty() {
        std::string out;
        for (const PixelRect& r : dirty_)
            out += std::to_string(r.x) + ' ' + std::to_string(r.y) + ' ' + std::to_string(r.width) +
                   ' ' + std::to_string(r.height) + '\n';
        dirty_.clear();
        return out;
    }

    // The shown controls, back to front, a line each:
    //   I X Y W H NATURAL_W NATURAL_H RESOURCE          an image (device pixels)
    //   L X Y W H ALIGN PIXELS BOLD CAPTION             a label
    std::string scene() const {
        std::string out;
        const auto& stacking = play_.session().form().stacking();
        for (auto it = stacking.rbegin(); it != stacking.rend(); ++it) {
            const VisualControl* c = *it;
            if (!c->Visible()) continue;
            const PixelRect p = mapping_.pixels(c->rect());
            if (p.empty()) continue;
            const std::string place = std::to_string(p.x) + ' ' + std::to_string(p.y) + ' ' +
                                      std::to_string(p.width) + ' ' + std::to_string(p.height);
            if (c->type() == ControlType::Image) {
                const Picture* picture = static_cast<const Image*>(c)->picture();
                if (!picture) continue;
                const Rect& r = c->rect();
                out += "I " + place + ' ' + std::to_string(layoutPixels(r.width)) + ' ' +
                       std::to_string(layoutPixels(r.height)) + ' ' + resourceOf(picture->name) +
                       '\n';
            } else if (c->type() == ControlType::Label) {
                const auto& label = static_cast<const Label&>(*c);
                out += "L " + place + ' ' +
                       (label.alignment == Alignment::Center ? "center" : "left") + ' ' +
                       std::to_string(captionPixelSize(label.font.points, mapping_.scale())) + ' ' +
                       (label.font.bold ? '1' : '0') + ' ' + label.Caption() + '\n';
            }
        }
        return out;
    }

  private:
    static int layoutPixels(float twips) { return int(std::lround(twips / kTwipsPerPixel)); }
    static std::string resourceOf(const std::string& name) {
        for (const PictureLayout& p : pictureLayout())
            if (p.name == name) return std::string(p.resource);
        return name;
    }

    // Kept until the page draws: the two places of a moving control overlap and make one
    // rectangle to draw again.
    void invalidate(const Rect& area) override {
        PixelRect r = mapping_.pixels(area);
        if (r.empty()) return;
        for (auto it = dirty_.begin(); it != dirty_.end();) {
            if (meet(*it, r)) {
                r = join(*it, r);
                dirty_.erase(it);
                it = dirty_.begin();
            } else {
                ++it;
            }
        }
        dirty_.push_back(r);
    }
    static bool meet(const PixelRect& a, const PixelRect& b) {
        return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height &&
               b.y < a.y + a.height;
    }
    static PixelRect join(const PixelRect& a, const PixelRect& b) {
        const int x = std::min(a.x, b.x), y = std::min(a.y, b.y);
        return {x, y, std::max(a.x + a.width, b.x + b.width) - x,
                std::max(a.y + a.height, b.y + b.height) - y};
    }

    static double when(std::optional<Micros> next) { return next ? double(*next) : -1; }
    // The page hears of the games finished by the event that has just run.
    double told(double next) {
        std::vector<int> finished;
        finished.swap(finished_);
        for (int number : finished) tellGameFinished(number);
        return next;
    }

    std::ostringstream output_;
    std::stringstream recording_;
    Play play_;
    script::Recorder* recorder_ = nullptr;  // owned by the session
    ScreenMapping mapping_;
    std::vector<PixelRect> dirty_;
    std::vector<int> finished_;  // games finished, not yet told
};

std::unique_ptr<PageHost> host;
std::string answer;  // what the last function that returns text returned

const char* reply(std::string text) {
    answer = std::move(text);
    return answer.c_str();
}

script::Command named(script::Verb verb, const char* name) {
    script::Command c;
    c.verb = verb;
    c.name = name;
    return c;
}

}  // namespace

extern "C" {

// A game played in the page from generator state `seed` (decimal) by `player`, from `started`
// (milliseconds since 1970). Returns 1.
EMSCRIPTEN_KEEPALIVE int fw_play(const char* seed, const char* player, double started) {
    host.reset();
    host = std::make_unique<PageHost>(std::stoull(seed), std::nullopt, best::cleanName(player),
                                      std::int64_t(started / 1000));
    return 1;
}

// A replay of the recording `text`, called `name` in its errors. Returns 1, or 0 with the
// driver's error line in fw_error() when the recording cannot be played; the game shown goes
// on then.
std::string loadError;
EMSCRIPTEN_KEEPALIVE int fw_replay(const char* text, const char* name) {
    std::istringstream in{std::string(text)};
    std::optional<std::vector<script::ScriptLine>> lines;
    try {
        lines = script::parseScript(in);
    } catch (const script::ScriptError& e) {
        loadError = "error: " + escaped(name) + ':' + std::to_string(e.line) + ": " + e.reason;
        return 0;
    } catch (const script::ReadError& e) {
        loadError = "error: cannot read " + escaped(name) + ": " + e.reason;
        return 0;
    }
    host.reset();
    host = std::make_unique<PageHost>(0, std::move(lines));
    return 1;
}
EMSCRIPTEN_KEEPALIVE const char* fw_error() { return loadError.c_str(); }

EMSCRIPTEN_KEEPALIVE void fw_resize(double width, double height) { host->resize(width, height); }
EMSCRIPTEN_KEEPALIVE double fw_wake(double now) { return host->wake(Micros(now)); }
EMSCRIPTEN_KEEPALIVE void fw_play_all() { host->playAll(); }

// A press of the left button on device pixel (`x`, `y`) of the canvas, in device coordinates.
EMSCRIPTEN_KEEPALIVE double fw_click(double now, double x, double y) {
    script::Command c;
    c.verb = script::Verb::ClickAt;
    c.x = host->mapping().twipsX(ScreenMapping::pixelAt(x));
    c.y = host->mapping().twipsY(ScreenMapping::pixelAt(y));
    return host->input(Micros(now), c);
}
EMSCRIPTEN_KEEPALIVE double fw_menu(double now, const char* item) {
    return host->input(Micros(now), named(script::Verb::Menu, item));
}
EMSCRIPTEN_KEEPALIVE double fw_key(double now, const char* key) {
    return host->input(Micros(now), named(script::Verb::Key, key));
}

EMSCRIPTEN_KEEPALIVE const char* fw_dirty() { return reply(host->takeDirty()); }
EMSCRIPTEN_KEEPALIVE const char* fw_scene() { return reply(host->scene()); }

EMSCRIPTEN_KEEPALIVE const char* fw_state() {
    std::ostringstream out;
    script::printState(out, host->session().game());
    return reply(out.str());
}
EMSCRIPTEN_KEEPALIVE const char* fw_recording() { return reply(host->recording()); }
EMSCRIPTEN_KEEPALIVE const char* fw_printed() { return reply(host->printed()); }
EMSCRIPTEN_KEEPALIVE int fw_ended() { return host->ended() ? 1 : 0; }
EMSCRIPTEN_KEEPALIVE int fw_is_replay() { return host->replay() ? 1 : 0; }

// The boxes open or waiting, oldest first: its title, a tab, its prompt, a form feed, each.
EMSCRIPTEN_KEEPALIVE const char* fw_boxes() {
    std::string out;
    for (const Box& box : host->session().boxes()) out += box.title + '\t' + box.prompt + '\f';
    return reply(out);
}
EMSCRIPTEN_KEEPALIVE void fw_close_box() { host->session().closeBox(); }

// The menus: a line each item, "MENU\tMENU CAPTION\tITEM\tITEM CAPTION\tSHORTCUT".
EMSCRIPTEN_KEEPALIVE const char* fw_menus() {
    std::string out;
    for (const Menu& menu : host->session().form().menus())
        for (const MenuItem* item : menu.items)
            out += menu.name + '\t' + menu.caption + '\t' + item->name() + '\t' + item->Caption() +
                   '\t' + item->shortcut() + '\n';
    return reply(out);
}

// The layout: "CAPTION\tWIDTH\tHEIGHT\tBACK" (twips; the colour as 0xRRGGBB), then a line each
// picture's resource.
EMSCRIPTEN_KEEPALIVE const char* fw_layout() {
    const WindowLayout w = windowLayout();
    std::string out = std::string(w.caption) + '\t' + std::to_string(w.clientWidth) + '\t' +
                      std::to_string(w.clientHeight) + '\t' + std::to_string(w.backColor) + '\n';
    for (const PictureLayout& p : pictureLayout()) out += std::string(p.resource) + '\n';
    return reply(out);
}

// The device pixel that shows the point (`x`, `y`) in twips: "COLUMN ROW".
EMSCRIPTEN_KEEPALIVE const char* fw_pixel_of(double x, double y) {
    const PixelRect p = host->mapping().pixels({float(x), float(y), 1e-3f, 1e-3f});
    // The pixel whose centre is the first at or after the point, unless the one before it lies
    // nearer: the point is in the one whose centre is nearest.
    int c = p.x, r = p.y;
    const ScreenMapping& m = host->mapping();
    if (x - m.twipsX(c - 1) < m.twipsX(c) - x) --c;
    if (y - m.twipsY(r - 1) < m.twipsY(r) - y) --r;
    return reply(std::to_string(c) + ' ' + std::to_string(r));
}

// fenwing-sim with `args` (a line each), reading `input`: its exit status; its output and errors
// in fw_sim_out() and fw_sim_err().
std::string simOut, simErr;
EMSCRIPTEN_KEEPALIVE int fw_run_driver(const char* input, const char* args) {
    std::vector<std::string> list;
    std::istringstream lines{std::string(args)};
    for (std::string a; std::getline(lines, a);) list.push_back(a);
    std::istringstream in{std::string(input)};
    std::ostringstream out, err;
    const int status = script::simCommand(list, in, out, err, PROJECT_VERSION);
    simOut = out.str();
    simErr = err.str();
    return status;
}
EMSCRIPTEN_KEEPALIVE const char* fw_sim_out() { return simOut.c_str(); }
EMSCRIPTEN_KEEPALIVE const char* fw_sim_err() { return simErr.c_str(); }

// ---- The best games. The page keeps the recordings and the table in the browser's storage and
// hands them here; the games are found by replaying the recordings and ranked here, never in the
// page.
std::map<std::string, std::string> keptRecordings;  // name -> text, as the page keeps them
std::vector<best::BestGame> bestGames;
bool bestAgreed = false;

EMSCRIPTEN_KEEPALIVE void fw_best_clear() { keptRecordings.clear(); }
EMSCRIPTEN_KEEPALIVE void fw_best_add(const char* name, const char* text) {
    keptRecordings[name] = text;
}

// The ten best of the recordings handed over, with this session's recording so far in place of
// any kept one called `current` (empty: this session's games are not counted). `stored` is the
// table's text as kept, when `hasStored`; fw_best_agreed() says whether it was the table of the
// recordings handed over. Returns the table's text to keep.
EMSCRIPTEN_KEEPALIVE const char* fw_best_table(const char* stored, int hasStored,
                                               const char* current) {
    const std::string name = current;
    const best::Rebuilt kept = best::rebuild(
        keptRecordings, hasStored ? std::optional<std::string_view>(stored) : std::nullopt);
    bestAgreed = kept.agreed;
    // The ten best of the kept recordings hold every game of theirs that can be among the ten
    // best of all: to them come the games of this session, all of them, since its recording so
    // far holds each game that a version kept before held.
    std::vector<best::BestGame> games;
    for (const best::BestGame& game : kept.table)
        if (name.empty() || game.recording != name) games.push_back(game);
    if (!name.empty() && host && !host->replay()) {
        const best::Replayed here = best::gamesOf(host->recording(), name);
        games.insert(games.end(), here.games.begin(), here.games.end());
    }
    bestGames = best::tenBest(std::move(games));
    return reply(best::formatTable(bestGames));
}
EMSCRIPTEN_KEEPALIVE int fw_best_agreed() { return bestAgreed ? 1 : 0; }

// The table fw_best_table made, best first, a line each game:
//   RECORDING\tGAME\tSTART\tEND\tHITS\tSHOTS\tCRATES\tCLOCKS\tDATE\tPLAYER
// (START and END in microseconds of the recording's game time; DATE as "2026-12-08T21:05:13Z",
// or empty when unknown).
EMSCRIPTEN_KEEPALIVE const char* fw_best_rows() {
    std::string out;
    for (const best::BestGame& g : bestGames) {
        const GameResult& r = g.result;
        out += g.recording + '\t' + std::to_string(r.number) + '\t' + std::to_string(r.start) +
               '\t' + std::to_string(r.end) + '\t' + std::to_string(r.hits) + '\t' +
               std::to_string(r.shots) + '\t' + std::to_string(r.crates) + '\t' +
               std::to_string(r.clocks) + '\t' + g.date + '\t' + g.player + '\n';
    }
    return reply(out);
}

// Why `name` cannot be the player's name, or empty when it can.
EMSCRIPTEN_KEEPALIVE const char* fw_name_problem(const char* name) {
    return reply(best::nameProblem(name));
}
// The player is called `name` from now on: the session's recording says so, and its games are
// theirs.
EMSCRIPTEN_KEEPALIVE void fw_rename(const char* name) {
    if (!host->replay()) host->session().note(best::playerNote(name));
}

// A replay (see fw_replay) shows one game: the part before `start` at once, then in real time up
// to `end`, where it ends (microseconds on the recording's clock).
EMSCRIPTEN_KEEPALIVE void fw_watch(double start, double end) {
    host->watch(Micros(start), Micros(end));
}

}  // extern "C"
