#include "player.h"

#include <array>
#include <cmath>
#include <random>

#include "host/text.h"
#include "replay.h"

namespace fenwing::soak {

Seen& Seen::operator+=(const Seen& o) {
    hits += o.hits;
    timeUps += o.timeUps;
    outOfAmmo += o.outOfAmmo;
    newFlocks += o.newFlocks;
    crateRewards += o.crateRewards;
    clockRewards += o.clockRewards;
    thirdClicks += o.thirdClicks;
    helpBoxes += o.helpBoxes;
    return *this;
}

namespace {

constexpr std::array<const char*, 3> kHelpMenus = {"mnuhelpControls", "mnuhelpAbout", "MnuHelpHow"};
// Keys with no menu item behind them.
constexpr std::array<const char*, 10> kIdleKeys = {"F2",  "F6",  "F7",  "F8",    "F9",
                                                   "F10", "F11", "F12", "Enter", "q"};

// The counters and flags a command may change, read before and after it.
struct Look {
    std::string hits, seconds, shots;
    int ammoClicks, clockClicks;
    bool flying, shotsOut;

    explicit Look(const Form1& g)
        : hits(g.LblScore2.Caption()),
          seconds(g.LblTimeLeft.Caption()),
          shots(g.LblShotsLeft2.Caption()),
          ammoClicks(g.state.AmmoClicks.value()),
          clockClicks(g.state.ClockClicks.value()),
          flying(g.TmrDuck1.Enabled() || g.TmrDuck2.Enabled() || g.TmrDuck3.Enabled()),
          shotsOut(g.state.Shots == 0) {}
};

double number(const std::string& caption) { return std::stod(caption); }

class Player {
  public:
    Player(std::uint64_t seed, const Plant& plant) : rng_(seed), game_(plant) {
        // Each seed plays in its own way: some aim well, some spray the field, some wait.
        aim_ = uniform(0.3, 3);
        spray_ = uniform(0.2, 3);
        patience_ = uniform(0.5, 2);
        fiddle_ = uniform(0.3, 2);
    }

    Session play(double simulatedMs) {
        Session s;
        const auto now = [this] { return double(game_.form().scheduler().now()) / 1000; };
        while (now() < simulatedMs) {
            const std::string command = next();
            const Look before(game_.game());
            s.script.push_back(command);
            s.failure = game_.run(command);
            if (!s.failure.empty()) break;
            note(command, before, Look(game_.game()), s.seen);
        }
        s.simulatedMs = now();
        return s;
    }

  private:
    double uniform(double lo, double hi) { return std::uniform_real_distribution(lo, hi)(rng_); }
    int whole(int lo, int hi) { return std::uniform_int_distribution(lo, hi)(rng_); }
    template <class T>
    const T& pick(const std::vector<T>& from) {
        return from[std::size_t(whole(0, int(from.size()) - 1))];
    }

    // A point inside the control, in whole twips.
    std::string clickInside(const VisualControl& c) {
        const int left = int(std::ceil(c.Left())), top = int(std::ceil(c.Top()));
        const int right = int(std::ceil(c.Left() + c.Width())) - 1;
        const int bottom = int(std::ceil(c.Top() + c.Height())) - 1;
        return "click_at " + std::to_string(whole(left, std::max(left, right))) + " " +
               std::to_string(whole(top, std::max(top, bottom)));
    }

    std::string wait(double maxMs) {
        const double ms = uniform(0, maxMs);
        // Mostly whole milliseconds, now and then a fraction.
        if (whole(0, 3) == 0) return "advance " + Str(std::round(ms * 1000) / 1000);
        return "advance " + std::to_string(std::lround(ms));
    }

    std::string next() {
        const Form1& g = game_.game();
        std::vector<const Image*> ducks, items;
        for (const Image* d : {&g.ImgDuck1, &g.Imgduck2, &g.Imgduck3})
            if (d->Visible()) ducks.push_back(d);
        for (const Image* i : {&g.ImgAmmo, &g.ImgClock})
            if (i->Visible()) items.push_back(i);
        const bool playing = g.TmrTime.Enabled();

        const std::array<double, 10> weights = {
            20 * patience_,                 // a wait of up to 5 s
            20.0,                           // a short wait
            ducks.empty() ? 0 : 25 * aim_,  // a shot at a duck
            items.empty() ? 0.0 : 30,       // a click on the crate or the clock
            4 * spray_,                     // a shot anywhere on the field
            2,                              // a click anywhere, in the window or not
            3,                              // a click by name
            playing ? 0.3 : 15,             // Start, by menu or key
            2 * fiddle_,                    // a help box, by menu or key
            6 * fiddle_,                    // a key that does nothing, or a timer tick
        };
        switch (std::discrete_distribution<int>(weights.begin(), weights.end())(rng_)) {
            case 0:
                return wait(5000);
            case 1:
                return wait(120);
            case 2:
                return clickInside(*pick(ducks));
            case 3:
                return clickInside(*pick(items));
            case 4:
                return clickInside(g.imgField);
            case 5:
                return "click_at " + std::to_string(whole(-2000, 16000)) + " " +
                       std::to_string(whole(-2000, 14000));
            case 6:
                return "click " + pick(g.form().stacking())->name();
            case 7:
                return whole(0, 1) ? "menu mnufileStart" : "key F1";
            case 8:
                if (whole(0, 1)) return std::string("menu ") + kHelpMenus[whole(0, 2)];
                return std::string("key F") + "345"[whole(0, 2)];
            default:
                if (whole(0, 2) == 0) return std::string("key ") + kIdleKeys[whole(0, 9)];
                return "fire " + pick(g.form().timers())->name();
        }
    }

    void note(const std::string& command, const Look& before, const Look& after, Seen& seen) {
        const bool click = command.starts_with("click");
        if (click && after.hits != before.hits) ++seen.hits;
        if (click && number(after.shots) > number(before.shots)) ++seen.crateRewards;
        if (click && number(after.seconds) > number(before.seconds)) ++seen.clockRewards;
        if (click && ((before.ammoClicks == 2 && after.ammoClicks == 0) ||
                      (before.clockClicks == 2 && after.clockClicks == 0)))
            ++seen.thirdClicks;
        const bool start = command == "menu mnufileStart" || command == "key F1";
        if (!start && !before.flying && after.flying) ++seen.newFlocks;
        noteBoxes(seen);
    }

    void noteBoxes(Seen& seen) {
        const std::string out = game_.printed();
        for (std::size_t at = 0; (at = out.find("msgbox ", at)) != std::string::npos; ++at) {
            const std::string title = out.substr(at + 7, out.find(" |", at) - at - 7);
            if (title == "Fail")
                ++seen.timeUps;
            else if (title == "Oh no!")
                ++seen.outOfAmmo;
            else
                ++seen.helpBoxes;
        }
    }

    std::mt19937_64 rng_;
    CheckedGame game_;
    double aim_, spray_, patience_, fiddle_;
};

}  // namespace

Session play(std::uint64_t seed, double simulatedMs, const Plant& plant) {
    return Player(seed, plant).play(simulatedMs);
}

}  // namespace fenwing::soak
