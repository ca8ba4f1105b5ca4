// The embedded sounds and the mixer: every cue has a sound the player can read, a WAV file of
// any other kind is refused, and sounds that overlap are summed, each to its end, and limited:
// the cues' overlaps in play pass untouched, and no pile-up of them is ever clipped.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <utility>
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

// The stream keeps 10 ms ahead: 110 samples of two bytes, not a second's worth or more.
TEST(Sounds, TheStreamKeepsMillisecondsAhead) {
    EXPECT_EQ(streamTargetBytes(10), 220u);
    EXPECT_EQ(streamTargetBytes(1000), 2u * kSoundRate);
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

TEST(Mixer, SumsOverlappingSoundsAndPlaysEachToItsEnd) {
    const std::vector<std::int16_t> a(300, 10000), b = {-1000, 5000, -8000};
    const auto bytesA = wav(a), bytesB = wav(b);
    const Sound soundA = parseWav(bytesA.data(), bytesA.size());
    const Sound soundB = parseWav(bytesB.data(), bytesB.size());
    Mixer mixer;
    std::vector<std::int16_t> out(298);
    mixer.start(soundA);
    mixer.mix(out.data(), out.size());  // more than one block of the mixer's
    EXPECT_EQ(out[0], 10000);
    EXPECT_EQ(out[297], 10000);
    mixer.start(soundB);  // from the next buffer on, over the last two samples of the first
    out.assign(4, 7);
    mixer.mix(out.data(), out.size());
    EXPECT_EQ(out, (std::vector<std::int16_t>{9000, 15000, -8000, 0}));
    EXPECT_FALSE(mixer.playing());
    mixer.start(soundB);
    mixer.start(soundB);
    mixer.mix(out.data(), 3);
    EXPECT_EQ(out[0], -2000);
    EXPECT_EQ(out[1], 10000);
    EXPECT_EQ(out[2], -16000);
}

// The largest size of the samples from `from` to `to`.
template <class Sample>
int peak(const std::vector<Sample>& out, std::size_t from = 0, std::size_t to = SIZE_MAX) {
    int most = 0;
    for (std::size_t i = from; i < std::min(to, out.size()); ++i)
        most = std::max(most, std::abs(int(out[i])));
    return most;
}

TEST(Mixer, LimitsALoudSumToTheCeilingAndLetsGoAfter) {
    // A long quiet tone, and over it two loud ones that would sum far past full scale.
    std::vector<std::int16_t> quiet(kSoundRate), loud(kSoundRate / 10);
    for (std::size_t i = 0; i < quiet.size(); ++i) quiet[i] = i % 20 < 10 ? 4000 : -4000;
    for (std::size_t i = 0; i < loud.size(); ++i) loud[i] = i % 16 < 8 ? 30000 : -30000;
    const auto bytesQuiet = wav(quiet), bytesLoud = wav(loud);
    const Sound soundQuiet = parseWav(bytesQuiet.data(), bytesQuiet.size());
    const Sound soundLoud = parseWav(bytesLoud.data(), bytesLoud.size());
    Mixer mixer;
    std::vector<std::int16_t> out(kSoundRate);
    mixer.start(soundQuiet);
    mixer.mix(out.data(), 100);
    EXPECT_EQ(peak(out, 0, 100), 4000);
    mixer.start(soundLoud);
    mixer.start(soundLoud);
    mixer.mix(out.data(), out.size() - 100);
    // Turned down at once, just to the ceiling: the loudest sum, 64000, to kCeiling, and the
    // others, no quieter than 56000, no further.
    EXPECT_EQ(peak(out, 0, loud.size()), Mixer::kCeiling);
    for (std::size_t i = 0; i < loud.size(); ++i)
        ASSERT_GE(std::abs(int(out[i])), 56000 * Mixer::kCeiling / 64000 - 1) << i;
    // It lets go over some 50 ms: by then about a third (1/e) of the cut is left, neither all of
    // it (a slow release ducks the next sounds) nor none (a quick one pumps). The cut is read
    // from the quiet tone alone, which is +-4000.
    const auto cut = [&](std::size_t i) { return 1 - std::abs(out[i]) / 4000.0; };
    const double left = cut(loud.size() + kSoundRate / 20) / cut(loud.size());
    EXPECT_GT(left, 0.30) << cut(loud.size());
    EXPECT_LT(left, 0.44) << cut(loud.size());
    // Half a second after the loud ones, the quiet one is back at its own level, untouched.
    EXPECT_EQ(peak(out, loud.size() + kSoundRate / 2, quiet.size() - 100), 4000);
    EXPECT_FALSE(mixer.playing());
    // And the next sound starts at its own level.
    mixer.start(soundQuiet);
    mixer.mix(out.data(), 10);
    EXPECT_EQ(out[0], 4000);
}

// The cues' sounds from a mixer, each starting that many samples in; as long as the longest.
std::vector<std::int16_t> play(std::vector<std::pair<std::size_t, Cue>> starts) {
    static const auto sounds = embeddedSounds();
    std::sort(starts.begin(), starts.end());
    std::size_t length = 0;
    for (const auto& [at, cue] : starts)
        length = std::max(length, at + sounds[static_cast<std::size_t>(cue)].samples);
    Mixer mixer;
    std::vector<std::int16_t> out(length);
    std::size_t done = 0;
    for (const auto& [at, cue] : starts) {
        mixer.mix(out.data() + done, at - done);
        done = at;
        mixer.start(sounds[static_cast<std::size_t>(cue)]);
    }
    mixer.mix(out.data() + done, length - done);
    return out;
}

// The cues' sounds summed without any limit, in 32 bits.
std::vector<int> plainSum(const std::vector<std::pair<std::size_t, Cue>>& starts) {
    static const auto sounds = embeddedSounds();
    std::vector<int> sum;
    for (const auto& [at, cue] : starts) {
        const Sound& s = sounds[static_cast<std::size_t>(cue)];
        sum.resize(std::max(sum.size(), at + s.samples));
        for (std::size_t i = 0; i < s.samples; ++i)
            sum[at + i] += std::int16_t(s.data[2 * i] | s.data[2 * i + 1] << 8);
    }
    return sum;
}

TEST(Mixer, TheCuesThatSoundTogetherInPlayPassUntouched) {
    // A hit sounds its quack and then its shot; the last shot its shot and then the end of the
    // shots, with the second a server's request or so after the first: up to 40 ms.
    const std::pair<Cue, Cue> pairs[] = {{Cue::Hit, Cue::Shot}, {Cue::Shot, Cue::OutOfAmmo}};
    for (const auto& [first, second] : pairs) {
        for (std::size_t late = 0; late <= kSoundRate / 25; late += 7) {
            const std::vector<std::pair<std::size_t, Cue>> starts = {{0, first}, {late, second}};
            const auto out = play(starts);
            const auto sum = plainSum(starts);
            ASSERT_EQ(out, std::vector<std::int16_t>(sum.begin(), sum.end()))
                << cueName(first) << " then " << cueName(second) << " " << late << " samples on";
        }
    }
}

TEST(Mixer, NoPileUpOfCuesIsEverClipped) {
    const auto check = [](const std::vector<std::pair<std::size_t, Cue>>& starts,
                          const char* what) {
        EXPECT_LE(peak(play(starts)), Mixer::kCeiling) << what;  // and so below full scale
    };
    // The last shot on a duck: quack, shot and the end of the shots, a few ms apart.
    for (std::size_t late = 0; late <= kSoundRate / 25; late += 7)
        check({{0, Cue::Hit}, {late, Cue::Shot}, {2 * late, Cue::OutOfAmmo}}, "last shot, a hit");
    // Clicks 60 ms apart after the shots are gone, each ending the game again; a quick run of
    // shots at ducks with their landings.
    std::vector<std::pair<std::size_t, Cue>> clicks, run;
    for (std::size_t i = 0; i < 10; ++i)
        clicks.push_back({i * kSoundRate * 6 / 100, Cue::OutOfAmmo});
    for (std::size_t i = 0; i < 8; ++i) {
        run.push_back({i * kSoundRate * 6 / 100, Cue::Hit});
        run.push_back({i * kSoundRate * 6 / 100 + 40, Cue::Shot});
        run.push_back({i * kSoundRate * 6 / 100 + 500, Cue::Ground});
    }
    check(clicks, "out of shots, clicked on");
    check(run, "a run of hits");
    // Every cue at once.
    std::vector<std::pair<std::size_t, Cue>> all;
    for (Cue cue : kCues) all.push_back({0, cue});
    check(all, "every cue at once");
    // Summed plainly, the last two would clip: it is the limiter that keeps them whole.
    EXPECT_GT(peak(plainSum(run)), 32767);
    EXPECT_GT(peak(plainSum(all)), 32767);
}

}  // namespace
}  // namespace fenwing::qt
