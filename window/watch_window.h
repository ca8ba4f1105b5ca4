// A best game watched again, in a window of its own: its recording replayed, the part before
// the game's Start at once, then the game in real time, up to the moment it ended, which stays
// on view until the window is closed (Esc, Stop Watching, or its close button). A player's own
// game in the main window goes on untouched meanwhile. The game's boxes are shown in the
// window's bar, not as boxes: nothing here takes the keyboard from the player's own game.
#pragma once

#include <QtCore/QElapsedTimer>
#include <QtCore/QTimer>
#include <QtWidgets/QWidget>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "best/best_games.h"
#include "session/play.h"

class QLabel;

namespace fenwing::qt {

class FieldView;
class SoundPlayer;

class WatchWindow : public QWidget {
  public:
    // `game`: the game of `script` (its recording) to watch.
    WatchWindow(std::vector<script::ScriptLine> script, const best::BestGame& game,
                QWidget* parent = nullptr);
    ~WatchWindow() override;

    // The title it has for `game`.
    static QString titleFor(const best::BestGame& game);
    // Plays the cues' sounds, from just after the first frame on.
    void enableSound();
    // Plays up to the game's Start at once, then on in real time.
    void start();

    Play& play() { return play_; }
    FieldView* view() const { return view_; }
    // What the bar says.
    QString status() const;
    // What the replay printed, each box as the game asked for it, then the state it is in: at
    // the game's end, or now if it has not come yet (the first call decides).
    std::string finish();

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void wake();
    void showStatus();

    std::ostringstream printed_;
    Play play_;
    best::BestGame game_;
    FieldView* view_ = nullptr;
    QLabel* status_ = nullptr;
    QTimer tick_;
    QElapsedTimer clock_;
    std::unique_ptr<SoundPlayer> sound_;
    std::optional<std::string> finished_;
};

}  // namespace fenwing::qt
