#include "session/lookahead.h"

#include "playfield/layout.h"

namespace fenwing {

Lookahead::Lookahead()
    : form_(buildForm1()),
      game_(std::make_unique<Form1>(*form_, static_cast<Services&>(*this), random_)) {}

Lookahead::~Lookahead() = default;

void Lookahead::copy(const Form1& game, const Random& random) {
    form_->copyStateFrom(game.form());
    game_->state = game.state;
    random_.seed(random.state());
}

std::optional<Micros> Lookahead::firstShown(Micros limit) {
    Scheduler& scheduler = form_->scheduler();
    for (std::optional<Micros> due = scheduler.nextDue(); due; due = scheduler.nextDue()) {
        if (*due >= limit) return due;
        const std::uint64_t redraws = form_->redrawsAsked();
        heard_ = false;
        try {
            form_->advanceTo(*due);  // every tick due at that moment
        } catch (...) {
            return due;  // a run-time error: the game raises it there, and ends
        }
        if (heard_ || form_->redrawsAsked() != redraws) return due;
    }
    return std::nullopt;
}

// What the copy asks for is only noted: no one sees it.
void Lookahead::MsgBox(const std::string&, int, const std::string&) { heard_ = true; }

// The game clock, as the session's: the copy draws exactly what the game will.
double Lookahead::clockReading() { return form_->scheduler().seconds(); }

void Lookahead::cue(Cue) { heard_ = true; }

}  // namespace fenwing
