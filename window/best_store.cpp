#include "window/best_store.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QLockFile>
#include <QtCore/QSaveFile>
#include <QtCore/QStandardPaths>
#include <algorithm>
#include <set>

namespace fenwing::qt {

namespace {

// How long an update waits for another window's to finish. A lock left by a window that died
// is taken over at once, and one older than QLockFile's 30 seconds is taken as left behind.
constexpr int kLockWaitMs = 10'000;

QString native(const QString& path) { return QDir::toNativeSeparators(path); }

std::optional<std::string> readFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) return std::nullopt;
    return bytes.toStdString();
}

// Written whole beside the old file, then renamed over it.
bool writeFile(const QString& path, const std::string& text, QString& problem) {
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) &&
        file.write(text.data(), qint64(text.size())) == qint64(text.size()) && file.commit())
        return true;
    problem = QStringLiteral("cannot write %1: %2").arg(native(path), file.errorString());
    return false;
}

}  // namespace

BestStore::BestStore(QString folder) : folder_(std::move(folder)) {}

// The program's own folder among the user's data, named as the program is, whatever the
// application's display name: ~/.local/share/fenwing on Linux.
QString BestStore::defaultFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/fenwing");
}

QString BestStore::tablePath() const { return folder_ + QStringLiteral("/best-games.txt"); }
QString BestStore::recordingsPath() const { return folder_ + QStringLiteral("/recordings"); }
QString BestStore::recordingPath(const QString& name) const {
    return recordingsPath() + QLatin1Char('/') + name;
}

std::optional<std::string> BestStore::readRecording(const QString& name) const {
    return readFile(recordingPath(name));
}

bool BestStore::held(const QString& name) const {
    QLockFile probe(lockPath(name));
    probe.setStaleLockTime(0);           // a session holds its lock for as long as it plays
    if (!probe.tryLock(0)) return true;  // taken, or not to be touched: the recording stays
    probe.unlock();
    return false;
}

const std::vector<best::BestGame>& BestStore::gamesOf(const QString& name,
                                                      const std::string& text) {
    auto known = replayed_.find(name);
    if (known == replayed_.end() || known->second.text != text)
        known = replayed_
                    .insert_or_assign(name,
                                      Replayed{text, best::gamesOf(text, name.toStdString()).games})
                    .first;
    return known->second.games;
}

BestStore::Update BestStore::update(const std::optional<Own>& own) {
    Update update;
    if (!QDir().mkpath(recordingsPath())) {
        update.problem = QStringLiteral("cannot make the folder %1").arg(native(recordingsPath()));
        return update;
    }
    QLockFile lock(folder_ + QStringLiteral("/best-games.lock"));
    if (!lock.tryLock(kLockWaitMs)) {
        update.problem =
            lock.error() == QLockFile::LockFailedError
                ? QStringLiteral("another window kept %1 locked").arg(native(tablePath()))
                : QStringLiteral("cannot lock %1").arg(native(tablePath()));
        return update;
    }
    return changeTable(own);
}

BestStore::Update BestStore::changeTable(const std::optional<Own>& own) {
    using best::BestGame;
    Update update;
    const std::string ownName = own ? own->name.toStdString() : std::string();
    const auto isOwn = [&](const std::string& name) { return own && name == ownName; };

    // The recordings: those of live sessions, and the games of all the others.
    std::set<std::string> live;
    std::vector<BestGame> known;
    QStringList names;
    for (const QString& name :
         QDir(recordingsPath()).entryList({QStringLiteral("*.sim")}, QDir::Files, QDir::Name))
        if (std::none_of(name.begin(), name.end(), [](QChar c) { return c.unicode() < 0x20; }))
            names.push_back(name);  // a name the table can hold
    for (const QString& name : names) {
        if (isOwn(name.toStdString()) || held(name)) {
            live.insert(name.toStdString());
            continue;
        }
        if (const auto text = readFile(recordingPath(name))) {
            const std::vector<BestGame>& games = gamesOf(name, *text);
            known.insert(known.end(), games.begin(), games.end());
        }
    }
    if (own) live.insert(ownName);

    // The stored table agrees when it is what the recordings make, taking the rows of live
    // sessions as they stand: each session merges its own games as it finishes them.
    const std::optional<std::string> stored = readFile(tablePath());
    const auto parsed = stored ? best::parseTable(*stored) : std::nullopt;
    std::vector<BestGame> expected = known;
    if (parsed)
        for (const BestGame& row : *parsed)
            if (live.count(row.recording)) expected.push_back(row);
    expected = best::tenBest(std::move(expected));
    std::vector<BestGame> table;
    if (parsed ? *parsed == expected : !stored && expected.empty()) {
        table = std::move(expected);
    } else {
        // Made again from every recording, the other live sessions' as far as they are written.
        table = std::move(known);
        for (const std::string& name : live) {
            if (isOwn(name)) continue;
            const QString qname = QString::fromStdString(name);
            if (const auto text = readFile(recordingPath(qname))) {
                best::Replayed replayed = best::gamesOf(*text, name);
                table.insert(table.end(), replayed.games.begin(), replayed.games.end());
            }
        }
        table = best::tenBest(std::move(table));
        update.rebuilt = true;
    }

    // The own session's games, as its recording now holds them, in place of its rows.
    if (own) {
        std::set<int> before;
        if (parsed)
            for (const BestGame& row : *parsed)
                if (row.recording == ownName) before.insert(row.result.number);
        std::erase_if(table, [&](const BestGame& row) { return row.recording == ownName; });
        best::Replayed mine = best::gamesOf(own->text, ownName);
        table.insert(table.end(), mine.games.begin(), mine.games.end());
        table = best::tenBest(std::move(table));
        for (std::size_t i = 0; i < table.size(); ++i)
            if (table[i].recording == ownName && !before.count(table[i].result.number))
                update.entered.push_back(int(i) + 1);
    }
    const auto named = [&](const std::string& name) {
        return std::any_of(table.begin(), table.end(),
                           [&](const BestGame& row) { return row.recording == name; });
    };

    // The own recording first, the table then: a table never names a recording not there.
    bool written = true;
    if (own && !own->inFolder && named(ownName))
        written = writeFile(recordingPath(own->name), own->text, update.problem);
    const std::string text = best::formatTable(table);
    if (written && stored != text && (stored || !table.empty()))
        written = writeFile(tablePath(), text, update.problem);

    // What no row names goes, unless a live session holds it; nothing while the table stands
    // as it was, since it may name what would go.
    if (written)
        for (const QString& name : names) {
            const std::string n = name.toStdString();
            if (named(n) || (live.count(n) && !(isOwn(n) && own->last))) continue;
            QFile::remove(recordingPath(name));
            replayed_.erase(name);
        }
    update.table = std::move(table);
    return update;
}

}  // namespace fenwing::qt
