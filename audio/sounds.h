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
class Mixer {
  public:
    void start(const Sound& sound);
    bool playing() const { return !voices_.empty(); }
    // The next `frames` samples of all the sounds summed, clipped to 16 bits; silence when
    // none plays.
    void mix(std::int16_t* out, std::size_t frames);

  private:
    struct Voice {
        const Sound* sound;
        std::size_t next;
    };
    std::vector<Voice> voices_;
};

}  // namespace fenwing::qt
