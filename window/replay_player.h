// Plays a script of the driver's language in the window, in real time: each command at its
// moment, and the ticks in between as they fall due, so that the game moves as it did when it
// was recorded. The script, not the window's own clock, moves the scheduler, so the replay is
// exactly what fenwing-sim plays however late the machine wakes it: a wake more than 100 ms late
// moves the replay's clock on instead of rushing to catch up, and the game pauses as the
// machine did. A `stall` waits its time with the game stopped, then ticks as the window did.
//
// Each input of the script first closes the boxes the game showed (the session does): the
// player must have closed them to give it. The end of the script ends the program.
#pragma once

#include <QtCore/QElapsedTimer>
#include <QtCore/QObject>
#include <QtCore/QTimer>
#include <optional>
#include <vector>

#include "session/script_player.h"

namespace fenwing::qt {

class WindowHost;

class ReplayPlayer : public QObject {
  public:
    ReplayPlayer(WindowHost& host, std::vector<script::ScriptLine> script);
    void start();

  private:
    Micros clock() const { return clock_.nsecsElapsed() / 1000; }
    void wake();

    WindowHost& host_;
    script::ScriptPlayer player_;
    QElapsedTimer clock_;
    QTimer timer_;
};

}  // namespace fenwing::qt
