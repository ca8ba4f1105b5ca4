#include "game/invariants.h"

#include <array>

#include "game/fields.h"
#include "host/text.h"

namespace fenwing {

namespace {

using Detail = std::optional<std::string>;

std::string quoted(const std::string& text) { return '"' + text + '"'; }

// A counter caption is the shortest decimal text of a whole number: "59", "-1", "0".
Detail wholeNumberText(const Label& label) {
    const std::string& caption = label.Caption();
    double value = 0;
    try {
        value = Val(caption);
    } catch (const RuntimeError&) {
        return label.name() + " shows " + quoted(caption) + ", not a number";
    }
    if (Int(value) != value) return label.name() + " shows " + quoted(caption) + ", not whole";
    if (Str(value) != caption)
        return label.name() + " shows " + quoted(caption) + " for " + quoted(Str(value));
    return std::nullopt;
}

Detail shotsShown(const Form1& g) {
    const int shots = g.state.Shots.value();
    if (shots < 0) return "Shots is " + std::to_string(shots) + ", below 0";
    if (g.LblShotsLeft2.Caption() != std::to_string(shots))
        return "Shots is " + std::to_string(shots) + " but LblShotsLeft2 shows " +
               quoted(g.LblShotsLeft2.Caption());
    return std::nullopt;
}

Detail directionFlags(const Form1& g) {
    for (const GameField& field : kGameFields) {
        if (!field.flag) continue;
        const Boolean flag = g.state.*field.member;
        if (flag != True && flag != False)
            return std::string(field.name) + " is " + std::to_string(flag.value()) +
                   ", not -1 or 0";
    }
    return std::nullopt;
}

// The crate's clicks first, then the clock's.
Detail clickCounts(const Form1& g) {
    for (const PickupSpec& item : kPickupSpecs) {
        const Int16 clicks = g.state.*item.clicks;
        if (clicks < 0 || clicks > 2)
            return std::string(gameField(item.clicks).name) + " is " +
                   std::to_string(clicks.value()) + ", not 0, 1 or 2";
    }
    return std::nullopt;
}

// The three ducks, and the stores that lend them their pictures.
Detail duckSize(const Form1& g) {
    for (const Image* duck :
         {&g.ImgDuck1, &g.Imgduck2, &g.Imgduck3, &g.Imgright, &g.imgleft, &g.ImgDead})
        if (duck->Width() != 1305 || duck->Height() != 900)
            return duck->name() + " is " + Str(duck->Width()) + " x " + Str(duck->Height()) +
                   " twips";
    return std::nullopt;
}

Detail oneHandlerAtATime(const Form1& g) {
    if (g.form().inHandler()) return std::string("a handler is still running after the event");
    return std::nullopt;
}

struct Check {
    const char* name;
    Detail (*judge)(const Form1&);
};

constexpr std::array kChecks = {
    Check{"shots shown", shotsShown},
    Check{"direction flags", directionFlags},
    Check{"click counts", clickCounts},
    Check{"counter caption", [](const Form1& g) { return wholeNumberText(g.LblScore2); }},
    Check{"counter caption", [](const Form1& g) { return wholeNumberText(g.LblTimeLeft); }},
    Check{"counter caption", [](const Form1& g) { return wholeNumberText(g.LblShotsLeft2); }},
    Check{"counter caption", [](const Form1& g) { return wholeNumberText(g.LblAmmo); }},
    Check{"counter caption", [](const Form1& g) { return wholeNumberText(g.lblclock); }},
    Check{"duck size", duckSize},
    Check{"one handler at a time", oneHandlerAtATime},
};

constexpr const char* kHitsName = "hits never go down";

}  // namespace

InvariantChecker::InvariantChecker(const Form1& game) : game_(game), excused_(kChecks.size()) {
    rebaseline();
}

std::optional<std::string> InvariantChecker::judge(std::size_t index) const {
    if (auto detail = kChecks[index].judge(game_)) return kChecks[index].name + (": " + *detail);
    return std::nullopt;
}

std::optional<double> InvariantChecker::hits() const {
    if (wholeNumberText(game_.LblScore2)) return std::nullopt;
    return Val(game_.LblScore2.Caption());
}

std::string InvariantChecker::afterEvent() {
    for (std::size_t i = 0; i < kChecks.size(); ++i) {
        auto message = judge(i);
        if (!message)
            excused_[i] = false;
        else if (!excused_[i])
            return *message;
    }
    const auto now = hits();
    if (now && lastHits_ && *now < *lastHits_)
        return std::string(kHitsName) + ": LblScore2 went from " + quoted(Str(*lastHits_)) +
               " to " + quoted(Str(*now));
    if (now) lastHits_ = now;
    return {};
}

void InvariantChecker::rebaseline() {
    for (std::size_t i = 0; i < kChecks.size(); ++i) excused_[i] = judge(i).has_value();
    lastHits_ = hits();
}

std::vector<std::string> InvariantChecker::broken() const {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < kChecks.size(); ++i)
        if (auto message = judge(i)) out.push_back(*message);
    return out;
}

}  // namespace fenwing
