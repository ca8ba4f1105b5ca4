// The page's host: a game session shown on a canvas in a browser, driven by the page's monotonic
// clock. The page's scripts (web/page/*.js) hold one PageHost: they wake the session for its next
// deadline, hand it the player's clicks, menu choices and keys, and draw what it says changed;
// the session tells the page of each box, cue and end through the listener it was made with. The
// mapping between twips and device pixels is the window's own (ScreenMapping), so a click reaches
// what is drawn under it at any device pixel ratio.
//
// The boundary is embind's: the class and its methods are bound once below, and what crosses it
// is typed, numbers, strings and JavaScript objects and arrays made here with emscripten::val.
// Neither side parses the other's text (the driver's own output, the state and the recordings,
// are text because they are text everywhere), nothing is wrapped by hand on the page's side, and
// a method's name and arguments are checked where it is bound. JSON would do the same with a
// parser on each side and a schema kept by hand in two languages.
#include <emscripten/bind.h>
#include <emscripten/val.h>

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
using emscripten::val;

// Where a recording made in the page says it was made, in its first line.
constexpr std::string_view kMadeHere =
    "A game played in a browser page: fenwing-sim plays it headless, the page replays it.";

// A JavaScript array of what `make` makes of each of `items`.
template <typename Items, typename Make>
val arrayOf(const Items& items, Make make) {
    val out = val::array();
    unsigned i = 0;
    for (const auto& item : items) out.set(i++, make(item));
    return out;
}

val rectObject(const PixelRect& r) {
    val o = val::object();
    o.set("x", r.x);
    o.set("y", r.y);
    o.set("w", r.width);
    o.set("h", r.height);
    return o;
}

// One session shown in the page: a game played here, or a replay.
class Shown final : private RepaintSink {
  public:
    // A game played here by `player` from `started` (seconds since 1970), when `script` is
    // empty, or a replay of `script`. What happens is told to `listener`'s onBox,
    // onBoxesClosed, onCue, onEnd and onGameFinished.
    Shown(const val& listener, std::uint64_t seed,
          std::optional<std::vector<script::ScriptLine>> script, const std::string& player = {},
          std::int64_t started = 0)
        : listener_(listener),
          play_(script ? Play(std::move(*script), output_) : Play(seed, output_)) {
        if (!play_.replay()) {
            auto recorder = std::make_unique<script::Recorder>(recording_);
            recorder_ = recorder.get();
            session().record(std::move(recorder), best::header(kMadeHere, player, started));
            // Told from inside the event that ends the game: the page hears of it after it.
            session().games().onFinished = [this](const GameResult& game) {
                finished_.push_back(game.number);
            };
        }
        session().onBox = [this](const Box&) { listener_.call<void>("onBox"); };
        session().onBoxesClosed = [this] { listener_.call<void>("onBoxesClosed"); };
        session().onCue = [this](Cue cue) {
            listener_.call<void>("onCue", std::string(cueName(cue)));
        };
        play_.onEnd = [this](const Play::End& end) {
            listener_.call<void>("onEnd", end.status(), end.text);
        };
        session().form().setRepaintSink(this);
    }
    ~Shown() override { session().form().setRepaintSink(nullptr); }

    GameSession& session() { return play_.session(); }
    const GameSession& session() const { return play_.session(); }
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

    // The device rectangles to draw again since the last time, {x, y, w, h} each.
    val takeDirty() {
        val out = arrayOf(dirty_, rectObject);
        dirty_.clear();
        return out;
    }

    // The shown controls, back to front, in device pixels: {kind: "image", x, y, w, h,
    // naturalW, naturalH, resource} or {kind: "label", x, y, w, h, align ("center" or "left"),
    // px, bold, caption}.
    val scene() const {
        val out = val::array();
        unsigned n = 0;
        const auto& stacking = session().form().stacking();
        for (auto it = stacking.rbegin(); it != stacking.rend(); ++it) {
            const VisualControl* c = *it;
            if (!c->Visible()) continue;
            const PixelRect p = mapping_.pixels(c->rect());
            if (p.empty()) continue;
            val part = rectObject(p);
            if (c->type() == ControlType::Image) {
                const Picture* picture = static_cast<const Image*>(c)->picture();
                if (!picture) continue;
                part.set("kind", "image");
                part.set("naturalW", layoutPixels(c->rect().width));
                part.set("naturalH", layoutPixels(c->rect().height));
                part.set("resource", resourceOf(picture->name));
            } else if (c->type() == ControlType::Label) {
                const auto& label = static_cast<const Label&>(*c);
                part.set("kind", "label");
                part.set("align", label.alignment == Alignment::Center ? "center" : "left");
                part.set("px", captionPixelSize(label.font.points, mapping_.scale()));
                part.set("bold", label.font.bold);
                part.set("caption", label.Caption());
            } else {
                continue;
            }
            out.set(n++, part);
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
        for (int number : finished) listener_.call<void>("onGameFinished", number);
        return next;
    }

    const val& listener_;  // the PageHost's, which outlives this
    std::ostringstream output_;
    std::stringstream recording_;
    Play play_;
    script::Recorder* recorder_ = nullptr;  // owned by the session
    ScreenMapping mapping_;
    std::vector<PixelRect> dirty_;
    std::vector<int> finished_;  // games finished, not yet told
};

script::Command named(script::Verb verb, const std::string& name) {
    script::Command c;
    c.verb = verb;
    c.name = name;
    return c;
}

// The page's host: the session shown (always one once the page has started: play or replay),
// the error of the last recording that could not be loaded, and the listener told of what the
// session does. The page makes one and keeps it.
class PageHost {
  public:
    explicit PageHost(val listener) : listener_(std::move(listener)) {}

    // A game played in the page from generator state `seed` (decimal) by `player`, from
    // `started` (milliseconds since 1970).
    void play(const std::string& seed, const std::string& player, double started) {
        shown_.reset();
        shown_ = std::make_unique<Shown>(listener_, std::stoull(seed), std::nullopt,
                                         best::cleanName(player), std::int64_t(started / 1000));
    }

    // A replay of the recording `text`, called `name` in its errors. False, with the driver's
    // error line in error(), when the recording cannot be played; the session shown goes on
    // then.
    bool replay(const std::string& text, const std::string& name) {
        std::istringstream in{text};
        std::optional<std::vector<script::ScriptLine>> lines;
        try {
            lines = script::parseScript(in);
        } catch (const script::ScriptError& e) {
            loadError_ = "error: " + escaped(name) + ':' + std::to_string(e.line) + ": " + e.reason;
            return false;
        } catch (const script::ReadError& e) {
            loadError_ = "error: cannot read " + escaped(name) + ": " + e.reason;
            return false;
        }
        shown_.reset();
        shown_ = std::make_unique<Shown>(listener_, 0, std::move(lines));
        return true;
    }
    std::string error() const { return loadError_; }

    void resize(double width, double height) { shown_->resize(width, height); }
    double wake(double now) { return shown_->wake(Micros(now)); }
    void playAll() { shown_->playAll(); }
    // A replay shows one game: the part before `start` at once, then in real time up to `end`,
    // where it ends (microseconds on the recording's clock).
    void watch(double start, double end) { shown_->watch(Micros(start), Micros(end)); }

    // A press of the left button on device pixel (`x`, `y`) of the canvas.
    double click(double now, double x, double y) {
        script::Command c;
        c.verb = script::Verb::ClickAt;
        c.x = shown_->mapping().twipsX(ScreenMapping::pixelAt(x));
        c.y = shown_->mapping().twipsY(ScreenMapping::pixelAt(y));
        return shown_->input(Micros(now), c);
    }
    double menu(double now, const std::string& item) {
        return shown_->input(Micros(now), named(script::Verb::Menu, item));
    }
    double key(double now, const std::string& key) {
        return shown_->input(Micros(now), named(script::Verb::Key, key));
    }

    val dirty() { return shown_->takeDirty(); }
    val scene() const { return shown_->scene(); }
    std::string state() const {
        std::ostringstream out;
        script::printState(out, shown_->session().game());
        return out.str();
    }
    std::string recording() { return shown_->recording(); }
    std::string printed() const { return shown_->printed(); }
    bool ended() const { return shown_->ended(); }

    // The boxes open or waiting, oldest first: {title, prompt} each.
    val boxes() const {
        return arrayOf(shown_->session().boxes(), [](const Box& box) {
            val o = val::object();
            o.set("title", box.title);
            o.set("prompt", box.prompt);
            return o;
        });
    }
    void closeBox() { shown_->session().closeBox(); }

    // The menus: {name, caption, items: [{name, caption, shortcut}]} each, in order.
    val menus() const {
        return arrayOf(shown_->session().form().menus(), [](const Menu& menu) {
            val o = val::object();
            o.set("name", menu.name);
            o.set("caption", menu.caption);
            o.set("items", arrayOf(menu.items, [](const MenuItem* item) {
                      val i = val::object();
                      i.set("name", item->name());
                      i.set("caption", item->Caption());
                      i.set("shortcut", item->shortcut());
                      return i;
                  }));
            return o;
        });
    }

    // The layout: {caption, width, height (twips), back (0xRRGGBB), pictures: [resource]}.
    val layout() const {
        const WindowLayout w = windowLayout();
        val o = val::object();
        o.set("caption", std::string(w.caption));
        o.set("width", w.clientWidth);
        o.set("height", w.clientHeight);
        o.set("back", double(w.backColor));
        o.set("pictures", arrayOf(pictureLayout(), [](const PictureLayout& p) {
                  return val(std::string(p.resource));
              }));
        return o;
    }

    // The device pixel that shows the point (`x`, `y`) in twips: {column, row}.
    val pixelOf(double x, double y) const {
        const ScreenMapping& m = shown_->mapping();
        const PixelRect p = m.pixels({float(x), float(y), 1e-3f, 1e-3f});
        // The pixel whose centre is the first at or after the point, unless the one before it
        // lies nearer: the point is in the one whose centre is nearest.
        int c = p.x, r = p.y;
        if (x - m.twipsX(c - 1) < m.twipsX(c) - x) --c;
        if (y - m.twipsY(r - 1) < m.twipsY(r) - y) --r;
        val o = val::object();
        o.set("column", c);
        o.set("row", r);
        return o;
    }

    // fenwing-sim with `args` (an array of strings), reading `input`: {stdout, stderr, status}.
    val runDriver(const std::string& input, const val& args) const {
        std::vector<std::string> list;
        const unsigned count = args["length"].as<unsigned>();
        for (unsigned i = 0; i < count; ++i) list.push_back(args[i].as<std::string>());
        std::istringstream in{input};
        std::ostringstream out, err;
        const int status = script::simCommand(list, in, out, err, PROJECT_VERSION);
        val o = val::object();
        o.set("stdout", out.str());
        o.set("stderr", err.str());
        o.set("status", status);
        return o;
    }

    // The best games. The page keeps the recordings and the table in the browser's storage and
    // hands them here; the games are found by replaying the recordings and ranked here, never
    // in the page.
    //
    // The ten best of `kept` ([name, text] pairs, as the page keeps them), with this session's
    // recording so far in place of any kept one called `current` (empty: this session's games
    // are not counted). `stored` is the table's text as kept, or null. Returns {table: the
    // table's text to keep, agreed: whether `stored` was the table of `kept`, rows: the table
    // best first, {recording, number, start, end (microseconds of the recording's game time),
    // hits, shots, crates, clocks, date ("2026-12-08T21:05:13Z", or empty), player} each}.
    val bestTable(const val& kept, const val& stored, const std::string& current) {
        std::map<std::string, std::string> recordings;
        const unsigned count = kept["length"].as<unsigned>();
        for (unsigned i = 0; i < count; ++i)
            recordings[kept[i][0].as<std::string>()] = kept[i][1].as<std::string>();
        const std::optional<std::string> table =
            stored.isString() ? std::optional(stored.as<std::string>()) : std::nullopt;
        const best::Rebuilt rebuilt = best::rebuild(
            recordings, table ? std::optional<std::string_view>(*table) : std::nullopt);
        // The ten best of the kept recordings hold every game of theirs that can be among the
        // ten best of all: to them come the games of this session, all of them, since its
        // recording so far holds each game that a version kept before held.
        std::vector<best::BestGame> games;
        for (const best::BestGame& game : rebuilt.table)
            if (current.empty() || game.recording != current) games.push_back(game);
        if (!current.empty() && shown_ && !shown_->replay()) {
            const best::Replayed here = best::gamesOf(shown_->recording(), current);
            games.insert(games.end(), here.games.begin(), here.games.end());
        }
        const std::vector<best::BestGame> ten = best::tenBest(std::move(games));
        val o = val::object();
        o.set("table", best::formatTable(ten));
        o.set("agreed", rebuilt.agreed);
        o.set("rows", arrayOf(ten, [](const best::BestGame& g) {
                  const GameResult& r = g.result;
                  val row = val::object();
                  row.set("recording", g.recording);
                  row.set("number", r.number);
                  row.set("start", double(r.start));
                  row.set("end", double(r.end));
                  row.set("hits", r.hits);
                  row.set("shots", r.shots);
                  row.set("crates", r.crates);
                  row.set("clocks", r.clocks);
                  row.set("date", g.date);
                  row.set("player", g.player);
                  return row;
              }));
        return o;
    }

    // Why `name` cannot be the player's name, or empty when it can.
    std::string nameProblem(const std::string& name) const { return best::nameProblem(name); }
    // The player is called `name` from now on: the session's recording says so, and its games
    // are theirs.
    void rename(const std::string& name) {
        if (!shown_->replay()) shown_->session().note(best::playerNote(name));
    }

  private:
    val listener_;
    std::unique_ptr<Shown> shown_;
    std::string loadError_;
};

}  // namespace

EMSCRIPTEN_BINDINGS(fenwing_page) {
    emscripten::class_<PageHost>("PageHost")
        .constructor<val>()
        .function("play", &PageHost::play)
        .function("replay", &PageHost::replay)
        .function("error", &PageHost::error)
        .function("resize", &PageHost::resize)
        .function("wake", &PageHost::wake)
        .function("playAll", &PageHost::playAll)
        .function("watch", &PageHost::watch)
        .function("click", &PageHost::click)
        .function("menu", &PageHost::menu)
        .function("key", &PageHost::key)
        .function("dirty", &PageHost::dirty)
        .function("scene", &PageHost::scene)
        .function("state", &PageHost::state)
        .function("recording", &PageHost::recording)
        .function("printed", &PageHost::printed)
        .function("ended", &PageHost::ended)
        .function("boxes", &PageHost::boxes)
        .function("closeBox", &PageHost::closeBox)
        .function("menus", &PageHost::menus)
        .function("pixelOf", &PageHost::pixelOf)
        .function("bestTable", &PageHost::bestTable)
        .function("rename", &PageHost::rename)
        .function("layout", &PageHost::layout)
        .function("runDriver", &PageHost::runDriver)
        .function("nameProblem", &PageHost::nameProblem);
}
