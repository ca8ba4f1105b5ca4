#include "audio/sound_player.h"

#include <QtCore/QLibrary>
#include <cstdio>

#include "audio/sounds.h"

#if __has_include(<pulse/pulseaudio.h>)
#include <pulse/pulseaudio.h>
#define FENWING_PULSE 1
#endif

namespace fenwing::qt {

#ifdef FENWING_PULSE

namespace {
// The longest a sound waits in the stream and the server before it is heard: the server asks
// for data in steps well under this, and a cue's sound is mixed into the next step.
constexpr int kLatencyMs = 10;
constexpr const char* kAppId = "io.github.fenwing.Fenwing";
}  // namespace

// The functions of libpulse that the player calls, found by name in the library once loaded,
// with the types its headers give them.
// clang-format off
#define FENWING_PULSE_FUNCTIONS(X) \
    X(pa_threaded_mainloop_new) \
    X(pa_threaded_mainloop_free) \
    X(pa_threaded_mainloop_start) \
    X(pa_threaded_mainloop_stop) \
    X(pa_threaded_mainloop_lock) \
    X(pa_threaded_mainloop_unlock) \
    X(pa_threaded_mainloop_get_api) \
    X(pa_proplist_new) \
    X(pa_proplist_free) \
    X(pa_proplist_sets) \
    X(pa_context_new_with_proplist) \
    X(pa_context_set_state_callback) \
    X(pa_context_connect) \
    X(pa_context_disconnect) \
    X(pa_context_unref) \
    X(pa_context_get_state) \
    X(pa_context_errno) \
    X(pa_stream_new_with_proplist) \
    X(pa_stream_set_state_callback) \
    X(pa_stream_set_write_callback) \
    X(pa_stream_connect_playback) \
    X(pa_stream_disconnect) \
    X(pa_stream_unref) \
    X(pa_stream_get_state) \
    X(pa_stream_writable_size) \
    X(pa_stream_begin_write) \
    X(pa_stream_write) \
    X(pa_stream_drain) \
    X(pa_stream_cork) \
    X(pa_operation_unref) \
    X(pa_strerror)
// clang-format on

struct SoundPlayer::Pulse {
#define FENWING_DECLARE(f) decltype(&::f) f = nullptr;
    FENWING_PULSE_FUNCTIONS(FENWING_DECLARE)
#undef FENWING_DECLARE

    explicit Pulse(std::atomic<bool>& readyFlag) : ready(readyFlag) {}
    ~Pulse();

    bool load();
    void connect();
    void onContextState();
    void onStreamState();
    void write(std::size_t bytes);  // with the loop locked
    void onWrite(std::size_t bytes);
    void onDrained();
    void cork(bool on);
    void play(Cue cue);
    void tell(const char* what, int error);

    std::atomic<bool>& ready;
    std::array<Sound, kCues.size()> sounds{};
    pa_threaded_mainloop* loop = nullptr;
    pa_context* context = nullptr;
    pa_stream* stream = nullptr;
    Mixer mixer;  // used with the loop locked, as are the two flags below
    bool corked = true;
    bool draining = false;
    bool told = false;  // one line at most on standard error
};

bool SoundPlayer::Pulse::load() {
    QLibrary library(QStringLiteral("pulse"), 0);  // stays loaded to the end of the program
    if (!library.load()) return false;             // no libpulse: silent, as without a server
#define FENWING_RESOLVE(f) f = reinterpret_cast<decltype(f)>(library.resolve(#f));
    FENWING_PULSE_FUNCTIONS(FENWING_RESOLVE)
#undef FENWING_RESOLVE
#define FENWING_CHECK(f) \
    if (!f) return tell("libpulse lacks " #f, 0), false;
    FENWING_PULSE_FUNCTIONS(FENWING_CHECK)
#undef FENWING_CHECK
    sounds = embeddedSounds();
    return true;
}

void SoundPlayer::Pulse::tell(const char* what, int error) {
    if (told) return;
    told = true;
    if (error)
        std::fprintf(stderr, "fenwing: no sound: %s: %s\n", what, pa_strerror(error));
    else
        std::fprintf(stderr, "fenwing: no sound: %s\n", what);
}

// Connects without starting a server. The names let the desktop show and remember the
// stream's volume as the game's own.
void SoundPlayer::Pulse::connect() {
    loop = pa_threaded_mainloop_new();
    if (!loop) return;
    pa_proplist* names = pa_proplist_new();
    pa_proplist_sets(names, PA_PROP_APPLICATION_NAME, "Fenwing");
    pa_proplist_sets(names, PA_PROP_APPLICATION_ID, kAppId);
    pa_proplist_sets(names, PA_PROP_APPLICATION_ICON_NAME, kAppId);
    context = pa_context_new_with_proplist(pa_threaded_mainloop_get_api(loop), "Fenwing", names);
    pa_proplist_free(names);
    if (!context) return;
    pa_context_set_state_callback(
        context, [](pa_context*, void* self) { static_cast<Pulse*>(self)->onContextState(); },
        this);
    if (pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) return;
    pa_threaded_mainloop_start(loop);
}

void SoundPlayer::Pulse::onContextState() {
    switch (pa_context_get_state(context)) {
        case PA_CONTEXT_READY: {
            pa_proplist* names = pa_proplist_new();
            pa_proplist_sets(names, PA_PROP_MEDIA_NAME, "Fenwing");
            const pa_sample_spec spec{PA_SAMPLE_S16LE, kSoundRate, 1};
            stream = pa_stream_new_with_proplist(context, "Fenwing", &spec, nullptr, names);
            pa_proplist_free(names);
            if (!stream) return tell("cannot make a stream", pa_context_errno(context));
            pa_stream_set_state_callback(
                stream, [](pa_stream*, void* self) { static_cast<Pulse*>(self)->onStreamState(); },
                this);
            pa_stream_set_write_callback(
                stream,
                [](pa_stream*, std::size_t bytes, void* self) {
                    static_cast<Pulse*>(self)->onWrite(bytes);
                },
                this);
            // Little is kept ahead, so that a sound starts soon after its cue. The stream starts
            // paused, and pauses again whenever it has played out, so that neither the game
            // nor the server wakes while nothing sounds.
            const std::uint32_t target = streamTargetBytes(kLatencyMs);
            const pa_buffer_attr buffer{std::uint32_t(-1), target, std::uint32_t(-1),
                                        std::uint32_t(-1), std::uint32_t(-1)};
            const auto flags =
                static_cast<pa_stream_flags_t>(PA_STREAM_ADJUST_LATENCY | PA_STREAM_START_CORKED);
            if (pa_stream_connect_playback(stream, nullptr, &buffer, flags, nullptr, nullptr) < 0)
                tell("cannot open a stream", pa_context_errno(context));
            break;
        }
        case PA_CONTEXT_FAILED:
        case PA_CONTEXT_TERMINATED:
            // Without a server there is simply no sound; a server that goes away is reported.
            if (ready.exchange(false))
                tell("the sound server went away", pa_context_errno(context));
            break;
        default:
            break;
    }
}

void SoundPlayer::Pulse::onStreamState() {
    switch (pa_stream_get_state(stream)) {
        case PA_STREAM_READY:
            ready = true;
            break;
        case PA_STREAM_FAILED:
            ready = false;
            tell("the stream failed", pa_context_errno(context));
            break;
        default:
            break;
    }
}

// Fills `bytes` of the stream with the mix, in the server's own memory where it offers it.
void SoundPlayer::Pulse::write(std::size_t bytes) {
    while (bytes >= 2) {
        void* data = nullptr;
        std::size_t n = bytes;
        if (pa_stream_begin_write(stream, &data, &n) < 0 || !data) return;
        n = std::min(n, bytes) & ~std::size_t(1);
        mixer.mix(static_cast<std::int16_t*>(data), n / 2);
        if (pa_stream_write(stream, data, n, nullptr, 0, PA_SEEK_RELATIVE) < 0) return;
        bytes -= n;
    }
}

// The server asks for more: the mix while something plays; once all has been written, the
// stream plays out what it holds and then pauses.
void SoundPlayer::Pulse::onWrite(std::size_t bytes) {
    if (mixer.playing()) return write(bytes);
    if (corked || draining) return;
    draining = true;
    pa_operation_unref(pa_stream_drain(
        stream, [](pa_stream*, int, void* self) { static_cast<Pulse*>(self)->onDrained(); }, this));
}

void SoundPlayer::Pulse::onDrained() {
    draining = false;
    if (!mixer.playing()) cork(true);
}

void SoundPlayer::Pulse::cork(bool on) {
    if (corked == on) return;
    corked = on;
    pa_operation_unref(pa_stream_cork(stream, on, nullptr, nullptr));
}

void SoundPlayer::Pulse::play(Cue cue) {
    pa_threaded_mainloop_lock(loop);
    if (stream && pa_stream_get_state(stream) == PA_STREAM_READY) {
        mixer.start(sounds[static_cast<std::size_t>(cue)]);
        // After a pause the server has asked for a whole buffer: the sound goes out at once.
        const std::size_t writable = pa_stream_writable_size(stream);
        if (writable != std::size_t(-1)) write(writable);
        cork(false);
    }
    pa_threaded_mainloop_unlock(loop);
}

SoundPlayer::Pulse::~Pulse() {
    if (!loop) return;
    pa_threaded_mainloop_lock(loop);
    if (stream) {
        pa_stream_set_state_callback(stream, nullptr, nullptr);
        pa_stream_set_write_callback(stream, nullptr, nullptr);
        pa_stream_disconnect(stream);
        pa_stream_unref(stream);
    }
    if (context) {
        pa_context_set_state_callback(context, nullptr, nullptr);
        pa_context_disconnect(context);
        pa_context_unref(context);
    }
    pa_threaded_mainloop_unlock(loop);
    pa_threaded_mainloop_stop(loop);
    pa_threaded_mainloop_free(loop);
}

SoundPlayer::SoundPlayer() = default;

SoundPlayer::~SoundPlayer() {
    if (setUp_.joinable()) setUp_.join();
    pulse_.reset();
}

void SoundPlayer::start() {
    if (pulse_) return;
    pulse_ = std::make_unique<Pulse>(ready_);
    setUp_ = std::thread([pulse = pulse_.get()] {
        if (pulse->load()) pulse->connect();
    });
}

void SoundPlayer::play(Cue cue) {
    if (ready_) pulse_->play(cue);
}

#else  // built without libpulse's headers: always silent

struct SoundPlayer::Pulse {};
SoundPlayer::SoundPlayer() = default;
SoundPlayer::~SoundPlayer() = default;
void SoundPlayer::start() {}
void SoundPlayer::play(Cue) {}

#endif

}  // namespace fenwing::qt
