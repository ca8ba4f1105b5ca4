#include "window/first_paint.h"

#include <QtCore/QEvent>
#include <QtCore/QTimer>
#include <QtWidgets/QWidget>

namespace fenwing::qt {

namespace {
// Watches for the first paint, then lets the event loop finish it before running the work.
class FirstPaint : public QObject {
  public:
    FirstPaint(QWidget* widget, std::function<void()> then)
        : QObject(widget), then_(std::move(then)) {
        widget->installEventFilter(this);
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && then_) {
            watched->removeEventFilter(this);
            QTimer::singleShot(0, watched, std::move(then_));
            then_ = nullptr;
            deleteLater();
        }
        return false;
    }

  private:
    std::function<void()> then_;
};
}  // namespace

void afterFirstPaint(QWidget* widget, std::function<void()> then) {
    new FirstPaint(widget, std::move(then));  // owned by the widget, gone after the paint
}

}  // namespace fenwing::qt
