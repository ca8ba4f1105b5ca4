#include "window/box_queue.h"

#include <QtCore/QEvent>
#include <QtCore/QTimer>
#include <QtWidgets/QMainWindow>
#include <QtWidgets/QMessageBox>

#include "session/game_session.h"

namespace fenwing::qt {

BoxQueue::BoxQueue(GameSession& session, QMainWindow& window) : session_(session), window_(window) {
    session_.onBox = [this](const Box&) {
        if (!open_) QTimer::singleShot(0, this, [this] { showNext(); });
    };
    session_.onBoxesClosed = [this] { closeOpen(); };
    window_.installEventFilter(this);
}

BoxQueue::~BoxQueue() {
    session_.onBox = nullptr;
    session_.onBoxesClosed = nullptr;
}

void BoxQueue::stop() {
    stopped_ = true;
    closeOpen();
}

void BoxQueue::showNext() {
    if (open_ || stopped_ || session_.boxes().empty()) return;
    const Box& box = session_.boxes().front();
    auto* m = new QMessageBox(QMessageBox::NoIcon, QString::fromStdString(box.title),
                              QString::fromStdString(box.prompt), QMessageBox::Ok, &window_);
    m->setAttribute(Qt::WA_DeleteOnClose);
    // The prompts are plain text: shown as such, without the rich-text machinery.
    m->setTextFormat(Qt::PlainText);
    m->setTextInteractionFlags(Qt::NoTextInteraction);
    m->setWindowModality(Qt::ApplicationModal);
    // The next box opens after this one's closing has run to its end, never inside it.
    connect(m, &QMessageBox::finished, this, [this, m] {
        if (open_ != m) return;  // closed by an input, which closed them all
        open_ = nullptr;
        session_.closeBox();
        QTimer::singleShot(0, this, [this] { showNext(); });
    });
    open_ = m;
    m->open();
    // Also when it opens at a click, which the window manager may take as a sign to leave the
    // keyboard with the window.
    activateBox();
}

// While a box is open the window takes no input, yet a click on it, or the window manager, may
// give it the keyboard: then the keys that close the box, and the shortcuts, would reach
// nothing. The box takes it back, once the activation has been dealt with.
bool BoxQueue::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::WindowActivate && watched == &window_ && open_)
        QTimer::singleShot(0, this, [this] { activateBox(); });
    return false;
}

void BoxQueue::activateBox() {
    QMessageBox* box = open_;
    if (!box || !box->isVisible() || box->isActiveWindow()) return;
    box->raise();
    box->activateWindow();
}

void BoxQueue::closeOpen() {
    if (QMessageBox* box = open_) {
        open_ = nullptr;
        box->close();
    }
}

}  // namespace fenwing::qt
