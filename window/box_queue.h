// The boxes the game asks for, shown one at a time over the main window: each opens as its
// handler returns, and the game goes on while it is open. Closing one shows the next, once the
// closing has finished. While a box is open it keeps the keyboard: a click on the main window
// is refused and hands the keyboard back to the box, so Return and Esc always close it.
#pragma once

#include <QtCore/QObject>
#include <QtCore/QPointer>

class QMainWindow;
class QMessageBox;

namespace fenwing {
class GameSession;
}

namespace fenwing::qt {

class BoxQueue : public QObject {
  public:
    BoxQueue(GameSession& session, QMainWindow& window);
    ~BoxQueue() override;

    // The box on the screen, if one is.
    QMessageBox* openBox() const { return open_; }
    // No box opens any more: the program is ending.
    void stop();

  protected:
    // Watches the main window's activation, to hand the keyboard back to an open box.
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // Gives the open box the keyboard, and raises it.
    void activateBox();
    void showNext();
    void closeOpen();

    GameSession& session_;
    QMainWindow& window_;
    QPointer<QMessageBox> open_;
    bool stopped_ = false;
};

}  // namespace fenwing::qt
