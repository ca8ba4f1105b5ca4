#include "window/main_window.h"

#include <QtCore/QEvent>
#include <QtGui/QAction>
#include <QtGui/QIcon>
#include <QtWidgets/QMainWindow>
#include <QtWidgets/QMenuBar>
#include <utility>

#include "window/field_view.h"

namespace fenwing::qt {

namespace {
QKeySequence shortcutKey(const std::string& key) {
    return key == "Del" ? QKeySequence(Qt::Key_Delete) : QKeySequence(QString::fromStdString(key));
}
}  // namespace

MainWindow::MainWindow(Form& form, bool replay)
    : form_(form), window_(std::make_unique<QMainWindow>()) {
    window_->setWindowTitle(QString::fromStdString(form_.caption()) +
                            (replay ? QStringLiteral(" (replay)") : QString()));
    // The window's icon up to 64 pixels: the window manager asks for no more, and each size is
    // kept decoded for as long as the window lives (the two biggest would take a megabyte). A
    // launcher takes its bigger icon from the installed files.
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64})
        icon.addFile(QStringLiteral(":/icons/fenwing-%1.png").arg(size), QSize(size, size));
    window_->setWindowIcon(icon);
    view_ = new FieldView(form_, window_.get());
    view_->onClick = [this](float x, float y) {
        script::Command click;
        click.verb = script::Verb::ClickAt;
        click.x = x;
        click.y = y;
        input(click);
    };
    form_.setRepaintSink(view_);
    window_->setCentralWidget(view_);
    for (const Menu& menu : form_.menus()) {
        QMenu* m = window_->menuBar()->addMenu(QString::fromStdString(menu.caption));
        for (MenuItem* item : menu.items) {
            QAction* action = m->addAction(QString::fromStdString(item->Caption()));
            action->setShortcut(shortcutKey(item->shortcut()));
            action->installEventFilter(this);
            connect(action, &QAction::triggered, this, [this, item] {
                script::Command choice;
                choice.verb =
                    std::exchange(byShortcut_, false) ? script::Verb::Key : script::Verb::Menu;
                choice.name = choice.verb == script::Verb::Key ? item->shortcut() : item->name();
                input(choice);
            });
        }
    }
    window_->adjustSize();
}

MainWindow::~MainWindow() { form_.setRepaintSink(nullptr); }

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Shortcut && qobject_cast<QAction*>(watched)) byShortcut_ = true;
    return false;
}

}  // namespace fenwing::qt
