// The cues' sounds, embedded in the program as WAV files and read in place, and the mixing of
// those that play at the same time.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "host/cues.h"

namespace fenwing::qt {

// 16-bit mono samples at this rate, as tools/sound/make_sounds.py writes them.
inline constexpr int kSoundRate = 11025;

// How much the stream keeps ahead of the speaker: little, so that a sound starts soon after its
// cue. In bytes of 16-bit mono samples, for `latencyMs` milliseconds.
constexpr std::uint32_t streamTargetBytes(int latencyMs) {
    return static_cast<std::uint32_t>(2 * kSoundRate * latencyMs / 1000);
}

// One sound's samples, little-endian 16-bit, in the program's resources.
struct Sound {
    const unsigned char* data = nullptr;
    std::size_t samples = 0;
};

// The samples of a 16-bit mono PCM WAV file at kSoundRate; an empty sound for anything else.
Sound parseWav(const unsigned char* bytes, std::size_t size);

// Each cue's sound, in the order of kCues; empty where a file is missing.
std::array<Sound, kCues.size()> embeddedSounds();

// The sounds playing now: each starts where the next buffer begins and plays once to its end.
// The sounds leave room for two at once; where more would sum past kCeiling, a limiter turns
// the whole mix down, at once and just enough, and back up over some 50 ms, so that no sample
// is ever clipped.
class Mixer {
  public:
    // The loudest sample of the mix, -1.5 dBFS: the server, resampling the stream to the
    // sound card's rate, may make a peak up to 0.7 dB higher.
    static constexpr int kCeiling = 27571;

    void start(const Sound& sound);
    bool playing() const { return !voices_.empty(); }
    // The next `frames` samples of all the sounds summed and limited; silence when none plays.
    // A sum within kCeiling with the limiter at rest is the exact sum.
    void mix(std::int16_t* out, std::size_t frames);

  private:
    struct Voice {
        const Sound* sound;
        std::size_t next;
    };
    std::vector<Voice> voices_;
    float gain_ = 1;  // the limiter's, 1 at rest
};

}  // namespace fenwing::qt
