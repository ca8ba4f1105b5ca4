// The best games in the window: the store in the player's data folder (a finished game enters
// the table and is still there for the next program; a damaged or edited table is made again
// from the recordings; two processes saving at once both keep their games; a killed window's
// kept game stays and its other leftovers go), the game watched again ending in the state
// fenwing-sim prints at that game's end, the table as shown, and the Games menu beside the
// game's own, which announces a new best game without taking the keyboard from the game's box.
//
// Every test works in a folder of its own; XDG_DATA_HOME and XDG_CONFIG_HOME point into a
// temporary folder, so nothing touches a real home. Run with --save or --keep-and-die, the
// binary is a second window saving games beside the test (see helperMain).
#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QLockFile>
#include <QtCore/QProcess>
#include <QtCore/QTemporaryDir>
#include <QtGui/QWindow>
#include <QtTest/QtTest>
#include <QtWidgets/QMainWindow>
#include <QtWidgets/QMenuBar>
#include <QtWidgets/QMessageBox>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QTableWidget>
#include <atomic>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <thread>

#include "best/best_games.h"
#include "session/game_session.h"
#include "session/parser.h"
#include "session/recorder.h"
#include "window/best_keeper.h"
#include "window/best_menu.h"
#include "window/best_store.h"
#include "window/best_table.h"
#include "window/field_view.h"
#include "window/player_name.h"
#include "window/watch_window.h"
#include "window/window_host.h"

using namespace fenwing;
using namespace fenwing::qt;

namespace {

constexpr int kUpdateMs = 30'000;  // an update on a loaded machine

script::Command command(const std::string& line) {
    script::Parser parser;
    return *parser.parse(line);
}

// A game played in virtual time from `t` on: F1, `hits` clicks on the ducks at once (a falling
// one counts again), then misses a fifth of a second apart until the shots run out; or, with
// `byTime`, the clock runs out after the hits.
void playGame(GameSession& session, Micros& t, int hits, bool byTime = false) {
    session.run([&] {
        const auto at = [&](const char* line, Micros after = 200'000) {
            session.advanceTo(t += after);
            session.perform(command(line));
        };
        at("key F1");
        for (int i = 0; i < hits; ++i)
            at(i % 3 == 0 ? "click ImgDuck1" : i % 3 == 1 ? "click Imgduck2" : "click Imgduck3", 0);
        if (byTime) {
            session.advanceTo(t += 61'000'000);
            return;
        }
        for (int i = hits; i < 25; ++i) at("click imgField");
    });
}

std::string slurp(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}

void spit(const QString& path, const std::string& text) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text.data(), qint64(text.size()));
}

// A session played live and kept by a keeper, in virtual time.
struct Kept {
    explicit Kept(BestStore& store, const std::string& player = "Ada") : keeper(store) {
        session.playerAtControls();
        keeper.onUpdate = [this](const BestStore::Update& u) { updates.push_back(u); };
        problem = keeper.record(session, player, 1'800'000'000);
    }
    // Plays a game and waits for its update.
    const BestStore::Update& play(int hits, bool byTime = false) {
        const std::size_t before = updates.size();
        playGame(session, t, hits, byTime);
        [&] { QTRY_VERIFY_WITH_TIMEOUT(updates.size() > before, kUpdateMs); }();
        static const BestStore::Update none{{}, false, {}, QStringLiteral("no update")};
        return updates.size() > before ? updates.back() : none;
    }
    BestStore::Update finish() {
        session.finish();
        return keeper.finish();
    }
    std::ostringstream out;
    GameSession session{11, out};
    BestKeeper keeper;
    QString problem;
    Micros t = 0;
    std::vector<BestStore::Update> updates;
};

QStringList recordings(const BestStore& store) {
    return QDir(store.recordingsPath()).entryList(QDir::Files, QDir::Name);
}

// The script's lines up to the moment `end` (the inputs at that moment too), then `state`: what
// fenwing-sim plays for a recording cut at a game's end.
std::string cutAt(const std::string& recording, Micros end) {
    std::istringstream in(recording);
    std::string cut, line;
    Micros t = 0;
    while (std::getline(in, line)) {
        const bool wait = line.rfind("advance ", 0) == 0 || line.rfind("stall ", 0) == 0;
        if (wait) {
            if (t >= end) break;
            const Micros step = command(line).micros;
            if (t + step > end) {
                cut += line.substr(0, line.find(' ')) + " " + script::millis(end - t) + "\n";
                t = end;
                continue;
            }
            t += step;
        } else if (line == "state") {
            continue;
        }
        cut += line + "\n";
    }
    return cut + "state\n";
}

QString runSim(const std::string& script) {
    QProcess sim;
    sim.start(QStringLiteral(FENWING_SIM), {});
    sim.write(script.data(), qint64(script.size()));
    sim.closeWriteChannel();
    sim.waitForFinished(60'000);
    return QString::fromUtf8(sim.readAllStandardOutput());
}

// The other window of the two-process test, and a window killed after its game was kept.
int helperMain(const QStringList& args) {
    BestStore store(args.at(2));
    Kept kept(store, args.at(1) == QStringLiteral("--save") ? "Ada" : "Cy");
    if (!kept.problem.isEmpty()) return 3;
    if (args.at(1) == QStringLiteral("--save")) {
        // Both windows start together, when the test says so.
        const QString go = args.at(2) + QStringLiteral("/go");
        for (int i = 0; i < 60'000 && !QFile::exists(go); ++i) QThread::msleep(1);
        const int offset = args.at(4).toInt();
        for (int i = 0; i < args.at(3).toInt(); ++i)
            if (!kept.play((i * 7 + offset) % 10).problem.isEmpty()) return 4;
        return kept.finish().problem.isEmpty() ? 0 : 5;
    }
    if (args.at(1) == QStringLiteral("--keep-and-die")) kept.play(2, true);
    std::_Exit(0);  // no finish: the lock and the recording stay behind
}

}  // namespace

class BestWindowTest : public QObject {
    Q_OBJECT

  private:
    QTemporaryDir folder_;

  private slots:
    void init() { QVERIFY(folder_.isValid()); }
    void cleanup() {
        QDir(folder_.path()).removeRecursively();
        QDir().mkpath(folder_.path());
    }

    // A game finished by its shots enters the table, its result as fenwing-sim --games finds it
    // in the recording; one cut short by a Start and one still running at the end do not. After
    // the session its recording stays, its lock goes, and the next program finds the same table
    // and takes it as it is.
    void aFinishedGameEntersTheTableAndOutlivesTheProgram() {
        BestStore store(folder_.path());
        Kept kept(store);
        QVERIFY2(kept.problem.isEmpty(), qPrintable(kept.problem));
        QVERIFY(QFile::exists(store.lockPath(kept.keeper.name())));
        kept.session.run([&] { kept.session.perform(command("key F1")); });  // cut short
        const BestStore::Update& update = kept.play(3);
        QVERIFY2(update.problem.isEmpty(), qPrintable(update.problem));
        QCOMPARE(update.entered, std::vector<int>{1});
        QCOMPARE(update.table.size(), std::size_t(1));
        const best::BestGame game = update.table[0];
        QCOMPARE(game.result.number, 2);
        QCOMPARE(game.result.hits, 3);
        QCOMPARE(game.result.shots, 25);
        QCOMPARE(game.player, std::string("Ada"));
        QCOMPARE(QString::fromStdString(game.recording), kept.keeper.name());
        playGame(kept.session, kept.t, 1);  // 1 hit: kept too, ranked below
        QTRY_COMPARE_WITH_TIMEOUT(kept.updates.size(), std::size_t(2), kUpdateMs);
        QCOMPARE(kept.updates.back().entered, std::vector<int>{2});
        kept.session.run([&] { kept.session.perform(command("key F1")); });  // still running

        const BestStore::Update last = kept.finish();
        QCOMPARE(last.table.size(), std::size_t(2));
        QVERIFY(last.table[0] == game);
        QVERIFY(!QFile::exists(store.lockPath(kept.keeper.name())));
        const QString recording = store.recordingPath(kept.keeper.name());
        QProcess sim;
        sim.start(QStringLiteral(FENWING_SIM), {QStringLiteral("--games"), recording});
        QVERIFY(sim.waitForFinished(60'000));
        QCOMPARE(QString::fromUtf8(sim.readAllStandardOutput()).split('\n').at(0).toStdString(),
                 describe(game.result));

        BestStore restarted(folder_.path());
        const BestStore::Update again = restarted.update();
        QVERIFY(!again.rebuilt);
        QVERIFY(again.table == last.table);
        QCOMPARE(recordings(store), QStringList{kept.keeper.name()});
    }

    // A session that keeps no game leaves no recording; with --record the file is the
    // recording, and the folder holds a copy only while the table names one of its games.
    void onlyRecordingsTheTableNamesStay() {
        BestStore store(folder_.path());
        {
            Kept kept(store);
            playGame(kept.session, kept.t, 0);  // 0 hits, kept: the table was empty
            QTRY_COMPARE_WITH_TIMEOUT(kept.updates.size(), std::size_t(1), kUpdateMs);
            kept.finish();
        }
        for (int i = 0; i < 10; ++i) {  // ten better games push it out
            Kept better(store);
            better.play(2);
            better.finish();
        }
        Kept nothing(store);
        playGame(nothing.session, nothing.t, 1);  // not among the ten best
        QTRY_COMPARE_WITH_TIMEOUT(nothing.updates.size(), std::size_t(1), kUpdateMs);
        QVERIFY(nothing.updates[0].entered.empty());
        nothing.finish();
        const BestStore::Update now = store.update();
        QCOMPARE(now.table.size(), std::size_t(10));
        QCOMPARE(recordings(store).size(), qsizetype(10));
        for (const best::BestGame& row : now.table)
            QVERIFY(QFile::exists(store.recordingPath(QString::fromStdString(row.recording))));

        const QString file = folder_.path() + QStringLiteral("/asked-for.sim");
        std::ostringstream out;
        GameSession session(5, out);
        session.playerAtControls();
        BestKeeper keeper(store);
        std::vector<BestStore::Update> updates;
        keeper.onUpdate = [&](const BestStore::Update& u) { updates.push_back(u); };
        QCOMPARE(keeper.record(session, "Di", 1'800'000'000,
                               std::make_unique<script::Recorder>(file.toStdString()), file),
                 QString());
        QVERIFY(!QFile::exists(store.recordingPath(keeper.name())));
        Micros t = 0;
        playGame(session, t, 7);
        QTRY_COMPARE_WITH_TIMEOUT(updates.size(), std::size_t(1), kUpdateMs);
        QCOMPARE(updates[0].entered, std::vector<int>{1});
        QCOMPARE(slurp(store.recordingPath(keeper.name())), slurp(file));
        session.run([&] { session.perform(command("key F1")); });
        session.finish();
        keeper.finish();
        QCOMPARE(slurp(store.recordingPath(keeper.name())), slurp(file));  // the whole session
        QCOMPARE(recordings(store).size(), qsizetype(10));
    }

    // A table damaged, edited by hand, gone, or naming a recording that is not there is not
    // believed: the next update makes it again from the recordings, says so once, and writes
    // it; the one after takes it as it is. A recording of an older version, without the
    // comments that name its player and its date, still counts.
    void aDamagedOrEditedTableIsMadeAgainFromTheRecordings() {
        BestStore store(folder_.path());
        for (int hits : {4, 2}) {
            Kept kept(store);
            kept.play(hits);
            kept.finish();
        }
        const std::string good = slurp(store.tablePath());
        const std::vector<best::BestGame> table = *best::parseTable(good);
        QCOMPARE(table.size(), std::size_t(2));
        std::string edited = good;
        edited.replace(edited.find("\t4\t25\t"), 6, "\t9\t25\t");
        // The rows in the wrong order, each with the other's rank.
        const std::size_t row1 = good.find("\n1\t") + 1, row2 = good.find("\n2\t") + 1;
        const std::string swapped = good.substr(0, row1) + "1" + good.substr(row2 + 1) + "2" +
                                    good.substr(row1 + 1, row2 - row1 - 1);
        std::string missing = good + "3\t1\t25\t0\t0\tshots\t0\t900\t\tgone.sim\t1\tEd\n";
        for (const auto& [what, text] :
             {std::pair("cut short", good.substr(0, good.size() - 20)), std::pair("edited", edited),
              std::pair("rows swapped", swapped),
              std::pair("naming a recording not there", missing),
              std::pair("garbage", std::string("\x01\x02 not a table\n")),
              std::pair("gone", std::string())}) {
            if (text.empty())
                QFile::remove(store.tablePath());
            else
                spit(store.tablePath(), text);
            const BestStore::Update rebuilt = store.update();
            QVERIFY2(rebuilt.rebuilt, what);
            QVERIFY2(rebuilt.table == table, what);
            QCOMPARE(QString::fromStdString(slurp(store.tablePath())),
                     QString::fromStdString(good));
            QVERIFY2(!store.update().rebuilt, what);
        }

        const std::string old = slurp(QStringLiteral(FENWING_TEST_SCRIPTS "/out_of_shots.sim"));
        spit(store.recordingPath(QStringLiteral("old.sim")), old);
        const BestStore::Update withOld = store.update();
        QVERIFY(withOld.rebuilt);  // a game the table did not have
        QCOMPARE(withOld.table.size(), std::size_t(3));
        // Its 4 hits with 25 shots tie with the first game's: with no date, it comes after.
        const best::BestGame& oldGame = withOld.table[1];
        QCOMPARE(oldGame.recording, std::string("old.sim"));
        QCOMPARE(oldGame.result.hits, 4);
        QCOMPARE(oldGame.player, std::string());
        QCOMPARE(oldGame.date, std::string());
        QVERIFY(!store.update().rebuilt);
        QCOMPARE(BestTable::shownDate(oldGame.date), QStringLiteral("unknown"));
    }

    // Two windows saving at once, twenty games each, started together: the table is the ten
    // best of all forty, as both recordings hold them (no update lost to the other's), and
    // neither window left a lock.
    void twoProcessesSavingAtOnceKeepBothGames() {
        QProcess a, b;
        int offset = 0;
        for (QProcess* p : {&a, &b}) {
            p->setProcessChannelMode(QProcess::ForwardedChannels);
            p->start(QCoreApplication::applicationFilePath(),
                     {QStringLiteral("--save"), folder_.path(), QStringLiteral("20"),
                      QString::number(offset += 3)});
        }
        for (QProcess* p : {&a, &b}) QVERIFY(p->waitForStarted());
        spit(folder_.path() + QStringLiteral("/go"), "");
        for (QProcess* p : {&a, &b}) {
            QVERIFY(p->waitForFinished(300'000));
            QCOMPARE(p->exitStatus(), QProcess::NormalExit);
            QCOMPARE(p->exitCode(), 0);
        }
        BestStore store(folder_.path());
        const BestStore::Update both = store.update();
        QVERIFY(!both.rebuilt);
        std::vector<best::BestGame> all;
        for (const QString& name : recordings(store)) {
            const auto games = best::gamesOf(*store.readRecording(name), name.toStdString());
            QCOMPARE(games.games.size(), std::size_t(20));
            all.insert(all.end(), games.games.begin(), games.games.end());
        }
        QCOMPARE(recordings(store).size(), qsizetype(2));
        QVERIFY(both.table == best::tenBest(all));
    }

    // An update waits while another window holds the folder's lock, and goes on once it is let
    // go.
    void anUpdateWaitsForAnotherWindowsLock() {
        BestStore store(folder_.path());
        QDir().mkpath(store.recordingsPath());
        spit(store.recordingPath(QStringLiteral("old.sim")),
             slurp(QStringLiteral(FENWING_TEST_SCRIPTS "/out_of_shots.sim")));
        QLockFile other(folder_.path() + QStringLiteral("/best-games.lock"));
        QVERIFY(other.tryLock(0));
        std::atomic<bool> done = false;
        std::thread waiting([&] {
            store.update();
            done = true;
        });
        QTest::qWait(1'000);
        const bool early = done;
        other.unlock();
        waiting.join();
        QVERIFY(!early);
        QVERIFY(QFile::exists(store.tablePath()));
    }

    // A window killed after the clock ended its kept game leaves its recording and lock: the
    // game stays in the table, the table agrees with the recording (the game's end was written
    // at once), and a killed window's recording with no kept game goes. A live window's
    // recording stays, though no row names it.
    void aKilledWindowsKeptGameStaysAndItsLeftoversGo() {
        for (const char* mode : {"--keep-and-die", "--die"}) {
            QProcess p;
            p.setProcessChannelMode(QProcess::ForwardedChannels);
            p.start(QCoreApplication::applicationFilePath(),
                    {QString::fromLatin1(mode), folder_.path()});
            QVERIFY(p.waitForFinished(120'000));
        }
        BestStore store(folder_.path());
        QCOMPARE(recordings(store).filter(QStringLiteral(".sim")).size(), qsizetype(4));
        Kept live(store);
        const BestStore::Update update = store.update();
        QVERIFY(!update.rebuilt);
        QCOMPARE(update.table.size(), std::size_t(1));
        QCOMPARE(update.table[0].result.ending, GameResult::Ending::Time);
        QCOMPARE(update.table[0].player, std::string("Cy"));
        QStringList left{QString::fromStdString(update.table[0].recording), live.keeper.name(),
                         live.keeper.name() + ".lock"};
        left.sort();
        QCOMPARE(recordings(store), left);
        live.finish();
        QCOMPARE(recordings(store).size(), qsizetype(1));
    }

    // The player's name: the account's until one is given, then the one given; a new one in the
    // middle of a session is written into its recording and names its games in the table.
    void aNewNameIsKeptAndNamesTheSessionsGames() {
        QCOMPARE(playerName(), accountName());
        QVERIFY(best::nameProblem(accountName()).empty());
        BestStore store(folder_.path());
        Kept kept(store, playerName());
        kept.play(2);
        keepPlayerName("Bea Q");
        QCOMPARE(playerName(), std::string("Bea Q"));
        const std::size_t before = kept.updates.size();
        kept.keeper.rename(playerName());
        QTRY_VERIFY_WITH_TIMEOUT(kept.updates.size() > before, kUpdateMs);
        QCOMPARE(kept.updates.back().table.at(0).player, std::string("Bea Q"));
        QVERIFY(kept.updates.back().entered.empty());  // not new
        QVERIFY(!kept.updates.back().rebuilt);
        kept.finish();
        const std::string recording =
            slurp(store.recordingPath(QString::fromStdString(store.update().table[0].recording)));
        QVERIFY(recording.find("\n# player: Bea Q\n") != std::string::npos);
        keepPlayerName(accountName());
    }

    // The second of two games, watched: at once at its Start, then in real time to the
    // moment it ended, where it stays, in exactly the state fenwing-sim prints for the
    // recording cut there; its last box in the bar.
    void watchingEndsInTheStateFenwingSimPrintsAtTheGamesEnd() {
        BestStore store(folder_.path());
        Kept kept(store);
        kept.play(3);
        kept.t += 30'000'000;  // the ducks fly on for half a minute before the next Start
        const BestStore::Update update = kept.play(2);
        kept.session.run([&] { kept.session.advanceTo(kept.t += 5'000'000); });
        kept.finish();
        const best::BestGame game = update.table.at(1);
        QCOMPARE(game.result.number, 2);
        const std::string recording = *store.readRecording(QString::fromStdString(game.recording));
        std::istringstream in(recording);
        WatchWindow watch(script::parseScript(in), game);
        QCOMPARE(watch.windowTitle(), QStringLiteral("Fenwing: game 2 of Ada (watching)"));
        watch.show();
        watch.start();
        QCOMPARE(watch.play().session().now(), game.result.start);
        QVERIFY(!watch.play().ended());
        QTRY_VERIFY_WITH_TIMEOUT(watch.play().ended(), 30'000);
        QCOMPARE(watch.play().session().now(), game.result.end);
        QVERIFY2(watch.status().contains(QStringLiteral("Oh no!")), qPrintable(watch.status()));
        const std::string printed = watch.finish();
        QCOMPARE(QString::fromStdString(printed), runSim(cutAt(recording, game.result.end)));
        QTest::qWait(200);
        QCOMPARE(watch.play().session().now(), game.result.end);  // it stays there
        QTest::keyClick(&watch, Qt::Key_Escape);
        QTRY_VERIFY(!watch.isVisible());
    }

    // Rank, name, counts and local date, best first; the newest game highlighted and chosen;
    // Return watches the game chosen. An empty table says why and watches nothing.
    void theTableShowsTheGamesWithTheNewestHighlighted() {
        const auto row = [](int hits, const char* player, const char* date, int number) {
            best::BestGame g;
            g.result.hits = hits;
            g.result.shots = 25;
            g.result.crates = 1;
            g.result.clocks = number;
            g.result.number = number;
            g.player = player;
            g.date = date;
            g.recording = "r.sim";
            return g;
        };
        const std::vector<best::BestGame> games = {
            row(9, "Ada", "2026-01-02T10:00:00Z", 1), row(7, "", "", 2),
            row(5, "Bo", "2026-03-04T12:30:00Z", 3), row(5, "Cy", "2026-02-01T00:00:00Z", 4)};
        BestTable table;
        std::vector<best::BestGame> watched;
        table.onWatch = [&](const best::BestGame& g) { watched.push_back(g); };
        QVERIFY(!table.watchButton()->isEnabled());
        QVERIFY(table.message().contains(QStringLiteral("No game")));
        table.setTable(games);
        QCOMPARE(table.table()->rowCount(), 4);
        QCOMPARE(table.highlighted(), 2);
        const auto cell = [&](int r, int c) { return table.table()->item(r, c)->text(); };
        QCOMPARE(cell(0, 0), QStringLiteral("1"));
        QCOMPARE(cell(0, 1), QStringLiteral("Ada"));
        QCOMPARE(cell(0, 2), QStringLiteral("9"));
        QCOMPARE(cell(0, 3), QStringLiteral("25"));
        QCOMPARE(cell(0, 4), QStringLiteral("1"));
        QCOMPARE(cell(3, 5), QStringLiteral("4"));
        QCOMPARE(cell(1, 1), QStringLiteral("unknown"));
        QCOMPARE(cell(1, 6), QStringLiteral("unknown"));
        QCOMPARE(cell(2, 6), QDateTime(QDate(2026, 3, 4), QTime(12, 30), Qt::UTC)
                                 .toLocalTime()
                                 .toString(QStringLiteral("yyyy-MM-dd HH:mm")));
        for (int r = 0; r < 4; ++r) QCOMPARE(table.table()->item(r, 1)->font().bold(), r == 2);
        QCOMPARE(cell(2, 0), QStringLiteral("3 \u2605"));
        QVERIFY(table.message().isEmpty());
        table.show();
        QVERIFY(QTest::qWaitForWindowExposed(&table));
        QTest::keyClick(table.table(), Qt::Key_Return);
        QCOMPARE(watched.size(), std::size_t(1));
        QVERIFY(watched[0] == games[2]);
        table.table()->selectRow(0);
        table.setTable(games, QStringLiteral("made again"));  // the choice stays
        QTest::keyClick(table.table(), Qt::Key_Return);
        QVERIFY(watched.back() == games[0]);
        QCOMPARE(table.message(), QStringLiteral("made again"));
    }

    // The Games menu comes after the game's own two, whose items and keys stay as the game lays
    // them out, and nothing answers F2. A game finished with a click opens the game's box, and the
    // new best game is told in the menu bar, the box keeping the keyboard; the table waits
    // until the box is closed, then F6 shows it. The menu bar is as high with the notice as
    // without: the game's area does not move.
    void theGamesMenuStandsBesideTheGamesOwn() {
        BestStore store(folder_.path());
        BestKeeper keeper(store);
        Micros now = 0;
        WindowHost host(1, {}, [&] { return now; });
        BestMenu menu(host, store, keeper);
        QCOMPARE(keeper.record(host.session(), "Ada", 1'800'000'000), QString());
        QMainWindow* w = host.window();
        QStringList menus, items;
        for (QAction* a : w->menuBar()->actions()) {
            menus << a->text();
            for (QAction* item : a->menu()->actions())
                items << item->text() + QLatin1Char('=') + item->shortcut().toString();
        }
        QCOMPARE(menus, (QStringList{"File", "Help", "Games"}));
        QCOMPARE(items, (QStringList{"Start=F1", "Exit=Del", "Controls=F3", "About=F5",
                                     "How To Play=F4", "Best Games…=F6", "Player Name…="}));
        host.show();
        QVERIFY(QTest::qWaitForWindowExposed(w, 30'000));
        const int barHeight = w->menuBar()->height();
        const QRect viewPlace = host.view()->geometry();
        w->activateWindow();
        QTRY_COMPARE(QGuiApplication::focusWindow(), w->windowHandle());
        QTest::keyClick(w->windowHandle(), Qt::Key_F2);
        QVERIFY(!menu.table());

        host.drive([&] {
            host.session().perform(command("key F1"));
            for (int i = 0; i < 25; ++i) host.session().perform(command("click imgField"));
        });
        QTRY_VERIFY(QApplication::activeModalWidget());
        QWidget* box = QApplication::activeModalWidget();
        QCOMPARE(box->windowTitle(), QStringLiteral("Oh no!"));
        QTRY_VERIFY_WITH_TIMEOUT(menu.notice().startsWith(QStringLiteral("New best game: 1st")),
                                 kUpdateMs);
        QCOMPARE(w->menuBar()->height(), barHeight);
        QCOMPARE(host.view()->geometry(), viewPlace);
        QTRY_COMPARE(QGuiApplication::focusWindow(), box->windowHandle());
        menu.showTable();  // as F6 would, were the box not modal
        QVERIFY(!menu.table());
        QCOMPARE(QApplication::activeModalWidget(), box);
        QTest::keyClick(QGuiApplication::focusWindow(), Qt::Key_Return);
        QTRY_VERIFY(!QApplication::activeModalWidget());
        w->activateWindow();
        QTRY_COMPARE(QGuiApplication::focusWindow(), w->windowHandle());
        QTest::keyClick(w->windowHandle(), Qt::Key_F6);
        QTRY_VERIFY(menu.table() && menu.table()->isVisible());
        QTRY_COMPARE(menu.table()->table()->rowCount(), 1);
        QCOMPARE(menu.table()->table()->item(0, 1)->text(), QStringLiteral("Ada"));
        host.finishSession();
        keeper.finish();
    }
};

int main(int argc, char** argv) {
    // Nothing in a real home: the data and the settings in a folder of the test's own.
    QTemporaryDir home;
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.path() + "/data"));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path() + "/config"));
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Fenwing"));
    const QStringList args = QCoreApplication::arguments();
    if (args.size() > 2 && QStringList{"--save", "--keep-and-die", "--die"}.contains(args.at(1)))
        return helperMain(args);
    BestWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "best_window_test.moc"
