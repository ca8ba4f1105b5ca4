// Plays the cues' sounds through the desktop's sound server (PulseAudio, or PipeWire's service
// for PulseAudio clients) as one stream named "Fenwing". libpulse is loaded at run time, on a
// thread of its own, only once asked to start: the window's first frame never waits for it, and
// a program run with --mute never loads it. Without libpulse or a server the game stays silent
// and says nothing; if the server goes away later, one line on standard error says so.
#pragma once

#include <atomic>
#include <memory>
#include <thread>

#include "host/cues.h"

namespace fenwing::qt {

class SoundPlayer {
  public:
    SoundPlayer();
    ~SoundPlayer();  // waits for the set-up to end, then closes the stream
    SoundPlayer(const SoundPlayer&) = delete;
    SoundPlayer& operator=(const SoundPlayer&) = delete;

    // Loads libpulse and connects, on a thread of its own; returns at once.
    void start();
    // From the window's thread: the cue's sound starts with the next samples the server asks
    // for, mixed with any still playing. Before the stream is ready, nothing plays.
    void play(Cue cue);
    bool ready() const { return ready_; }

    struct Pulse;  // the stream and the functions of libpulse

  private:
    std::atomic<bool> ready_ = false;
    std::unique_ptr<Pulse> pulse_;
    std::thread setUp_;
};

}  // namespace fenwing::qt
