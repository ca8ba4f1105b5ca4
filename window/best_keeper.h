// Keeps the best games of the sessions played in this window: records the session into the
// player's data folder as it is played (or copies the --record file there while the table names
// one of its games), merges each game into the table as it is finished, after the event that
// finished it and off the window's thread, and at the end removes the recording unless the
// table names a game of it. Updates run one at a time, in the order asked for.
#pragma once

#include <QtCore/QLockFile>
#include <QtCore/QObject>
#include <QtCore/QString>
#include <QtCore/QThread>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "window/best_store.h"

namespace fenwing {
class GameSession;
namespace script {
class Recorder;
}
}  // namespace fenwing

namespace fenwing::qt {

class BestKeeper : public QObject {
  public:
    explicit BestKeeper(BestStore& store);
    ~BestKeeper() override;

    // The first comment line of every recording made in the window.
    static constexpr const char* kWhere =
        "A game played in the window: fenwing-sim plays it headless, fenwing --replay in the "
        "window.";

    // Records `session` from its start, played by `player`, who began at `started` (seconds
    // since 1970): into the data folder, or with `recorder` (--record), which writes `file`.
    // Returns what went wrong, or empty; without the folder the session is still recorded to
    // `file`, and no game is kept.
    QString record(GameSession& session, const std::string& player, std::int64_t started,
                   std::unique_ptr<script::Recorder> recorder = {}, const QString& file = {});
    bool recording() const { return session_ != nullptr; }
    // The recording's name in the folder, and the file the session is recorded to.
    const QString& name() const { return name_; }
    const QString& file() const { return source_; }

    // The table checked, with this session's finished games merged: told by onUpdate.
    void refresh();
    // The player is now `player`: said in the recording, and the table's rows of this session
    // follow.
    void rename(const std::string& player);
    std::function<void(const BestStore::Update&)> onUpdate;

    // Waits until every update asked for is done and told.
    void settle();
    // After the session has ended, its recording closed: the last merge, and the recording gone
    // unless the table names a game of it. Waits for it.
    BestStore::Update finish();

  private:
    std::optional<BestStore::Own> own(bool last) const;
    void startNext();

    BestStore& store_;
    GameSession* session_ = nullptr;
    QString name_, source_;
    bool inFolder_ = true;
    std::unique_ptr<QLockFile> lock_;
    QThread* worker_ = nullptr;
    bool again_ = false;  // another update was asked for while one ran
};

}  // namespace fenwing::qt
