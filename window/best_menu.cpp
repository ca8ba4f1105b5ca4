#include "window/best_menu.h"

#include <QtGui/QAction>
#include <QtGui/QMouseEvent>
#include <QtWidgets/QDialog>
#include <QtWidgets/QDialogButtonBox>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QMainWindow>
#include <QtWidgets/QMenuBar>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QVBoxLayout>
#include <cstdio>
#include <sstream>

#include "session/parser.h"
#include "session/reader.h"
#include "window/best_table.h"
#include "window/player_name.h"
#include "window/watch_window.h"
#include "window/window_host.h"

namespace fenwing::qt {

namespace {

// Text in the menu bar that a click acts on; it never takes the keyboard.
class Notice : public QLabel {
  public:
    explicit Notice(QWidget* parent) : QLabel(parent) {
        setTextFormat(Qt::PlainText);
        setFocusPolicy(Qt::NoFocus);
        setCursor(Qt::PointingHandCursor);
        setContentsMargins(0, 0, 8, 0);
    }
    std::function<void()> onClick;

  protected:
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton && onClick) onClick();
    }
};

QString ordinal(int n) {
    const char* suffix = n % 100 / 10 == 1 ? "th"
                         : n % 10 == 1     ? "st"
                         : n % 10 == 2     ? "nd"
                         : n % 10 == 3     ? "rd"
                                           : "th";
    return QString::number(n) + QLatin1String(suffix);
}

}  // namespace

BestMenu::BestMenu(WindowHost& host, BestStore& store, BestKeeper& keeper)
    : host_(host), store_(store), keeper_(keeper) {
    QMenuBar* bar = host_.window()->menuBar();
    QMenu* games = bar->addMenu(QStringLiteral("Games"));
    tableAction_ = games->addAction(QStringLiteral("Best Games…"));
    tableAction_->setShortcut(QKeySequence(Qt::Key_F6));
    connect(tableAction_, &QAction::triggered, this, [this] { showTable(); });
    nameAction_ = games->addAction(QStringLiteral("Player Name…"));
    connect(nameAction_, &QAction::triggered, this, [this] { askName(); });

    auto* notice = new Notice(bar);
    notice->onClick = [this] { showTable(); };
    notice_ = notice;
    notice_->hide();
    bar->setCornerWidget(notice_, Qt::TopRightCorner);
    noticeTimer_.setSingleShot(true);
    connect(&noticeTimer_, &QTimer::timeout, this, [this] { showNextNotice(); });

    keeper_.onUpdate = [this](const BestStore::Update& update) { updated(update); };
}

BestMenu::~BestMenu() { keeper_.onUpdate = nullptr; }

BestTable* BestMenu::table() const { return table_; }
WatchWindow* BestMenu::watching() const { return watching_; }

QString BestMenu::notice() const { return notice_->isVisible() ? full_ : QString(); }

bool BestMenu::boxOpen() const { return !host_.session().boxes().empty(); }

void BestMenu::showTable() {
    if (boxOpen()) return tell(QStringLiteral("The best games wait until the box is closed."));
    if (!table_) {
        table_ = new BestTable(host_.window());
        table_->onWatch = [this](const best::BestGame& game) { watch(game); };
        table_->recordingFile = [this](const best::BestGame& game) {
            return store_.recordingPath(QString::fromStdString(game.recording));
        };
        table_->setTable(known_);
    }
    table_->show();
    table_->raise();
    table_->activateWindow();
    keeper_.refresh();
}

void BestMenu::askName() {
    if (boxOpen()) return tell(QStringLiteral("The name waits until the box is closed."));
    auto* dialog = new QDialog(host_.window());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(QStringLiteral("Player Name"));
    dialog->setWindowModality(Qt::WindowModal);
    auto* edit = new QLineEdit(QString::fromStdString(playerName()), dialog);
    edit->setMaxLength(int(best::kLongestName) * 2);
    auto* problem = new QLabel(dialog);
    problem->setTextFormat(Qt::PlainText);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    auto* layout = new QVBoxLayout(dialog);
    layout->addWidget(new QLabel(QStringLiteral("The name your best games are kept under:")));
    layout->addWidget(edit);
    layout->addWidget(problem);
    layout->addWidget(buttons);
    const auto check = [edit, problem, buttons] {
        const std::string why = best::nameProblem(edit->text().trimmed().toStdString());
        problem->setText(QString::fromStdString(why));
        buttons->button(QDialogButtonBox::Ok)->setEnabled(why.empty());
    };
    connect(edit, &QLineEdit::textChanged, dialog, check);
    check();
    connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    connect(buttons, &QDialogButtonBox::accepted, dialog, [this, dialog, edit] {
        const std::string name = edit->text().trimmed().toStdString();
        if (!best::nameProblem(name).empty()) return;
        if (name != playerName()) {
            keepPlayerName(name);
            keeper_.rename(name);
        }
        dialog->accept();
    });
    dialog->open();
}

void BestMenu::watch(const best::BestGame& game) {
    const auto say = [this](const QString& text) {
        if (table_) table_->say(text);
    };
    if (boxOpen()) return say(QStringLiteral("Close the game's box first."));
    const QString name = QString::fromStdString(game.recording);
    const std::optional<std::string> text = store_.readRecording(name);
    if (!text) return say(QStringLiteral("The recording %1 cannot be read.").arg(name));
    std::vector<script::ScriptLine> lines;
    try {
        std::istringstream in(*text);
        lines = script::parseScript(in);
    } catch (const script::ScriptError& e) {
        return say(QStringLiteral("The recording %1 cannot be played: line %2: %3")
                       .arg(name)
                       .arg(e.line)
                       .arg(QString::fromStdString(e.reason)));
    } catch (const script::ReadError& e) {
        return say(QStringLiteral("The recording %1 cannot be read: %2")
                       .arg(name, QString::fromStdString(e.reason)));
    }
    if (watching_) watching_->close();
    watching_ = new WatchWindow(std::move(lines), game, host_.window());
    watching_->setAttribute(Qt::WA_DeleteOnClose);
    watching_->show();
    watching_->start();
}

void BestMenu::tellProblem(const QString& problem) {
    const QString text = QStringLiteral("The best games cannot be kept: ") + problem;
    if (told_.insert(text).second) {
        std::fprintf(stderr, "fenwing: %s\n", qPrintable(text));
        tell(text);
    }
    if (table_) table_->say(text);
}

void BestMenu::updated(const BestStore::Update& update) {
    if (!update.problem.isEmpty()) return tellProblem(update.problem);
    known_ = update.table;
    QString message;
    if (update.rebuilt) {
        message = QStringLiteral(
            "The best games did not agree with their recordings: made again from them.");
        if (told_.insert(message).second) tell(message);
    }
    if (!update.entered.empty()) {
        const best::BestGame& game = update.table[update.entered.front() - 1];
        tell(QStringLiteral("New best game: %1 of the ten best, %2. F6 shows them.")
                 .arg(ordinal(update.entered.front()),
                      BestTable::counted(game.result.hits, QStringLiteral("hit"))));
    }
    if (table_) table_->setTable(known_, table_->isVisible() ? message : QString());
}

void BestMenu::tell(const QString& text) {
    notices_.push_back(text);
    if (!noticeTimer_.isActive()) showNextNotice();
}

void BestMenu::showNextNotice() {
    if (notices_.empty()) {
        notice_->hide();
        return;
    }
    // Cut to the room the menu bar has beside the menus, whole in its tooltip.
    const QMenuBar* bar = host_.window()->menuBar();
    const QList<QAction*> menus = bar->actions();
    const int room = bar->width() - bar->actionGeometry(menus.back()).right() - 24;
    notice_->setText(notice_->fontMetrics().elidedText(notices_.front(), Qt::ElideRight, room));
    notice_->setToolTip(notices_.front());
    full_ = notices_.front();
    notices_.pop_front();
    notice_->show();
    noticeTimer_.start(kNoticeMs);
}

}  // namespace fenwing::qt
