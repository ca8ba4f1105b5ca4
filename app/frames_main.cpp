// fenwing-frames: plays a driver script, such as a recording, in virtual time and writes the
// window's client area as a PNG picture at every step of virtual time, for an animation of the
// game (tools/animation.sh). A click shows as a ring where it landed for a moment. Nothing
// depends on the real clock: the same script gives the same pictures.
//
//   fenwing-frames SCRIPT DIR [STEP_MS [FROM_MS [TO_MS]]]
//
// Pictures DIR/frame-00000.png, ... at FROM_MS, FROM_MS + STEP_MS, ... (100, 0 and the script's
// end by default). Runs on Qt's offscreen platform unless another is asked for.
#include <QtGui/QPainter>
#include <QtWidgets/QApplication>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <sstream>

#include "host/qt/field_view.h"
#include "host/script/parser.h"
#include "host/script/perform.h"
#include "playfield/layout.h"

namespace {

using namespace fenwing;

// The headless host's services: boxes are not drawn, the generator reads the game clock.
class Frames : public Services {
  public:
    Frames(Micros step, Micros from, Micros to, QString dir)
        : step_(step), next_(from), to_(to), dir_(std::move(dir)) {
        form_->deliver([this] { game_.Form_Load(); });
        form_->setRepaintSink(&view_);
        view_.resize(view_.sizeHint());
    }

    void MsgBox(const std::string&, int, const std::string&) override {}
    double clockReading() override { return form_->scheduler().seconds(); }

    // Plays the script to its end, or to the game's End; false if a picture was not written.
    bool play(const std::vector<script::ScriptLine>& lines) {
        std::ostringstream printed;  // what get and state print is not wanted here
        try {
            for (const script::ScriptLine& line : lines) {
                const script::Command& c = line.command;
                Scheduler& scheduler = form_->scheduler();
                if (c.verb == script::Verb::Advance || c.verb == script::Verb::Stall) {
                    const Micros until = scheduler.now() + c.micros;
                    // In a stall the game stands still; in an advance it moves between frames.
                    const bool ticking = c.verb == script::Verb::Advance;
                    if (!framesUntil(until, ticking)) return false;
                    ticking ? form_->advanceTo(until) : form_->catchUpTo(until);
                    continue;
                }
                if (c.verb == script::Verb::ClickAt) clicks_.push_back({scheduler.now(), c.x, c.y});
                script::perform(c, game_, random_, printed);
            }
        } catch (const EndProgram&) {
        }
        return to_ == kToTheEnd || framesUntil(to_, true);
    }

    static constexpr Micros kToTheEnd = -1;

  private:
    bool framesUntil(Micros until, bool ticking) {
        while (next_ <= until && (to_ == kToTheEnd || next_ <= to_)) {
            if (ticking) form_->advanceTo(next_);
            if (!write()) return false;
            next_ += step_;
        }
        return true;
    }

    bool write() {
        QImage image = view_.grab().toImage();
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        const double scale = image.width() / double(windowLayout().clientWidth);
        for (const Click& c : clicks_) {
            const Micros age = next_ - c.at;
            if (age < 0 || age > kRingMicros) continue;
            p.setPen(QPen(QColor(220, 20, 20), 3));
            const double r = 6 + 14 * double(age) / kRingMicros;
            p.drawEllipse(QPointF(c.x * scale, c.y * scale), r, r);
        }
        p.end();
        const QString path =
            QStringLiteral("%1/frame-%2.png").arg(dir_).arg(count_++, 5, 10, QChar('0'));
        if (image.save(path)) return true;
        std::fprintf(stderr, "fenwing-frames: cannot write %s\n", qPrintable(path));
        return false;
    }

    static constexpr Micros kRingMicros = 400'000;
    struct Click {
        Micros at;
        float x, y;
    };

    std::unique_ptr<Form> form_ = buildForm1();
    Random random_;
    Form1 game_{*form_, *this, random_};
    qt::FieldView view_{*form_};
    std::vector<Click> clicks_;
    Micros step_, next_, to_;
    QString dir_;
    int count_ = 0;
};

Micros micros(const char* ms) { return static_cast<Micros>(std::atof(ms) * 1000); }

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3 || argc > 6) {
        std::fprintf(stderr, "usage: fenwing-frames SCRIPT DIR [STEP_MS [FROM_MS [TO_MS]]]\n");
        return 2;
    }
    // Checked whole before the toolkit starts: a bad script is one line of error.
    const auto lines = script::loadScript(argv[1], std::cerr);
    if (!lines) return 2;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const Micros step = argc > 3 ? micros(argv[3]) : 100'000;
    if (step <= 0) {
        std::fprintf(stderr, "fenwing-frames: STEP_MS must be above 0\n");
        return 2;
    }
    Frames frames(step, argc > 4 ? micros(argv[4]) : 0,
                  argc > 5 ? micros(argv[5]) : Frames::kToTheEnd, QString::fromLocal8Bit(argv[2]));
    return frames.play(*lines) ? 0 : 1;
}
