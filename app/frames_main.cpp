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

#include "playfield/layout.h"
#include "session/play.h"
#include "window/field_view.h"

namespace {

using namespace fenwing;

class Frames {
  public:
    Frames(std::vector<script::ScriptLine> lines, Micros step, Micros from, Micros to, QString dir)
        : play_(std::move(lines), printed_),
          step_(step),
          next_(from),
          to_(to),
          dir_(std::move(dir)) {
        play_.session().form().setRepaintSink(&view_);
        view_.resize(view_.sizeHint());
        play_.onCommand([this](const script::Command& c) {
            if (c.verb == script::Verb::ClickAt) clicks_.push_back({now(), c.x, c.y});
        });
    }

    // Plays the script to its end, or to the game's End; false if a picture was not written.
    bool play() {
        using Reason = Play::End::Reason;
        // A picture at every step: the script played up to it, or after its end the game
        // going on alone.
        for (; to_ == kToTheEnd ? !play_.ended() : next_ <= to_; next_ += step_) {
            if (!play_.ended())
                play_.skipTo(next_);
            else
                play_.goOn(next_);
            if (play_.ended() && play_.end()->reason != Reason::ScriptEnd)
                return true;  // the game ended it
            // Without an end asked for, the pictures stop where the script's time does.
            if ((to_ != kToTheEnd || now() >= next_) && !write()) return false;
        }
        return true;
    }

    static constexpr Micros kToTheEnd = -1;

  private:
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

    Micros now() const { return play_.session().now(); }

    std::ostringstream printed_;  // what boxes, get and state print is not wanted here
    Play play_;
    qt::FieldView view_{play_.session().form()};
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
    Frames frames(std::move(*lines), step, argc > 4 ? micros(argv[4]) : 0,
                  argc > 5 ? micros(argv[5]) : Frames::kToTheEnd, QString::fromLocal8Bit(argv[2]));
    return frames.play() ? 0 : 1;
}
