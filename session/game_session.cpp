#include "session/game_session.h"

#include <algorithm>
#include <ostream>
#include <stdexcept>

#include "game/invariants.h"
#include "playfield/layout.h"
#include "session/lookahead.h"
#include "session/properties.h"
#include "session/recorder.h"
#include "session/state.h"

namespace fenwing {

namespace {
// An event broke an invariant.
struct CheckFailure {
    std::string message;
};
}  // namespace

// The one place where the game is put together: the form as laid out, Form1 bound to it, and
// its Load before any other event.
GameSession::GameSession(std::uint64_t seed, std::ostream& out)
    : out_(out),
      random_(seed),
      form_(buildForm1()),
      game_(std::make_unique<Form1>(*form_, static_cast<Services&>(*this), random_)) {
    form_->deliver([this] { game_->Form_Load(); });
}

GameSession::~GameSession() = default;

GameSession::Status GameSession::run(const std::function<void()>& events) {
    if (over_) return Status::Ended;
    try {
        events();
        return Status::Running;
    } catch (const EndProgram&) {
        games_.close();
        if (recorder_) recorder_->ended();
        if (live_) printState();
        out_ << "end\n";
        over_ = true;
        return Status::Ended;
    } catch (const RuntimeError& e) {
        if (recorder_) recorder_->failed(now());
        error_ = e.what();
        errorNumber_ = e.number();
        over_ = true;
        return Status::RuntimeError;
    } catch (const CheckFailure& e) {
        error_ = e.message;
        return Status::CheckFailed;
    } catch (const std::logic_error& e) {
        // Such as an event that arrived while a handler was running: with checks on, a failed
        // check like any other; without, it ends the program as before.
        if (!checker_) throw;
        error_ = e.what();
        return Status::CheckFailed;
    }
}

void GameSession::perform(const script::Command& c) {
    using script::Verb;
    Form& form = *form_;
    planned_.reset();  // the next wake is measured from the next tick due
    if (c.isInput()) {
        closeBoxes();
        if (recorder_) recorder_->input(now(), c);
    }
    switch (c.verb) {
        case Verb::Menu:
            return form.choose(form.menuItem(c.name));
        case Verb::Key:
            form.pressKey(c.name);
            return;
        case Verb::Click:
            if (auto* control = dynamic_cast<VisualControl*>(form.find(c.name)))
                form.click(*control);
            return;
        case Verb::ClickAt:
            return form.clickAt(c.x, c.y);
        case Verb::Fire:
            return form.fire(form.timer(c.name));
        case Verb::Advance:
            return advanceTo(now() + c.micros);
        case Verb::Stall:
            return stallTo(now() + c.micros);
        case Verb::Get:
            out_ << (c.property.empty() && Form1::isField(c.name)
                         ? game_->getField(c.name)
                         : getProperty(form, c.name, c.property))
                 << '\n';
            return;
        case Verb::Set:
            if (c.property.empty() && Form1::isField(c.name))
                game_->setField(c.name, c.value);
            else
                setProperty(form, c.name, c.property, c.value);
            if (checker_) checker_->rebaseline();
            return;
        case Verb::Seed:
            return random_.seed(c.number);
        case Verb::Version:
            return;  // checked as it was read
        case Verb::State:
            return printState();
    }
}

// The one loop of time: every host's time passes here.
void GameSession::advanceTo(Micros t) {
    noteTicks(t);
    form_->advanceTo(t);
}

void GameSession::stallTo(Micros t) {
    noteTicks(t);
    form_->catchUpTo(t);
}

void GameSession::noteTicks(Micros t) {
    const std::optional<Micros> due = form_->scheduler().nextDue();
    ticked_ = ticked_ || (due && *due <= t);
}

void GameSession::wake(Micros t) {
    const Scheduler& scheduler = form_->scheduler();
    const std::optional<Micros> due = scheduler.nextDue();
    if (!due) return advanceTo(t);
    // Lateness counts from the wake the host was asked for: ticks before it were left for it on
    // purpose, since they changed nothing on the screen.
    const Micros planned = std::max(planned_.value_or(*due), *due);
    if (planned == kNever || t - planned <= kMaxLateness) return advanceTo(t);
    // The ticks left for that wake, each at its deadline; from there on, a stall.
    for (std::optional<Micros> d = due; d && *d < planned; d = scheduler.nextDue()) advanceTo(*d);
    if (recorder_) recorder_->stall(now(), t);
    stallTo(t);
}

std::optional<Micros> GameSession::nextWake() {
    const Scheduler& scheduler = form_->scheduler();
    // Still once ticks have passed that showed nothing; moving again as soon as anything shows.
    const std::uint64_t shown = shown_ + form_->redrawsAsked();
    if (shown != shownAtPlan_)
        still_ = false;
    else if (ticked_)
        still_ = true;
    shownAtPlan_ = shown;
    ticked_ = false;
    // With checks on, a tick that breaks an invariant is found at its own moment.
    if (!still_ || checker_ || over_) {
        planned_ = scheduler.nextDue();
        return planned_;
    }
    if (!lookahead_) lookahead_ = std::make_unique<Lookahead>();
    lookahead_->copy(*game_, random_);
    planned_ = lookahead_->firstShown(now() + kIdleHorizon);
    if (!planned_) {
        planned_ = kNever;
        return std::nullopt;
    }
    return planned_;
}

void GameSession::closeBox() {
    if (!boxes_.empty()) boxes_.pop_front();
}

void GameSession::closeBoxes() {
    if (boxes_.empty()) return;
    boxes_.clear();
    if (onBoxesClosed) onBoxesClosed();
}

void GameSession::checkInvariants() {
    checker_ = std::make_unique<InvariantChecker>(*game_);
    form_->afterEvent = [this] {
        if (std::string broken = checker_->afterEvent(); !broken.empty())
            throw CheckFailure{std::move(broken)};
    };
}

void GameSession::record(std::unique_ptr<script::Recorder> recorder, const std::string& comments) {
    recorder_ = std::move(recorder);
    recorder_->begin(random_.state(), comments);
}

void GameSession::note(const std::string& text) {
    if (recorder_ && !over_) recorder_->comment(text);
}

void GameSession::recordTime() {
    if (recorder_ && !over_) recorder_->reach(now());
}

bool GameSession::recordingFailed() const { return recorder_ && !recorder_->ok(); }

void GameSession::finish() {
    if (over_) return;
    if (recorder_) recorder_->finish(now());
    games_.close();
    printState();
    over_ = true;
}

void GameSession::printState() { script::printState(out_, *game_); }

// The box is noted and the handler returns at once: the game goes on while it is open.
void GameSession::MsgBox(const std::string& prompt, int, const std::string& title) {
    script::printBox(out_, title, prompt);
    boxes_.push_back({title, prompt});
    ++shown_;
    if (onBox) onBox(boxes_.back());
}

// The game clock, as in every host: a recording reproduces each draw.
double GameSession::clockReading() { return form_->scheduler().seconds(); }

void GameSession::cue(Cue cue) {
    ++shown_;
    games_.cue(cue, now());
    if (printCues_) out_ << "cue " << cueName(cue) << '\n';
    if (onCue) onCue(cue);
}

}  // namespace fenwing
