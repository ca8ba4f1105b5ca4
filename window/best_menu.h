// The best games in the window, beside the game and apart from it: a third menu, Games, which
// the window adds after the game's own File and Help (they stay exactly as the game lays them
// out), with Best Games… (F6) and Player Name…; a new best game announced at the right end of the
// menu bar, where a click shows the table; the table; and the games watched again from it.
// None of it opens while the game has a box open, and none of it takes the keyboard from one.
#pragma once

#include <QtCore/QObject>
#include <QtCore/QPointer>
#include <QtCore/QTimer>
#include <deque>
#include <set>
#include <vector>

#include "best/best_games.h"
#include "window/best_keeper.h"

class QAction;
class QLabel;

namespace fenwing::qt {

class BestTable;
class WatchWindow;
class WindowHost;

class BestMenu : public QObject {
  public:
    BestMenu(WindowHost& host, BestStore& store, BestKeeper& keeper);
    ~BestMenu() override;

    // Games → Best Games… (F6): the table, up to date once the store has checked it.
    void showTable();
    // Games → Player Name…
    void askName();
    // Watches `game` again, in a window of its own.
    void watch(const best::BestGame& game);
    // What keeps the best games from being kept: told once, in the menu bar and on standard
    // error.
    void tellProblem(const QString& problem);

    QAction* tableAction() const { return tableAction_; }
    QAction* nameAction() const { return nameAction_; }
    BestTable* table() const;
    WatchWindow* watching() const;
    // What the menu bar's notice says now; empty when it shows nothing.
    QString notice() const;
    // How long a notice stays.
    static constexpr int kNoticeMs = 10'000;

  private:
    bool boxOpen() const;
    void updated(const BestStore::Update& update);
    // Shows `text` in the menu bar's corner for a while, after those before it.
    void tell(const QString& text);
    void showNextNotice();

    WindowHost& host_;
    BestStore& store_;
    BestKeeper& keeper_;
    QAction* tableAction_ = nullptr;
    QAction* nameAction_ = nullptr;
    QLabel* notice_ = nullptr;
    QTimer noticeTimer_;
    std::deque<QString> notices_;
    QString full_;            // the notice shown, whole
    std::set<QString> told_;  // problems and rebuilds are told once
    std::vector<best::BestGame> known_;
    QPointer<BestTable> table_;
    QPointer<WatchWindow> watching_;
};

}  // namespace fenwing::qt
