#include "window/best_keeper.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QDateTime>
#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QTimer>

#include "best/best_games.h"
#include "session/game_session.h"
#include "session/recorder.h"

namespace fenwing::qt {

BestKeeper::BestKeeper(BestStore& store) : store_(store) {}

BestKeeper::~BestKeeper() {
    if (!worker_) return;
    worker_->wait();
    delete worker_;
}

QString BestKeeper::record(GameSession& session, const std::string& player, std::int64_t started,
                           std::unique_ptr<script::Recorder> recorder, const QString& file) {
    QString problem;
    // Named by when the session began and by the process: the lock is taken before the
    // recording is made, so no other window takes it for one left behind.
    if (QDir().mkpath(store_.recordingsPath())) {
        const QString stem = QDateTime::fromSecsSinceEpoch(started, Qt::UTC)
                                 .toString(QStringLiteral("yyyyMMdd-HHmmss-")) +
                             QString::number(QCoreApplication::applicationPid());
        for (int n = 1; !lock_ && n <= 100; ++n) {
            const QString name =
                stem + (n > 1 ? QStringLiteral("-%1").arg(n) : QString()) + QStringLiteral(".sim");
            auto lock = std::make_unique<QLockFile>(store_.lockPath(name));
            lock->setStaleLockTime(0);
            if (!lock->tryLock(0) || QFile::exists(store_.recordingPath(name))) continue;
            lock_ = std::move(lock);
            name_ = name;
        }
        if (!lock_) problem = QStringLiteral("cannot lock a recording in %1").arg(store_.folder());
    } else {
        problem = QStringLiteral("cannot make the folder %1").arg(store_.recordingsPath());
    }
    inFolder_ = !recorder;
    source_ = inFolder_ ? store_.recordingPath(name_) : file;
    if (inFolder_ && lock_) {
        recorder = std::make_unique<script::Recorder>(QFile::encodeName(source_).toStdString());
        if (!recorder->ok()) {
            problem = QStringLiteral("cannot write %1").arg(QDir::toNativeSeparators(source_));
            recorder.reset();
            lock_.reset();
        }
    }
    if (recorder) session.record(std::move(recorder), best::header(kWhere, player, started));
    if (!lock_) return problem;
    session_ = &session;
    // Told from inside the event that finished the game: the update waits until it is over.
    session.games().onFinished = [this](const GameResult&) {
        QTimer::singleShot(0, this, [this] { refresh(); });
    };
    return problem;
}

std::optional<BestStore::Own> BestKeeper::own(bool last) const {
    if (!session_) return std::nullopt;
    QFile file(source_);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;  // its rows stay as they are
    return BestStore::Own{name_, file.readAll().toStdString(), inFolder_, last};
}

void BestKeeper::refresh() {
    if (worker_) {
        again_ = true;
        return;
    }
    startNext();
}

void BestKeeper::startNext() {
    again_ = false;
    // The game that the clock ended is in the file before the next input.
    if (session_) session_->recordTime();
    auto result = std::make_shared<BestStore::Update>();
    worker_ = QThread::create([this, result, mine = own(false)] { *result = store_.update(mine); });
    connect(worker_, &QThread::finished, this, [this, result] {
        worker_->wait();
        delete worker_;
        worker_ = nullptr;
        if (onUpdate) onUpdate(*result);
        if (again_) startNext();
    });
    worker_->start(QThread::LowPriority);
}

void BestKeeper::rename(const std::string& player) {
    if (!session_) return;
    session_->note(best::playerNote(player));
    refresh();
}

void BestKeeper::settle() {
    while (worker_) {
        worker_->wait();
        QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
    }
}

BestStore::Update BestKeeper::finish() {
    settle();
    if (!session_) return {};
    const std::optional<BestStore::Own> mine = own(true);
    BestStore::Update update = mine ? store_.update(mine) : BestStore::Update{};
    session_->games().onFinished = nullptr;
    session_ = nullptr;
    lock_.reset();  // unlocked: the lock file goes
    return update;
}

}  // namespace fenwing::qt
