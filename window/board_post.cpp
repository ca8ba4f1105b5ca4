#include "window/board_post.h"

#include <QtCore/QFile>
#include <QtCore/QJsonArray>
#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>
#include <QtCore/QSettings>
#include <QtGui/QTextDocumentFragment>
#include <QtNetwork/QNetworkAccessManager>
#include <QtNetwork/QNetworkReply>
#include <QtNetwork/QNetworkRequest>
#include <QtWidgets/QDialogButtonBox>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QVBoxLayout>

#include "window/best_table.h"

namespace fenwing::qt {

namespace {

// The settings file the player's name is kept in too.
QSettings settings() {
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("fenwing"),
                     QStringLiteral("fenwing"));
}
const QString kAddressKey = QStringLiteral("board/address");

QLabel* textLabel(QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setWordWrap(true);
    return label;
}

}  // namespace

BoardPost::BoardPost(const best::BestGame& game, const QString& player, const QString& file,
                     QWidget* parent)
    : QDialog(parent), player_(player), file_(file) {
    setObjectName(QStringLiteral("boardPost"));
    setWindowTitle(QStringLiteral("Post to Board"));
    setModal(false);
    address_ = new QLineEdit(keptAddress(), this);
    address_->setObjectName(QStringLiteral("boardAddress"));
    address_->setPlaceholderText(QStringLiteral("http://host:port"));
    auto* what = textLabel(this);
    what->setTextFormat(Qt::PlainText);
    const GameResult& r = game.result;
    what->setText(
        QStringLiteral("Name: %1\nGame: game %2 of the recording %3, %4 with %5, %6, %7%8.\n"
                       "The whole recording is sent: the board plays it again and keeps every "
                       "game finished in it.")
            .arg(player, QString::number(r.number), QString::fromStdString(game.recording),
                 BestTable::counted(r.hits, QStringLiteral("hit")),
                 BestTable::counted(r.shots, QStringLiteral("shot")),
                 BestTable::counted(r.crates, QStringLiteral("crate")),
                 BestTable::counted(r.clocks, QStringLiteral("clock")),
                 game.date.empty() ? QString()
                                   : QStringLiteral(", ended ") + BestTable::shownDate(game.date)));
    problem_ = textLabel(this);
    problem_->setObjectName(QStringLiteral("boardProblem"));
    problem_->setTextFormat(Qt::PlainText);
    answer_ = textLabel(this);
    answer_->setObjectName(QStringLiteral("boardAnswer"));
    answer_->setTextFormat(Qt::RichText);
    answer_->setTextInteractionFlags(Qt::TextBrowserInteraction);  // the link opens or copies
    answer_->setOpenExternalLinks(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    post_ = buttons->addButton(QStringLiteral("Post"), QDialogButtonBox::ActionRole);
    post_->setObjectName(QStringLiteral("boardSend"));
    post_->setDefault(true);
    connect(post_, &QPushButton::clicked, this, [this] { send(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    problem_->hide();
    connect(address_, &QLineEdit::textEdited, problem_, &QLabel::hide);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("The board's address:"), this));
    layout->addWidget(address_);
    layout->addWidget(problem_);
    layout->addWidget(what);
    layout->addWidget(answer_);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);  // grows with the answer
    setMinimumWidth(440);
    network_ = new QNetworkAccessManager(this);
}

BoardPost::~BoardPost() {
    // Dropped with the box: told to no one.
    if (reply_) {
        reply_->disconnect(this);
        reply_->abort();
    }
}

QUrl BoardPost::boardAddress(const QString& text, QString* problem) {
    const QString form = QStringLiteral(
        " A board's address is http://host:port, or https://, "
        "with a path if the board lives under one.");
    const auto refuse = [&](const QString& why) {
        *problem = why + form;
        return QUrl();
    };
    const QString given = text.trimmed();
    if (given.isEmpty()) return refuse(QStringLiteral("Give the board's address."));
    QUrl url(given, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (scheme != QLatin1String("http") && scheme != QLatin1String("https"))
        return refuse(QStringLiteral("\"%1\" does not begin with http:// or https://.").arg(given));
    if (!url.isValid()) return refuse(QStringLiteral("\"%1\" is not an address.").arg(given));
    if (url.host().isEmpty()) return refuse(QStringLiteral("\"%1\" names no host.").arg(given));
    if (!url.userInfo().isEmpty() || url.hasQuery() || url.hasFragment())
        return refuse(QStringLiteral("\"%1\" has more than a board's address in it.").arg(given));
    QString path = url.path(QUrl::FullyEncoded);
    while (path.endsWith(QLatin1Char('/'))) path.chop(1);
    url.setPath(path, QUrl::TolerantMode);
    problem->clear();
    return url;
}

QString BoardPost::keptAddress() { return settings().value(kAddressKey).toString(); }

bool BoardPost::sending() const { return reply_ != nullptr; }

QString BoardPost::answer() const {
    return QTextDocumentFragment::fromHtml(answer_->text()).toPlainText();
}

void BoardPost::send() {
    if (reply_) return;
    QString problem;
    board_ = boardAddress(address_->text(), &problem);
    problem_->setText(problem);
    problem_->setVisible(board_.isEmpty());
    if (board_.isEmpty()) return answer_->clear();
    settings().setValue(kAddressKey, board_.toString());

    QFile file(file_);
    if (!file.open(QIODevice::ReadOnly))
        return tell(QStringLiteral("The recording %1 cannot be read: %2")
                        .arg(file_, file.errorString())
                        .toHtmlEscaped());
    QByteArray text = file.readAll();
    // A recording still being played is sent up to its last whole line.
    text.truncate(text.lastIndexOf('\n') + 1);

    QUrl url = board_;
    url.setPath(board_.path(QUrl::FullyEncoded) + QStringLiteral("/api/recordings"),
                QUrl::TolerantMode);
    url.setQuery(QStringLiteral("name=") + QString::fromLatin1(QUrl::toPercentEncoding(player_)),
                 QUrl::StrictMode);
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::ContentTypeHeader,
                      QStringLiteral("text/plain; charset=utf-8"));
    request.setRawHeader("Accept", "application/json");
    request.setTransferTimeout(kTimeoutMs);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    reply_ = network_->post(request, text);
    connect(reply_, &QNetworkReply::finished, this, [this] { answered(); });
    post_->setEnabled(false);
    address_->setEnabled(false);
    tell(QStringLiteral("Sending to %1…").arg(board_.toString().toHtmlEscaped()));
}

void BoardPost::answered() {
    QNetworkReply* reply = reply_;
    reply_ = nullptr;
    reply->deleteLater();
    post_->setEnabled(true);
    address_->setEnabled(true);
    const QString board = board_.toString().toHtmlEscaped();
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid()) {
        const QString why =
            reply->error() == QNetworkReply::OperationCanceledError
                ? QStringLiteral("it did not answer within %1 seconds").arg(kTimeoutMs / 1000)
                : reply->errorString().toHtmlEscaped();
        return tell(QStringLiteral("The board at %1 could not be reached: %2.").arg(board, why));
    }
    const int code = status.toInt();
    const QByteArray body = reply->readAll();
    const QJsonObject json = QJsonDocument::fromJson(body).object();
    const QString recording = json.value(QLatin1String("recording_url")).toString();
    if ((code == 200 || code == 201) && recording.startsWith(QLatin1Char('/'))) {
        const QString link = (board_.toString(QUrl::FullyEncoded) + recording).toHtmlEscaped();
        QString games;
        for (const QJsonValue g : json.value(QLatin1String("games")).toArray())
            games += QStringLiteral("<br>") +
                     g.toObject().value(QLatin1String("line")).toString().toHtmlEscaped();
        const QString page =
            (board_.toString(QUrl::FullyEncoded) + QStringLiteral("/board")).toHtmlEscaped();
        return tell(QStringLiteral("%1 on the board (<a href=\"%2\">%2</a>): <a "
                                   "href=\"%3\">%3</a>%4")
                        .arg(json.value(QLatin1String("already")).toBool()
                                 ? QStringLiteral("Already kept")
                                 : QStringLiteral("Kept"),
                             page, link, games));
    }
    // The board's reason: its JSON's error, or the body as it came (from a proxy, say).
    QString reason = json.value(QLatin1String("error")).toString();
    if (reason.isEmpty()) reason = QString::fromUtf8(body.left(300)).simplified();
    if (reason.isEmpty())
        reason = reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
    while (reason.endsWith(QLatin1Char('.'))) reason.chop(1);
    reason = reason.toHtmlEscaped();
    if (code == 502 || code == 503 || code == 504)
        return tell(QStringLiteral("The board at %1 is busy or unavailable just now (HTTP %2): "
                                   "%3. Try again shortly.")
                        .arg(board, QString::number(code), reason));
    if (code >= 400 && code < 500)
        return tell(QStringLiteral("The board refused it (HTTP %1): %2.")
                        .arg(QString::number(code), reason));
    tell(QStringLiteral("The board at %1 did not take it (HTTP %2): %3.")
             .arg(board, QString::number(code), reason));
}

void BoardPost::tell(const QString& html) { answer_->setText(html); }

}  // namespace fenwing::qt
