// The main window: the form's client area with its menu bar, as the layout gives them. It turns
// the player's clicks on the field, menu choices and shortcut keys into the driver's commands.
#pragma once

#include <QtCore/QObject>
#include <functional>
#include <memory>

#include "host/form.h"
#include "session/command.h"

class QMainWindow;

namespace fenwing::qt {

class FieldView;

class MainWindow : public QObject {
  public:
    // `replay`: the title says that a replay is shown.
    MainWindow(Form& form, bool replay);
    ~MainWindow() override;

    QMainWindow* window() const { return window_.get(); }
    FieldView* view() const { return view_; }
    // Called with each input of the player: a click in twips, a menu item chosen with the
    // mouse, or chosen by its shortcut key.
    std::function<void(const script::Command&)> onInput;

  protected:
    // Tells a menu item chosen by its shortcut key from one chosen with the mouse.
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void input(const script::Command& command) {
        if (onInput) onInput(command);
    }

    Form& form_;
    std::unique_ptr<QMainWindow> window_;
    FieldView* view_ = nullptr;
    bool byShortcut_ = false;
};

}  // namespace fenwing::qt
