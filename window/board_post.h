// Posting a kept game to a shared board, only when the player asks: a small box that asks for
// the board's address (the last one given, kept in the settings), shows what will be sent, and
// on Post sends the whole recording that holds the game to ADDRESS/api/recordings?name=NAME,
// then tells the board's answer. The request runs beside the game, which goes on; closing the
// box (or the window) while it runs drops it.
#pragma once

#include <QtCore/QPointer>
#include <QtCore/QUrl>
#include <QtWidgets/QDialog>

#include "best/best_games.h"

class QLabel;
class QLineEdit;
class QNetworkAccessManager;
class QNetworkReply;
class QPushButton;

namespace fenwing::qt {

class BoardPost : public QDialog {
  public:
    // Posts `game`, held by the recording in `file`, as `player`'s.
    BoardPost(const best::BestGame& game, const QString& player, const QString& file,
              QWidget* parent = nullptr);
    ~BoardPost() override;

    // The board's address in `text`, http(s)://host[:port][/path], without the path's last
    // slashes; an empty URL, with `problem` saying what is wrong, for anything else.
    static QUrl boardAddress(const QString& text, QString* problem);
    // Where the address given last is kept.
    static QString keptAddress();

    // How long the board may stay silent before the post is given up.
    static constexpr int kTimeoutMs = 20'000;

    // Whether a post is on its way.
    bool sending() const;
    // The board's answer as told, as plain text; empty until there is one.
    QString answer() const;

  private:
    void send();
    void answered();
    void tell(const QString& html);

    QString player_, file_;
    QUrl board_;
    QLineEdit* address_ = nullptr;
    QLabel* problem_ = nullptr;
    QLabel* answer_ = nullptr;
    QPushButton* post_ = nullptr;
    QNetworkAccessManager* network_ = nullptr;
    QPointer<QNetworkReply> reply_;
};

}  // namespace fenwing::qt
