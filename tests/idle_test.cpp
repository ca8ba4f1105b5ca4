// A still game lets its host sleep: the play asks to be woken only when a tick will change what
// the player sees or hears, and the ticks passed over are delivered when it wakes or an input
// comes, exactly as one at a time. Driven here by a hand-moved clock, beside a session woken at
// every tick; and the copy that plays ahead, against the game it copied.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "session/driver.h"
#include "session/lookahead.h"
#include "session/play.h"
#include "session/recorder.h"
#include "session/state.h"

namespace fenwing {
namespace {

script::Command command(const std::string& line) {
    std::istringstream in(line + "\n");
    return script::parseScript(in).at(0).command;
}

std::string stateOf(GameSession& session) {
    std::ostringstream out;
    script::printState(out, session.game());
    return out.str();
}

// What a script prints when fenwing-sim plays it.
std::string simulated(const std::string& script) {
    std::ostringstream out, err;
    ScriptDriver driver(out, err);
    std::istringstream in(script);
    driver.run(in);
    EXPECT_EQ(err.str(), "");
    return out.str();
}

// A session woken at every tick, as hosts were, noting the ticks that changed the picture or
// made a sound or a box.
struct EveryTick {
    explicit EveryTick(std::uint64_t seed) : session(seed, printed) {
        session.playerAtControls();
        session.onCue = [this](Cue) { ++heard; };
        session.onBox = [this](const Box&) { ++heard; };
        session.record(std::make_unique<script::Recorder>(recording));
    }
    std::uint64_t shown() const { return heard + session.form().redrawsAsked(); }
    void to(Micros t) {
        for (auto due = session.form().scheduler().nextDue(); due && *due <= t;
             due = session.form().scheduler().nextDue()) {
            const std::uint64_t before = shown();
            session.run([&] { session.wake(*due); });
            ticks.push_back(*due);
            if (shown() != before) showing.push_back(*due);
        }
        session.run([&] { session.wake(t); });
    }
    void input(Micros t, const std::string& line) {
        to(t);
        session.run([&] { session.perform(command(line)); });
    }

    std::ostringstream printed;
    std::stringstream recording;
    GameSession session;
    std::uint64_t heard = 0;
    std::vector<Micros> ticks;    // the deadline of every tick
    std::vector<Micros> showing;  // of those that changed what is seen or heard
};

// The moments within [from, to).
std::vector<Micros> within(const std::vector<Micros>& moments, Micros from, Micros to) {
    std::vector<Micros> in;
    for (Micros t : moments)
        if (t >= from && t < to && (in.empty() || in.back() != t)) in.push_back(t);
    return in;
}

// A host that sleeps until the moment its play asks for.
struct SleepingHost {
    explicit SleepingHost(std::uint64_t seed) : play(seed, printed) {
        play.session().record(std::make_unique<script::Recorder>(recording));
        next = play.next();
    }
    // Wakes whenever asked, up to `t`; each wake is compared with `reference` there.
    void to(Micros t, EveryTick* reference = nullptr) {
        while (next && *next <= t) {
            const Micros at = *next;
            next = play.wake(at);
            wakes.push_back(at);
            if (reference) {
                reference->to(at);
                ASSERT_EQ(stateOf(play.session()), stateOf(reference->session))
                    << "woken at " << at;
            }
        }
    }
    void input(Micros t, const std::string& line) {
        to(t);
        next = play.input(t, command(line));
    }

    std::ostringstream printed;
    std::stringstream recording;
    Play play;
    std::optional<Micros> next;
    std::vector<Micros> wakes;
};

TEST(IdlePlay, BeforeTheFirstStartTheHostWakesAtMostTwiceASecond) {
    SleepingHost host(11);
    host.to(60'000'000);
    EXPECT_LE(host.wakes.size(), 2u * 60);
    EXPECT_GE(host.wakes.size(), 60u / 3);  // it still wakes now and then, and plays on
    // The game's time went on all the while, exactly as tick by tick.
    EveryTick reference(11);
    reference.to(host.wakes.back());
    EXPECT_EQ(stateOf(host.play.session()), stateOf(reference.session));
    EXPECT_TRUE(reference.showing.empty());  // nothing was there to be seen
}

// A whole session: idle before the Start, a game with a crate crossing, three hits and a new
// flock, spent to its last shot while the clock crosses, then idle again with a box asked for
// and a click. Every tick that changed the picture is a wake, each wake finds exactly the
// state of a session woken at every tick, and the recordings are the same text.
TEST(IdlePlay, EveryChangeIsWokenForAndEveryInputMeetsTheSameState) {
    const std::vector<std::pair<Micros, std::string>> inputs = {
        {3'300'001, "click_at 6000 5000"},  // a shot before any game
        {5'123'457, "key F1"},
        {6'000'000, "click ImgDuck1"},
        {6'000'000, "click Imgduck2"},
        {6'015'625, "click Imgduck3"},
    };
    std::vector<std::pair<Micros, std::string>> all = inputs;
    for (int i = 0; i < 25; ++i) all.push_back({26'000'000 + i * 70'001, "click imgField"});
    all.push_back({41'777'777, "key F5"});              // a box, in a still span
    all.push_back({47'000'003, "click_at 9000 9000"});  // the out-of-shots box again
    EveryTick reference(5);
    SleepingHost host(5);
    for (const auto& [t, line] : all) {
        host.to(t, &reference);
        reference.input(t, line);
        host.input(t, line);
        ASSERT_EQ(stateOf(host.play.session()), stateOf(reference.session)) << line << " at " << t;
    }
    host.to(70'000'000, &reference);
    reference.to(70'000'000);

    const std::set<Micros> woken(host.wakes.begin(), host.wakes.end());
    for (Micros t : reference.showing) EXPECT_TRUE(woken.count(t)) << "not woken at " << t;
    // While ducks fly the host wakes at every tick; before the Start and after the game, once
    // the clock has crossed, at most twice a second.
    const std::vector<Micros> flying = within(host.wakes, 5'200'000, 6'000'000);
    EXPECT_GE(flying.size(), 51u);  // the movers' ticks, and the ducks' on another beat
    EXPECT_EQ(flying, within(reference.ticks, 5'200'000, 6'000'000));
    EXPECT_LE(within(host.wakes, 0, 3'300'000).size(), 2u * 4);
    EXPECT_LE(within(host.wakes, 50'000'000, 70'000'000).size(), 2u * 20);

    host.play.finish(70'000'000);
    reference.session.finish();
    EXPECT_EQ(host.recording.str(), reference.recording.str());
    EXPECT_EQ(host.printed.str(), reference.printed.str());
    EXPECT_EQ(simulated(host.recording.str()), host.printed.str());
}

// A game spent shot by shot at once; the hidden ducks fly on after it, unseen.
template <class Host>
void spendAGame(Host& host) {
    host.input(100'000, "key F1");
    for (int i = 0; i < 25; ++i) host.input(200'000 + i * 10'000, "click imgField");
}

// The moment the play asked for is the one a wake is late against: within kMaxLateness of it
// every tick is delivered, later the ticks before it are, then a stall. Either way the
// recording plays back to the same state.
TEST(IdlePlay, AWakeLateAfterAPlannedIdleWakeIsAStall) {
    for (const Micros late : {Micros{100'000}, Micros{150'000}}) {
        SleepingHost host(3);
        spendAGame(host);
        host.to(1'000'000);
        const Micros planned = *host.next;
        ASSERT_GT(planned - host.wakes.back(), 1'000'000);  // a still game: a long sleep
        const Micros woken = planned + late;
        host.next = host.play.wake(woken);

        EveryTick reference(3);
        spendAGame(reference);
        if (late > GameSession::kMaxLateness) {
            reference.to(planned - 1);
            reference.session.stallTo(woken);
            EXPECT_NE(host.recording.str().find("\nstall "), std::string::npos);
        } else {
            reference.to(woken);
            EXPECT_EQ(host.recording.str().find("stall"), std::string::npos);
        }
        EXPECT_EQ(stateOf(host.play.session()), stateOf(reference.session)) << "late " << late;
        host.play.finish(woken + 1'000'000);
        EXPECT_EQ(simulated(host.recording.str()), host.printed.str()) << "late " << late;
    }
}

// An input the play was not asked about (a host's own event) voids the moment it gave: the
// ducks it sets flying were not waited for, and a wake late after their first tick is a stall.
TEST(IdlePlay, AnInputVoidsThePlannedWake) {
    SleepingHost host(6);
    host.to(1'000'000);
    ASSERT_GT(*host.next - host.wakes.back(), 1'000'000);
    GameSession& session = host.play.session();
    host.play.run([&] { session.perform(command("key F1")); });
    const Micros flight =
        *session.form().scheduler().dueOf(session.form().timer("TmrDuck1").slot());
    host.play.wake(flight + 150'000);
    EXPECT_NE(host.recording.str().find("\nstall "), std::string::npos);
}

// An input, or a wake the host did not plan, long after the first tick passed over but before
// the moment asked for, is not late: every tick is delivered, none is taken for a stall.
TEST(IdlePlay, AnInputBeforeThePlannedWakeIsNeverLate) {
    SleepingHost host(4);
    EveryTick reference(4);
    spendAGame(host);
    spendAGame(reference);
    host.to(1'000'000);
    const Micros planned = *host.next;
    const Micros passedOver = host.play.session().form().scheduler().nextDue().value();
    const Micros unplanned = planned - 800'000;  // as the page does when asked for the state
    ASSERT_GT(unplanned - passedOver, GameSession::kMaxLateness);
    host.next = host.play.wake(unplanned);
    reference.to(unplanned);
    EXPECT_EQ(stateOf(host.play.session()), stateOf(reference.session));
    const Micros early = planned - 300'000;
    host.input(early, "key F3");
    reference.input(early, "key F3");
    EXPECT_EQ(stateOf(host.play.session()), stateOf(reference.session));
    EXPECT_EQ(host.recording.str(), reference.recording.str());
}

// A replay in step with a host's clock sleeps as a game does while nothing moves, wakes at
// every tick while ducks fly, and prints what fenwing-sim prints for its script.
TEST(IdlePlay, AReplaySleepsWhileNothingMoves) {
    const std::string script =
        "seed 3\nadvance 20000\nkey F1\nadvance 1000\nclick imgField\nadvance 1000\n"
        "state\n";
    std::istringstream in(script);
    std::ostringstream printed;
    Play replay(script::parseScript(in), printed);
    const Micros start = 7'000'000;  // on the host's clock
    std::vector<Micros> wakes;
    for (std::optional<Micros> next = start; next && wakes.size() < 10'000;
         next = replay.wake(*next))
        wakes.push_back(*next - start);
    ASSERT_TRUE(replay.ended());
    EXPECT_LE(within(wakes, 0, 20'000'000).size(), 2u * 20);
    EveryTick reference(3);
    reference.input(20'000'000, "key F1");
    reference.to(22'000'000);
    EXPECT_EQ(within(wakes, 20'100'000, 21'000'000),
              within(reference.ticks, 20'100'000, 21'000'000));
    EXPECT_EQ(printed.str(), simulated(script));
}

// The copy plays on exactly as the game it copied: the same ticks change the picture, in the
// same order, through a crate's crossing and its end (a draw), a flock shot down and a new one
// put up (draws), and the game's end.
TEST(Lookahead, PlaysOnExactlyAsTheGameItCopied) {
    std::ostringstream printed;
    GameSession game(9, printed);
    game.run([&] {
        game.advanceTo(2'345'678);
        game.perform(command("key F1"));
        game.advanceTo(13'000'000);  // the crate crosses from the tenth second on
        for (const char* duck : {"ImgDuck1", "Imgduck2", "Imgduck3"})
            game.perform(command(std::string("click ") + duck));
    });
    ASSERT_EQ(game.form().image("ImgAmmo").Visible(), true);
    const std::string before = stateOf(game);
    Lookahead ahead;
    ahead.copy(game.game(), game.random());
    std::ostringstream copied;
    script::printState(copied, ahead.game());
    EXPECT_EQ(copied.str(), before);

    // Tick by tick on the game, look by look on the copy.
    std::uint64_t heard = 0;
    game.onCue = [&](Cue) { ++heard; };
    game.onBox = [&](const Box&) { ++heard; };
    const Micros limit = 75'000'000;
    std::vector<Micros> showing, found;
    for (auto due = game.form().scheduler().nextDue(); due && *due < limit;
         due = game.form().scheduler().nextDue()) {
        const std::uint64_t shown = heard + game.form().redrawsAsked();
        game.run([&] { game.advanceTo(*due); });
        if (heard + game.form().redrawsAsked() != shown) showing.push_back(*due);
    }
    for (auto at = ahead.firstShown(limit); at && *at < limit; at = ahead.firstShown(limit))
        found.push_back(*at);
    EXPECT_EQ(found, showing);
    EXPECT_GT(showing.size(), 500u);
    EXPECT_EQ(game.games().finished().size(), 1u);  // played to the time-up
    std::ostringstream after;
    script::printState(after, ahead.game());
    EXPECT_EQ(after.str(), stateOf(game));
    EXPECT_NE(after.str(), before);
}

// A run-time error in a still game is woken for at its own tick, where the game raises it: here
// the crate's countdown, which no one sees, is not a number when it first counts down.
TEST(IdlePlay, ARunTimeErrorIsWokenForAtItsTick) {
    SleepingHost host(8);
    for (const char* line :
         {"key F1", "set LblAmmo.Caption x", "set LblTimeLeft.Visible False",
          "set ImgDuck1.Visible False", "set Imgduck2.Visible False", "set Imgduck3.Visible False"})
        host.play.perform(command(line));
    const Form& form = host.play.session().form();
    const Micros countdown = *form.scheduler().dueOf(form.timer("TmrAmmo").slot());
    host.next = host.play.next();
    host.to(10'000'000);
    ASSERT_TRUE(host.play.ended());
    EXPECT_EQ(host.play.end()->reason, Play::End::Reason::RuntimeError);
    EXPECT_EQ(host.wakes.back(), countdown);
    EXPECT_LE(host.wakes.size(), 3u);
}

// A tick that only sounds and asks for a box, with nothing to redraw, is found as well: here
// the time runs out with the ducks and the seconds left hidden.
TEST(Lookahead, ASoundAndABoxAloneAreFound) {
    std::ostringstream printed;
    GameSession game(2, printed);
    game.run([&] {
        for (const char* line : {"key F1", "set LblTimeLeft.Caption 1",
                                 "set LblTimeLeft.Visible False", "set ImgDuck1.Visible False",
                                 "set Imgduck2.Visible False", "set Imgduck3.Visible False"})
            game.perform(command(line));
    });
    Lookahead ahead;
    ahead.copy(game.game(), game.random());
    const std::optional<Micros> found = ahead.firstShown(5'000'000);
    EXPECT_EQ(found, game.form().scheduler().dueOf(game.form().timer("TmrTime").slot()));
    EXPECT_EQ(ahead.game().TmrTime.Enabled(), false);  // the game has ended there
}

}  // namespace
}  // namespace fenwing
