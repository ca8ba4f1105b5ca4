// A still game lets its host sleep: the play asks to be woken only when a tick will change what
// the player sees or hears, and the ticks passed over are delivered when it wakes or an input
// comes, exactly as one at a time. Driven by a hand-moved clock beside a session woken at every
// tick; and the copy that plays ahead, against the game it copied.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <set>
#include <sstream>
#include <string>
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

// What fenwing-sim prints for a script.
std::string simulated(const std::string& script) {
    std::ostringstream out, err;
    ScriptDriver driver(out, err);
    std::istringstream in(script);
    driver.run(in);
    return out.str() + err.str();
}

// The moments within [from, to), each once.
std::vector<Micros> within(const std::vector<Micros>& moments, Micros from, Micros to) {
    std::vector<Micros> in;
    for (Micros t : moments)
        if (t >= from && t < to && (in.empty() || in.back() != t)) in.push_back(t);
    return in;
}

// A recorded session, woken as its host pleases (`to`: at every tick, as hosts were, noting
// the ticks and those that changed what is seen or heard), or by its play (`sleep`).
struct Host {
    explicit Host(std::uint64_t seed) : play(seed, printed) {
        session.onCue = [this](Cue) { ++heard; };
        session.onBox = [this](const Box&) { ++heard; };
        session.record(std::make_unique<script::Recorder>(recording));
        next = play.next();
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
    // Wakes when asked, up to `t`, each time in the state `reference` has there.
    void sleep(Micros t, Host* reference = nullptr) {
        while (next && *next <= t) {
            wakes.push_back(*next);
            next = play.wake(*next);
            if (!reference) continue;
            reference->to(wakes.back());
            ASSERT_EQ(stateOf(session), stateOf(reference->session)) << wakes.back();
        }
    }
    void input(Micros t, const std::string& line) {
        sleeping ? sleep(t) : to(t);
        next = play.input(t, command(line));
    }

    std::ostringstream printed;
    std::stringstream recording;
    Play play;
    GameSession& session = play.session();
    bool sleeping = true;
    std::optional<Micros> next;
    std::uint64_t heard = 0;
    std::vector<Micros> wakes, ticks, showing;
};

// A game spent shot by shot; the hidden ducks fly on after it, unseen.
void spendAGame(Host& host) {
    host.input(100'000, "key F1");
    for (int i = 0; i < 25; ++i) host.input(200'000 + i * 10'000, "click imgField");
}

// A whole session: idle before the Start; a game with the crate crossing, a flock shot down and
// a new one, spent while the clock crosses; idle again, with a box and a click. Every tick that
// changed the picture is woken for, every wake and input meets the state of a session woken at
// every tick, and the recordings are the same text, which fenwing-sim plays to the same end.
TEST(IdlePlay, EveryChangeIsWokenForAndEveryInputMeetsTheSameState) {
    Host reference(5), host(5);
    reference.sleeping = false;
    std::vector<std::pair<Micros, std::string>> inputs = {{3'300'001, "click_at 6000 5000"},
                                                          {5'123'457, "key F1"},
                                                          {6'000'000, "click ImgDuck1"},
                                                          {6'000'000, "click Imgduck2"},
                                                          {6'015'625, "click Imgduck3"}};
    for (int i = 0; i < 25; ++i) inputs.push_back({26'000'000 + i * 70'001, "click imgField"});
    inputs.push_back({41'777'777, "key F5"});
    inputs.push_back({47'000'003, "click_at 9000 9000"});
    for (const auto& [t, line] : inputs) {
        host.sleep(t, &reference);
        reference.input(t, line);
        host.input(t, line);
        ASSERT_EQ(stateOf(host.session), stateOf(reference.session)) << line << " at " << t;
    }
    host.sleep(70'000'000, &reference);
    reference.to(70'000'000);

    const std::set<Micros> woken(host.wakes.begin(), host.wakes.end());
    for (Micros t : reference.showing) EXPECT_TRUE(woken.count(t)) << "not woken at " << t;
    // Every tick while ducks fly; at most twice a second before the Start and after the game.
    EXPECT_EQ(within(host.wakes, 5'200'000, 6'000'000),
              within(reference.ticks, 5'200'000, 6'000'000));
    EXPECT_LE(within(host.wakes, 0, 3'300'000).size(), 2u * 4);
    EXPECT_LE(within(host.wakes, 50'000'000, 70'000'000).size(), 2u * 20);
    host.play.finish(70'000'000);
    reference.play.finish(70'000'000);
    EXPECT_EQ(host.recording.str(), reference.recording.str());
    EXPECT_EQ(simulated(host.recording.str()), host.printed.str());
}

// Lateness counts from the wake the play asked for. 100 ms after it every tick is delivered;
// 150 ms after it the ticks before it are, then a stall, which the recording plays back. An
// unplanned wake or an input before it is never late; an input the play was not asked about (a
// host's own event) voids it.
TEST(IdlePlay, AWakeIsLateOnlyAgainstTheWakeAskedFor) {
    for (const Micros late : {100'000, 150'000}) {
        Host host(3), reference(3);
        reference.sleeping = false;
        spendAGame(host);
        spendAGame(reference);
        host.sleep(1'000'000);
        const Micros planned = *host.next, woken = planned + late;
        ASSERT_GT(planned - host.wakes.back(), 1'000'000);  // a still game: a long sleep
        host.play.wake(woken);
        if (late > GameSession::kMaxLateness) {
            reference.to(planned - 1);
            reference.session.stallTo(woken);
        } else {
            reference.to(woken);
        }
        EXPECT_EQ(stateOf(host.session), stateOf(reference.session)) << late;
        EXPECT_EQ(host.recording.str().find("\nstall ") != std::string::npos, late > 100'000);
        host.play.finish(woken + 1'000'000);
        EXPECT_EQ(simulated(host.recording.str()), host.printed.str()) << late;
    }
    Host host(4), reference(4);
    reference.sleeping = false;
    spendAGame(host);
    spendAGame(reference);
    host.sleep(1'000'000);
    const Micros planned = *host.next;
    host.next = host.play.wake(planned - 800'000);  // as the page does when asked for the state
    host.input(planned - 300'000, "key F3");
    reference.input(planned - 300'000, "key F3");
    EXPECT_EQ(stateOf(host.session), stateOf(reference.session));
    EXPECT_EQ(host.recording.str(), reference.recording.str());

    host.sleep(planned + 3'000'000);
    host.play.run([&] { host.session.perform(command("key F1")); });
    const Timer& flight = host.session.form().timer("TmrDuck1");
    host.play.wake(*host.session.form().scheduler().dueOf(flight.slot()) + 150'000);
    EXPECT_NE(host.recording.str().find("\nstall "), std::string::npos);
}

// A replay in step with a host's clock sleeps as a game does, and ends as fenwing-sim does.
TEST(IdlePlay, AReplaySleepsWhileNothingMoves) {
    const std::string script = "seed 3\nadvance 20000\nkey F1\nadvance 1000\nstate\n";
    std::istringstream in(script);
    std::ostringstream printed;
    Play replay(script::parseScript(in), printed);
    std::vector<Micros> wakes;
    for (std::optional<Micros> next = 0; next && wakes.size() < 1000; next = replay.wake(*next))
        wakes.push_back(*next);
    EXPECT_LE(within(wakes, 0, 20'000'000).size(), 2u * 20);
    EXPECT_GE(within(wakes, 20'000'000, 21'000'000).size(), 64u);
    EXPECT_EQ(printed.str(), simulated(script));
}

// The copy plays on exactly as the game it copied: the same ticks change the picture, through
// the crate's crossing and its end, a flock shot down and a new one (draws), and the time-up.
TEST(Lookahead, PlaysOnExactlyAsTheGameItCopied) {
    Host game(9);
    game.sleeping = false;
    game.input(2'345'678, "key F1");
    for (const char* duck : {"ImgDuck1", "Imgduck2", "Imgduck3"})
        game.input(13'000'000, std::string("click ") + duck);
    ASSERT_TRUE(game.session.form().image("ImgAmmo").Visible());  // the crate crosses
    Lookahead ahead;
    ahead.copy(game.session.game(), game.session.random());
    const std::size_t before = game.showing.size();
    game.to(75'000'000);
    std::vector<Micros> found;
    for (auto at = ahead.firstShown(75'000'001); at && *at <= 75'000'000;
         at = ahead.firstShown(75'000'001))
        found.push_back(*at);
    EXPECT_EQ(found, std::vector<Micros>(game.showing.begin() + before, game.showing.end()));
    EXPECT_EQ(game.session.games().finished().size(), 1u);
    std::ostringstream copy;  // both at the tick due at 75 s
    script::printState(copy, ahead.game());
    EXPECT_EQ(copy.str(), stateOf(game.session));
}

// A tick that only sounds and asks for a box, or only raises a run-time error, is found too:
// with the ducks and the seconds left hidden, the time running out; the crate's hidden countdown
// not a number.
TEST(Lookahead, ASoundABoxOrAnErrorAloneIsFound) {
    for (const char* line : {"set LblTimeLeft.Caption 1", "set LblAmmo.Caption x"}) {
        std::ostringstream printed;
        GameSession game(2, printed);
        game.run([&] {
            for (const char* hide :
                 {"key F1", "set LblTimeLeft.Visible False", "set ImgDuck1.Visible False",
                  "set Imgduck2.Visible False", "set Imgduck3.Visible False", line})
                game.perform(command(hide));
        });
        Lookahead ahead;
        ahead.copy(game.game(), game.random());
        EXPECT_EQ(ahead.firstShown(5'000'000),
                  game.form().scheduler().dueOf(game.form().timer("TmrTime").slot()))
            << line;
    }
}

}  // namespace
}  // namespace fenwing
