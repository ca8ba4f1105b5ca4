// The table of the best games: rank, name, hits, shots, crates, clocks and date, the newest
// game highlighted. A game chosen (double-click, Return or Watch) is watched again; Post to
// Board… posts it to a board the player names (see BoardPost). It opens beside the game, not
// over it, and takes nothing from it: the player's game goes on.
#pragma once

#include <QtWidgets/QDialog>
#include <functional>
#include <vector>

#include "best/best_games.h"

class QLabel;
class QPushButton;
class QTableWidget;

namespace fenwing::qt {

class BestTable : public QDialog {
  public:
    explicit BestTable(QWidget* parent = nullptr);

    // Shows `table`, best first, and `message` above it (none when empty). The game chosen
    // stays chosen while it is in the table; otherwise the newest is.
    void setTable(const std::vector<best::BestGame>& table, const QString& message = {});
    // Shows `message` above the table as it stands.
    void say(const QString& message);

    // The row of the newest game, or -1 for an empty table.
    static int newest(const std::vector<best::BestGame>& table);
    // The date as the table shows it: local time to the minute.
    static QString shownDate(const std::string& iso);
    // The player's name as the table shows it.
    static QString shownName(const best::BestGame& game);
    // "1 hit", "2 hits": a count of `thing` in words.
    static QString counted(int count, const QString& thing);

    // Told of the game chosen to be watched.
    std::function<void(const best::BestGame&)> onWatch;
    // The file that holds a game's recording: Post to Board… posts it while it is there.
    std::function<QString(const best::BestGame&)> recordingFile;

    QTableWidget* table() const { return table_; }
    QPushButton* watchButton() const { return watch_; }
    QPushButton* postButton() const { return post_; }
    const QString& message() const { return message_; }
    int highlighted() const { return highlighted_; }

  private:
    // The game chosen, if any.
    const best::BestGame* chosen() const;
    void watchChosen();
    void postChosen();
    void enableButtons();

    std::vector<best::BestGame> rows_;
    QString message_;
    int highlighted_ = -1;
    QLabel* messageLabel_ = nullptr;
    QTableWidget* table_ = nullptr;
    QPushButton* watch_ = nullptr;
    QPushButton* post_ = nullptr;
};

}  // namespace fenwing::qt
