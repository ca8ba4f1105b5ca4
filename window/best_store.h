// The player's best games on disk, shared by every window the player has open: in the data
// folder (the program's among the user's data, ~/.local/share/fenwing/ on Linux) the table of the
// ten best, best-games.txt (best::formatTable's text), and beside it recordings/, the recordings
// it names and those of the sessions being played. A live session holds recordings/NAME.sim.lock
// for as long as it plays.
//
// Every change is made under the folder's lock (best-games.lock) and the table is written whole
// and renamed into place, so a crash or a full disk leaves the previous table as it was. The
// table is never believed: each update first checks it against the recordings, and one that
// does not agree (damaged, edited by hand, or naming a recording that is gone) is made again
// from them.
#pragma once

#include <QtCore/QString>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "best/best_games.h"

namespace fenwing::qt {

class BestStore {
  public:
    // The folder; by default the player's data folder.
    explicit BestStore(QString folder = defaultFolder());
    static QString defaultFolder();

    const QString& folder() const { return folder_; }
    QString tablePath() const;
    QString recordingsPath() const;
    QString recordingPath(const QString& name) const;
    QString lockPath(const QString& name) const { return recordingPath(name) + ".lock"; }

    // A live session's recording, as far as it is written, by the name it has in the folder.
    // `inFolder`: the session writes recordings/NAME itself; otherwise (--record) it is kept by
    // a copy of `text` there while the table names one of its games.
    struct Own {
        QString name;
        std::string text;
        bool inFolder = true;
        bool last = false;  // the session has ended: its recording goes unless the table names it
    };

    struct Update {
        std::vector<best::BestGame> table;  // the ten best, best first
        bool rebuilt = false;      // the stored table did not agree with the recordings: made again
        std::vector<int> entered;  // the ranks, from 1, of the own games new in the table
        QString problem;           // what could not be done, for the player; empty when all was
    };

    // Under the folder's lock: the table checked against the recordings (and made again from
    // them when it does not agree), the own session's finished games merged into it, the ten best
    // kept and written, and every recording that no row names and no live session holds removed.
    // Without `own`, the table as it stands, for showing. One update at a time on a store.
    Update update(const std::optional<Own>& own = std::nullopt);

    // A recording's text, or none when it cannot be read.
    std::optional<std::string> readRecording(const QString& name) const;

  private:
    // The games of a recording that no live session holds, replayed once for each version of
    // the file.
    const std::vector<best::BestGame>& gamesOf(const QString& name, const std::string& text);
    // Whether a live session holds the recording: its lock is taken and its process alive.
    bool held(const QString& name) const;
    Update changeTable(const std::optional<Own>& own);

    QString folder_;
    struct Replayed {
        std::string text;
        std::vector<best::BestGame> games;
    };
    std::map<QString, Replayed> replayed_;
};

}  // namespace fenwing::qt
