// Shows the main window centred on its screen: at its natural size where that fits the
// screen's free area, frame included, otherwise at the largest uniform scale that fits. A
// window bigger than the screen still shows its title bar and menu bar.
#pragma once

#include <QtCore/QMargins>
#include <QtCore/QObject>

class QMainWindow;

namespace fenwing::qt {

class FieldView;

class Placement : public QObject {
  public:
    Placement(QMainWindow& window, FieldView& view) : window_(window), view_(view) {}
    void show();

  protected:
    // Places the window again once its real frame is known.
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // Sizes and places the window for a frame of `frame` around it.
    void place(const QMargins& frame);

    QMainWindow& window_;
    FieldView& view_;
    QMargins frameGuess_;
};

}  // namespace fenwing::qt
