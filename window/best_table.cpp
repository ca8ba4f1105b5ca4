#include "window/best_table.h"

#include <QtCore/QDateTime>
#include <QtCore/QFileInfo>
#include <QtWidgets/QDialogButtonBox>
#include <QtWidgets/QHeaderView>
#include <QtWidgets/QLabel>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QTableWidget>
#include <QtWidgets/QVBoxLayout>

#include "window/board_post.h"

namespace fenwing::qt {

namespace {
const QStringList kColumns = {QStringLiteral("Rank"),   QStringLiteral("Name"),
                              QStringLiteral("Hits"),   QStringLiteral("Shots"),
                              QStringLiteral("Crates"), QStringLiteral("Clocks"),
                              QStringLiteral("Date")};
}  // namespace

BestTable::BestTable(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Best Games"));
    setModal(false);
    messageLabel_ = new QLabel(this);
    messageLabel_->setTextFormat(Qt::PlainText);
    messageLabel_->setWordWrap(true);
    messageLabel_->hide();
    table_ = new QTableWidget(0, int(kColumns.size()), this);
    table_->setHorizontalHeaderLabels(kColumns);
    table_->verticalHeader()->hide();
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table_->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    table_->setMinimumSize(560, 330);
    connect(table_, &QTableWidget::cellDoubleClicked, this, [this] { watchChosen(); });
    auto* buttons = new QDialogButtonBox(this);
    watch_ = buttons->addButton(QStringLiteral("Watch"), QDialogButtonBox::AcceptRole);
    watch_->setDefault(true);
    post_ = buttons->addButton(QStringLiteral("Post to Board…"), QDialogButtonBox::ActionRole);
    connect(post_, &QPushButton::clicked, this, [this] { postChosen(); });
    buttons->addButton(QDialogButtonBox::Close);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { watchChosen(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(table_, &QTableWidget::itemSelectionChanged, this, [this] { enableButtons(); });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(messageLabel_);
    layout->addWidget(table_);
    layout->addWidget(buttons);
    setTable({});
}

int BestTable::newest(const std::vector<best::BestGame>& table) {
    int newest = -1;
    for (int i = 0; i < int(table.size()); ++i)
        if (!table[i].date.empty() && (newest < 0 || table[i].date > table[newest].date))
            newest = i;
    return newest;
}

QString BestTable::counted(int count, const QString& thing) {
    return QStringLiteral("%1 %2%3").arg(count).arg(thing, count == 1 ? "" : "s");
}

QString BestTable::shownDate(const std::string& iso) {
    const QDateTime at = QDateTime::fromString(QString::fromStdString(iso), Qt::ISODate);
    return at.isValid() ? at.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"))
                        : QStringLiteral("unknown");
}

QString BestTable::shownName(const best::BestGame& game) {
    return game.player.empty() ? QStringLiteral("unknown") : QString::fromStdString(game.player);
}

void BestTable::setTable(const std::vector<best::BestGame>& table, const QString& message) {
    int chosen = -1;
    if (const QList<QTableWidgetItem*> items = table_->selectedItems(); !items.isEmpty()) {
        const best::BestGame& was = rows_[items.front()->row()];
        for (int i = 0; i < int(table.size()) && chosen < 0; ++i)
            if (table[i].recording == was.recording && table[i].result.number == was.result.number)
                chosen = i;
    }
    rows_ = table;
    highlighted_ = newest(table);
    table_->setRowCount(int(table.size()));
    for (int i = 0; i < int(table.size()); ++i) {
        const best::BestGame& g = table[i];
        // The newest is marked beside its rank too, which a chosen row's colour leaves seen.
        const QString cells[] = {
            QString::number(i + 1) + (i == highlighted_ ? QStringLiteral(" \u2605") : QString()),
            shownName(g),
            QString::number(g.result.hits),
            QString::number(g.result.shots),
            QString::number(g.result.crates),
            QString::number(g.result.clocks),
            shownDate(g.date)};
        for (int c = 0; c < int(kColumns.size()); ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            if (c != 1) item->setTextAlignment(Qt::AlignCenter);
            if (i == highlighted_) {
                QFont bold = item->font();
                bold.setBold(true);
                item->setFont(bold);
                item->setBackground(QColor(255, 236, 150));
                item->setToolTip(QStringLiteral("The newest game"));
            }
            table_->setItem(i, c, item);
        }
    }
    if (table.empty()) {
        say(message.isEmpty() ? QStringLiteral("No game has been finished yet: a game is "
                                               "finished when its time or its shots run out.")
                              : message);
    } else {
        say(message);
        table_->selectRow(chosen >= 0 ? chosen : highlighted_ >= 0 ? highlighted_ : 0);
    }
    enableButtons();
}

void BestTable::say(const QString& message) {
    message_ = message;
    messageLabel_->setText(message);
    messageLabel_->setVisible(!message.isEmpty());
}

const best::BestGame* BestTable::chosen() const {
    const QList<QTableWidgetItem*> items = table_->selectedItems();
    const int row = items.isEmpty() ? -1 : items.front()->row();
    return row >= 0 && row < int(rows_.size()) ? &rows_[row] : nullptr;
}

void BestTable::enableButtons() {
    const best::BestGame* game = chosen();
    watch_->setEnabled(game);
    post_->setEnabled(game && recordingFile && QFileInfo::exists(recordingFile(*game)));
}

void BestTable::watchChosen() {
    if (const best::BestGame* game = chosen(); game && onWatch) onWatch(*game);
}

void BestTable::postChosen() {
    const best::BestGame* game = chosen();
    if (!game || !recordingFile) return;
    const QString file = recordingFile(*game);
    if (!QFileInfo::exists(file)) return enableButtons();  // gone since it was chosen
    // Of the table, so that it goes with the window, and stays while the table is hidden.
    auto* post = new BoardPost(*game, shownName(*game), file, this);
    post->setAttribute(Qt::WA_DeleteOnClose);
    post->show();
}

}  // namespace fenwing::qt
