#include "audio/sounds.h"

#include <QtCore/QResource>
#include <QtCore/QString>
#include <algorithm>
#include <cmath>
#include <string>

// Outside any namespace, as Q_INIT_RESOURCE requires.
static void initSoundResources() { Q_INIT_RESOURCE(sounds); }

namespace fenwing::qt {

namespace {
std::uint32_t le32(const unsigned char* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t(p[3]) << 24;
}
std::uint16_t le16(const unsigned char* p) { return std::uint16_t(p[0] | p[1] << 8); }
}  // namespace

// Walks the RIFF chunks: a 'fmt ' chunk of plain PCM, then the 'data' chunk.
Sound parseWav(const unsigned char* bytes, std::size_t size) {
    if (size < 12 || std::string(reinterpret_cast<const char*>(bytes), 4) != "RIFF" ||
        std::string(reinterpret_cast<const char*>(bytes) + 8, 4) != "WAVE")
        return {};
    bool pcm = false;
    for (std::size_t at = 12; at + 8 <= size;) {
        const std::string id(reinterpret_cast<const char*>(bytes) + at, 4);
        const std::size_t length = le32(bytes + at + 4);
        const unsigned char* body = bytes + at + 8;
        if (length > size - at - 8) return {};
        if (id == "fmt " && length >= 16) {
            pcm = le16(body) == 1 && le16(body + 2) == 1 && le32(body + 4) == kSoundRate &&
                  le16(body + 14) == 16;
        } else if (id == "data") {
            return pcm ? Sound{body, length / 2} : Sound{};
        }
        at += 8 + length + (length & 1);
    }
    return {};
}

std::array<Sound, kCues.size()> embeddedSounds() {
    initSoundResources();
    std::array<Sound, kCues.size()> out;
    for (Cue cue : kCues) {
        // Stored uncompressed, so the samples are read where they lie.
        const QResource file(QStringLiteral(":/sounds/%1.wav")
                                 .arg(QLatin1StringView(cueName(cue).data(), cueName(cue).size())));
        if (file.isValid() && file.compressionAlgorithm() == QResource::NoCompression)
            out[static_cast<std::size_t>(cue)] = parseWav(file.data(), file.size());
    }
    return out;
}

void Mixer::start(const Sound& sound) {
    if (sound.samples) voices_.push_back({&sound, 0});
}

void Mixer::mix(std::int16_t* out, std::size_t frames) {
    constexpr std::size_t kBlock = 256;  // summed on the stack: the audio thread allocates nothing
    // What is left of the limiter's cut after a sample: it lets go over 50 ms.
    constexpr float kHold = 1 - 1 / (0.05f * kSoundRate);
    for (std::size_t done = 0; done < frames; done += kBlock) {
        const std::size_t count = std::min(kBlock, frames - done);
        std::int32_t sum[kBlock] = {};
        for (Voice& v : voices_) {
            const std::size_t n = std::min(count, v.sound->samples - v.next);
            const unsigned char* p = v.sound->data + 2 * v.next;
            for (std::size_t i = 0; i < n; ++i, p += 2) sum[i] += std::int16_t(le16(p));
            v.next += n;
        }
        for (std::size_t i = 0; i < count; ++i) {
            const float s = float(sum[i]), size = std::abs(s);
            gain_ = 1 - (1 - gain_) * kHold;
            if (size * gain_ > kCeiling) gain_ = kCeiling / size;
            out[done + i] =
                std::int16_t(std::clamp(std::lrint(s * gain_), -long(kCeiling), long(kCeiling)));
        }
    }
    std::erase_if(voices_, [](const Voice& v) { return v.next == v.sound->samples; });
    if (voices_.empty()) gain_ = 1;  // the next sound after a pause starts at its own level
}

}  // namespace fenwing::qt
