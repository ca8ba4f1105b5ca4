// The embedded sounds and the mixer: every cue has a sound the player can read, a WAV file of
// any other kind is refused, and sounds that overlap are summed and clipped, each to its end.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "audio/sounds.h"

namespace fenwing::qt {
namespace {

// A WAV file of `samples`, with the format fields given.
std::vector<unsigned char> wav(const std::vector<std::int16_t>& samples, int rate = kSoundRate,
                               int channels = 1, int bits = 16, bool extraChunk = false) {
    std::vector<unsigned char> out;
    auto put = [&](std::uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) out.push_back((v >> (8 * i)) & 0xff);
    };
    auto tag = [&](const char* id) {
        for (int i = 0; i < 4; ++i) out.push_back(static_cast<unsigned char>(id[i]));
    };
    tag("RIFF"), put(0, 4), tag("WAVE");
    tag("fmt "), put(16, 4), put(1, 2), put(channels, 2), put(rate, 4);
    put(rate * channels * bits / 8, 4), put(channels * bits / 8, 2), put(bits, 2);
    if (extraChunk) tag("LIST"), put(3, 4), put(0, 3), put(0, 1);  // odd length, padded
    tag("data"), put(2 * samples.size(), 4);
    for (std::int16_t s : samples) put(std::uint16_t(s), 2);
    return out;
}

TEST(Sounds, EveryCueHasItsSound) {
    const auto sounds = embeddedSounds();
    for (Cue cue : kCues) {
        const Sound& s = sounds[static_cast<std::size_t>(cue)];
        EXPECT_GT(s.samples, kSoundRate / 20u) << cueName(cue);
        EXPECT_LT(s.samples, std::size_t(kSoundRate)) << cueName(cue);  // under a second
    }
}

TEST(Sounds, OnlyMono16BitAtTheRateIsRead) {
    const std::vector<std::int16_t> samples = {1, -2, 3};
    auto read = [](const std::vector<unsigned char>& bytes) {
        return parseWav(bytes.data(), bytes.size()).samples;
    };
    EXPECT_EQ(read(wav(samples)), 3u);
    EXPECT_EQ(read(wav(samples, kSoundRate, 1, 16, true)), 3u);
    EXPECT_EQ(read(wav(samples, 22050)), 0u);
    EXPECT_EQ(read(wav(samples, kSoundRate, 2)), 0u);
    EXPECT_EQ(read(wav(samples, kSoundRate, 1, 8)), 0u);
    auto cut = wav(samples);
    cut.pop_back();  // the data chunk is longer than the file
    EXPECT_EQ(read(cut), 0u);
    EXPECT_EQ(read({'R', 'I', 'F', 'F'}), 0u);
}

TEST(Mixer, SumsOverlappingSoundsClipsThemAndPlaysEachToItsEnd) {
    const std::vector<std::int16_t> a(300, 30000), b = {-1000, 5000, -32768};
    const auto bytesA = wav(a), bytesB = wav(b);
    const Sound soundA = parseWav(bytesA.data(), bytesA.size());
    const Sound soundB = parseWav(bytesB.data(), bytesB.size());
    Mixer mixer;
    std::vector<std::int16_t> out(298);
    mixer.start(soundA);
    mixer.mix(out.data(), out.size());  // more than one block of the mixer's
    EXPECT_EQ(out[0], 30000);
    EXPECT_EQ(out[297], 30000);
    mixer.start(soundB);  // from the next buffer on, over the last two samples of the first
    out.assign(4, 7);
    mixer.mix(out.data(), out.size());
    EXPECT_EQ(out, (std::vector<std::int16_t>{29000, 32767, -32768, 0}));
    EXPECT_FALSE(mixer.playing());
    mixer.start(soundB);
    mixer.start(soundB);
    mixer.mix(out.data(), 3);
    EXPECT_EQ(out[0], -2000);
    EXPECT_EQ(out[1], 10000);
    EXPECT_EQ(out[2], -32768);  // -65536, clipped
}

}  // namespace
}  // namespace fenwing::qt
