#include "window/placement.h"

#include <QtCore/QEvent>
#include <QtGui/QScreen>
#include <QtGui/QWindow>
#include <QtWidgets/QMainWindow>
#include <QtWidgets/QMenuBar>
#include <algorithm>

#include "window/field_view.h"

namespace fenwing::qt {

// The frame that the window manager puts around the window is known only once it has taken the
// window in: until then a frame as big as common ones is allowed for, and the window is placed
// again for the real one when it is first shown on the screen.
void Placement::show() {
    frameGuess_ = QMargins(8, 40, 8, 8);
    place(frameGuess_);
    window_.winId();  // the native window, whose exposure tells that the frame is known
    window_.windowHandle()->installEventFilter(this);
    window_.show();
}

// Watches the window's first exposure, once, to place it again for its real frame; a window
// that has been maximised meanwhile is left as it is.
bool Placement::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Expose && watched == window_.windowHandle() &&
        window_.windowHandle()->isExposed()) {
        watched->removeEventFilter(this);
        const QMargins frame = window_.windowHandle()->frameMargins();
        if (frame != frameGuess_ && window_.windowState() == Qt::WindowNoState) place(frame);
    }
    return false;
}

void Placement::place(const QMargins& frame) {
    const QRect free = window_.screen()->availableGeometry();
    const QSize natural = view_.sizeHint(), least = view_.minimumSize();
    const int menu = window_.menuBar()->sizeHint().height();
    const QSize room(free.width() - frame.left() - frame.right(),
                     free.height() - frame.top() - frame.bottom() - menu);
    const double scale = std::min(
        {1.0, double(room.width()) / natural.width(), double(room.height()) / natural.height()});
    const QSize client =
        QSize(int(natural.width() * scale), int(natural.height() * scale)).expandedTo(least);
    QRect framed(0, 0, client.width() + frame.left() + frame.right(),
                 client.height() + menu + frame.top() + frame.bottom());
    framed.moveCenter(free.center());
    framed.moveTopLeft({std::max(framed.left(), free.left()), std::max(framed.top(), free.top())});
    window_.setGeometry(QRect(framed.topLeft() + QPoint(frame.left(), frame.top()),
                              QSize(client.width(), client.height() + menu)));
}

}  // namespace fenwing::qt
