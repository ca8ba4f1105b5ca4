// The best games in the window: the store in the data folder (a finished game enters the table
// and outlives the program; a damaged or edited table is made again from the recordings; two
// processes saving at once keep their games; a killed window's kept game stays), the game
// watched again ending in the state fenwing-sim prints at its end, the table, and the Games
// menu beside the game's own, whose announcement leaves the keyboard with the game's box, and a
// kept game posted from the table to a real fenwing-board.
//
// XDG_DATA_HOME and XDG_CONFIG_HOME point into a temporary folder: nothing touches a real home.
// Run with --save, --keep-and-die or --die, the binary is another window (see helperMain).
#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QJsonArray>
#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>
#include <QtCore/QLockFile>
#include <QtCore/QProcess>
#include <QtCore/QTemporaryDir>
#include <QtGui/QWindow>
#include <QtNetwork/QNetworkAccessManager>
#include <QtNetwork/QNetworkReply>
#include <QtTest/QtTest>
#include <QtWidgets/QDialogButtonBox>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QMainWindow>
#include <QtWidgets/QMenuBar>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QTableWidget>
#include <atomic>
#include <cstdlib>
#include <sstream>
#include <thread>

#include "session/parser.h"
#include "session/recorder.h"
#include "window/best_menu.h"
#include "window/best_table.h"
#include "window/board_post.h"
#include "window/field_view.h"
#include "window/player_name.h"
#include "window/watch_window.h"
#include "window/window_host.h"

using namespace fenwing;
using namespace fenwing::qt;

namespace {

constexpr int kUpdateMs = 30'000;  // an update on a loaded machine

script::Command command(const std::string& line) { return *script::Parser().parse(line); }

// A game from `t` on, in virtual time: F1, `hits` clicks on the ducks at once (a falling one
// counts again), then misses a fifth of a second apart until the shots run out, or with
// `byTime` until the clock does.
void playGame(GameSession& session, Micros& t, int hits, bool byTime = false) {
    session.run([&] {
        const auto at = [&](const std::string& line, Micros after = 200'000) {
            session.advanceTo(t += after);
            session.perform(command(line));
        };
        at("key F1");
        for (int i = 0; i < hits; ++i)
            at("click " + std::string(i % 2 ? "Imgduck2" : "ImgDuck1"), 0);
        for (int i = hits; i < 25 && !byTime; ++i) at("click imgField");
        if (byTime) session.advanceTo(t += 61'000'000);
    });
}

std::string slurp(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}

void spit(const QString& path, const std::string& text) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) file.write(text.c_str());
}

QStringList recordings(const BestStore& store) {
    return QDir(store.recordingsPath()).entryList(QDir::Files, QDir::Name);
}

// A session played live and kept, in virtual time.
struct Kept {
    explicit Kept(BestStore& store, const std::string& player = "Ada") : keeper(store) {
        session.playerAtControls();
        keeper.onUpdate = [this](const BestStore::Update& u) { updates.push_back(u); };
        problem = keeper.record(session, player, 1'800'000'000);
    }
    // Plays a game and waits for its update.
    BestStore::Update play(int hits, bool byTime = false) {
        const std::size_t before = updates.size();
        playGame(session, t, hits, byTime);
        [&] { QTRY_VERIFY_WITH_TIMEOUT(updates.size() > before, kUpdateMs); }();
        return updates.size() > before ? updates.back()
                                       : BestStore::Update{{}, false, {}, QStringLiteral("none")};
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

// What fenwing-sim prints for `recording` cut at the moment `end` (after the commands then), and
// its state there.
QString simAt(const std::string& recording, Micros end) {
    std::istringstream in(recording);
    std::string cut, line;
    for (Micros t = 0; std::getline(in, line);) {
        const script::Command c =
            line.empty() || line[0] == '#' ? script::Command{} : command(line);
        if (c.verb == script::Verb::Advance || c.verb == script::Verb::Stall) {
            if (t >= end) break;
            if (t + c.micros > end)
                line = line.substr(0, line.find(' ') + 1) + script::millis(end - t);
            t = std::min(t + c.micros, end);
        }
        cut += line + '\n';
    }
    cut += "state\n";
    QProcess sim;
    sim.start(QStringLiteral(FENWING_SIM), {});
    sim.write(cut.c_str());
    sim.closeWriteChannel();
    sim.waitForFinished(60'000);
    return QString::fromUtf8(sim.readAllStandardOutput());
}

// Another window: --save FOLDER GAMES OFFSET plays GAMES games once FOLDER/go is there;
// --keep-and-die FOLDER is killed after the clock ended its kept game, --die FOLDER at once.
int helperMain(const QStringList& args) {
    BestStore store(args.at(2));
    Kept kept(store, args.at(1) == QStringLiteral("--save") ? "Ada" : "Cy");
    if (!kept.problem.isEmpty()) return 3;
    if (args.at(1) == QStringLiteral("--save")) {
        while (!QFile::exists(args.at(2) + QStringLiteral("/go"))) QThread::msleep(1);
        for (int i = 0; i < args.at(3).toInt(); ++i)
            if (!kept.play((i * 7 + args.at(4).toInt()) % 10).problem.isEmpty()) return 4;
        return kept.finish().problem.isEmpty() ? 0 : 5;
    }
    if (args.at(1) == QStringLiteral("--keep-and-die")) kept.play(2, true);
    std::_Exit(0);  // the lock and the recording stay behind
}

}  // namespace

class BestWindowTest : public QObject {
    Q_OBJECT

    QTemporaryDir folder_;

  private slots:
    void cleanup() {
        QDir(folder_.path()).removeRecursively();
        QDir().mkpath(folder_.path());
    }

    // A game finished by its shots enters the table, its result what fenwing-sim --games finds
    // in the recording; one cut short by a Start, and one still running at the end, do not. A
    // new name mid-session names the session's games. After the session its recording stays,
    // its lock goes, and the next program finds the same table and takes it as it is.
    void aFinishedGameEntersTheTableAndOutlivesTheProgram() {
        BestStore store(folder_.path());
        Kept kept(store);
        QCOMPARE(kept.problem, QString());
        kept.session.run([&] { kept.session.perform(command("key F1")); });  // cut short
        const best::BestGame game = kept.play(3).table.at(0);
        QCOMPARE(kept.updates.back().entered, std::vector<int>{1});
        QCOMPARE(game.result.number, 2);
        QCOMPARE(game.player, std::string("Ada"));
        QCOMPARE(QString::fromStdString(game.recording), kept.keeper.name());
        QCOMPARE(kept.play(1).entered, std::vector<int>{2});
        kept.keeper.rename("Bea Q");
        QTRY_COMPARE_WITH_TIMEOUT(kept.updates.size(), std::size_t(3), kUpdateMs);
        QVERIFY(kept.updates.back().entered.empty() && !kept.updates.back().rebuilt);
        QCOMPARE(kept.updates.back().table.at(0).player, std::string("Bea Q"));
        kept.session.run([&] { kept.session.perform(command("key F1")); });  // still running

        const BestStore::Update last = kept.finish();
        QCOMPARE(last.table.size(), std::size_t(2));
        QCOMPARE(recordings(store), QStringList{kept.keeper.name()});  // the lock gone
        QProcess sim;
        sim.start(QStringLiteral(FENWING_SIM),
                  {QStringLiteral("--games"), store.recordingPath(kept.keeper.name())});
        QVERIFY(sim.waitForFinished(60'000));
        QCOMPARE(sim.readAllStandardOutput().split('\n').at(0).toStdString(),
                 describe(game.result));
        const BestStore::Update again = BestStore(folder_.path()).update();
        QVERIFY(!again.rebuilt && again.table == last.table);
    }

    // The name: the account's until one is given, then the one given.
    void theNameIsTheAccountsUntilOneIsGiven() {
        QCOMPARE(playerName(), accountName());
        QVERIFY(best::nameProblem(accountName()).empty());
        keepPlayerName("Bea Q");
        QCOMPARE(playerName(), std::string("Bea Q"));
        keepPlayerName(" ");  // not a name: the account's again
        QCOMPARE(playerName(), accountName());
    }

    // With --record the file asked for is the recording: the folder holds a copy of it while
    // the table names one of its games, the whole session's at the end.
    void aRecordingAskedForIsCopiedWhileTheTableNamesIt() {
        BestStore store(folder_.path());
        const QString file = folder_.path() + QStringLiteral("/asked-for.sim");
        std::ostringstream out;
        GameSession session(5, out);
        session.playerAtControls();
        BestKeeper keeper(store);
        int updates = 0;
        keeper.onUpdate = [&](const BestStore::Update&) { ++updates; };
        QCOMPARE(keeper.record(session, "Di", 1'800'000'000,
                               std::make_unique<script::Recorder>(file.toStdString()), file),
                 QString());
        QCOMPARE(recordings(store), QStringList{keeper.name() + ".lock"});
        Micros t = 0;
        playGame(session, t, 7);
        QTRY_COMPARE_WITH_TIMEOUT(updates, 1, kUpdateMs);
        QCOMPARE(slurp(store.recordingPath(keeper.name())), slurp(file));
        session.run([&] { session.perform(command("key F1")); });
        session.finish();
        keeper.finish();
        QCOMPARE(slurp(store.recordingPath(keeper.name())), slurp(file));
        QVERIFY(slurp(file).ends_with("state\n"));
    }

    // A table cut short, edited, out of order, naming a recording not there, not a table, or
    // gone is made again from the recordings and written, and said so; the next update takes it
    // as it is. A recording of an older version (no player, no date) counts.
    void aDamagedOrEditedTableIsMadeAgainFromTheRecordings() {
        BestStore store(folder_.path());
        for (int hits : {4, 2}) {
            Kept kept(store);
            kept.play(hits);
            kept.finish();
        }
        const std::string good = slurp(store.tablePath());
        const std::size_t row1 = good.find("\n1\t") + 1, row2 = good.find("\n2\t") + 1;
        std::string edited = good;
        edited.replace(edited.find("\t4\t25\t"), 6, "\t9\t25\t");
        for (const std::string& damaged :
             {good.substr(0, good.size() - 20), edited,
              good.substr(0, row1) + "1" + good.substr(row2 + 1) + "2" +
                  good.substr(row1 + 1, row2 - row1 - 1),
              good + "3\t1\t25\t0\t0\tshots\t0\t900\t\tgone.sim\t1\tEd\n",
              std::string("\x01 not a table\n"), std::string()}) {
            damaged.empty() ? (void)QFile::remove(store.tablePath())
                            : spit(store.tablePath(), damaged);
            QVERIFY2(store.update().rebuilt, damaged.c_str());
            QCOMPARE(QString::fromStdString(slurp(store.tablePath())),
                     QString::fromStdString(good));
            QVERIFY(!store.update().rebuilt);
        }
        QDir().mkpath(store.recordingsPath());
        spit(store.recordingPath(QStringLiteral("old.sim")),
             slurp(QStringLiteral(FENWING_TEST_SCRIPTS "/out_of_shots.sim")));
        const BestStore::Update withOld = store.update();
        QVERIFY(withOld.rebuilt);                         // a game the table did not have
        const best::BestGame& old = withOld.table.at(1);  // 4 hits as the first; no date: later
        QCOMPARE(old.recording + old.player + old.date, std::string("old.sim"));
        QVERIFY(!store.update().rebuilt);
    }

    // Two windows saving at once, twenty games each, started together: the table is the ten
    // best of all forty, and neither window left a lock.
    void twoProcessesSavingAtOnceKeepBothGames() {
        QProcess a, b;
        for (QProcess* p : {&a, &b}) {
            p->setProcessChannelMode(QProcess::ForwardedChannels);
            p->start(QCoreApplication::applicationFilePath(),
                     {"--save", folder_.path(), "20", p == &a ? "3" : "6"});
            QVERIFY(p->waitForStarted());
        }
        spit(folder_.path() + QStringLiteral("/go"), "");
        for (QProcess* p : {&a, &b}) {
            QVERIFY(p->waitForFinished(300'000));
            QCOMPARE(p->exitCode(), 0);
        }
        BestStore store(folder_.path());
        const BestStore::Update both = store.update();
        QVERIFY(!both.rebuilt);
        std::vector<best::BestGame> all;
        QCOMPARE(recordings(store).size(), qsizetype(2));
        for (const QString& name : recordings(store)) {
            const auto games = best::gamesOf(*store.readRecording(name), name.toStdString()).games;
            QCOMPARE(games.size(), std::size_t(20));
            all.insert(all.end(), games.begin(), games.end());
        }
        QVERIFY(both.table == best::tenBest(all));
    }

    // An update waits while another window holds the folder's lock.
    void anUpdateWaitsForAnotherWindowsLock() {
        BestStore store(folder_.path());
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
    }

    // A window killed after the clock ended its kept game: the game stays, and the table agrees
    // with the recording (the game's end was written at once). A killed window's recording with
    // no kept game goes; a live window's stays though no row names it, until its end.
    void aKilledWindowsKeptGameStaysAndItsLeftoversGo() {
        for (const char* mode : {"--keep-and-die", "--die"}) {
            QProcess p;
            p.start(QCoreApplication::applicationFilePath(), {mode, folder_.path()});
            QVERIFY(p.waitForFinished(120'000));
        }
        BestStore store(folder_.path());
        QCOMPARE(recordings(store).size(), qsizetype(4));  // two recordings and their locks
        Kept live(store);
        const BestStore::Update update = store.update();
        QVERIFY(!update.rebuilt);
        QCOMPARE(update.table.size(), std::size_t(1));
        QCOMPARE(update.table[0].player, std::string("Cy"));
        QStringList left{QString::fromStdString(update.table[0].recording), live.keeper.name(),
                         live.keeper.name() + ".lock"};
        left.sort();
        QCOMPARE(recordings(store), left);
        live.finish();
        QCOMPARE(recordings(store).size(), qsizetype(1));
    }

    // The second of two games, watched: at once to its Start, then in real time to its end,
    // where it stays, in the state fenwing-sim prints for the recording cut there.
    void watchingEndsInTheStateFenwingSimPrintsAtTheGamesEnd() {
        BestStore store(folder_.path());
        Kept kept(store);
        kept.play(3);
        kept.t += 30'000'000;  // the ducks fly on for half a minute before the next Start
        const best::BestGame game = kept.play(2).table.at(1);
        kept.session.run([&] { kept.session.advanceTo(kept.t += 5'000'000); });  // and on
        kept.finish();
        const std::string recording = *store.readRecording(QString::fromStdString(game.recording));
        std::istringstream in(recording);
        WatchWindow watch(script::parseScript(in), game);
        QCOMPARE(watch.windowTitle(), QStringLiteral("Fenwing: game 2 of Ada (watching)"));
        watch.show();
        watch.start();
        QCOMPARE(watch.play().session().now(), game.result.start);
        QTRY_VERIFY_WITH_TIMEOUT(watch.play().ended(), 30'000);
        QVERIFY2(watch.status().contains(QStringLiteral("Oh no!")), qPrintable(watch.status()));
        QCOMPARE(QString::fromStdString(watch.finish()), simAt(recording, game.result.end));
        QTest::qWait(200);
        QCOMPARE(watch.play().session().now(), game.result.end);  // it stays there
    }

    // The newest game highlighted, starred and chosen; Return watches the game chosen, which
    // stays chosen when the table changes. An empty table says why and watches nothing.
    void theTableHighlightsTheNewestAndWatchesTheChosen() {
        std::vector<best::BestGame> games(3);
        const char* dates[] = {"2026-01-02T10:00:00Z", "2026-03-04T12:30:00Z", ""};
        for (int i = 0; i < 3; ++i) {
            games[i].result.number = i + 1;
            games[i].date = dates[i];
        }
        BestTable table;
        std::vector<int> watched;
        table.onWatch = [&](const best::BestGame& g) { watched.push_back(g.result.number); };
        QVERIFY(!table.watchButton()->isEnabled() && table.message().startsWith("No game"));
        table.setTable(games);
        QCOMPARE(table.highlighted(), 1);
        QCOMPARE(table.table()->item(1, 0)->text(), QStringLiteral("2 \u2605"));
        QCOMPARE(table.table()->item(2, 6)->text(), QStringLiteral("unknown"));
        table.show();
        QTest::keyClick(table.table(), Qt::Key_Return);
        table.table()->selectRow(0);
        table.setTable(games, QStringLiteral("made again"));
        QTest::keyClick(table.table(), Qt::Key_Return);
        QCOMPARE(watched, (std::vector<int>{2, 1}));
        QCOMPARE(table.message(), QStringLiteral("made again"));
    }

    // The Games menu comes after the game's own two, whose items and keys stay as the game lays
    // them out; F2 answers nothing. A game finished by clicks opens the game's box, and the new
    // best game is told in the menu bar while the box keeps the keyboard and the game's area
    // stays where it was; the table waits until the box is closed, then F6 shows it.
    void theGamesMenuStandsBesideTheGamesOwn() {
        BestStore store(folder_.path());
        BestKeeper keeper(store);
        WindowHost host(1, {}, [] { return Micros{0}; });
        BestMenu menu(host, store, keeper);
        QCOMPARE(keeper.record(host.session(), "Ada", 1'800'000'000), QString());
        QMainWindow* w = host.window();
        QStringList items;
        for (QAction* a : w->menuBar()->actions()) {
            items << a->text() + QLatin1Char(':');
            for (QAction* item : a->menu()->actions())
                items << item->text() + QLatin1Char('=') + item->shortcut().toString();
        }
        QCOMPARE(items.join(' '), QStringLiteral("File: Start=F1 Exit=Del Help: Controls=F3 "
                                                 "About=F5 How To Play=F4 Games: Best Games…=F6 "
                                                 "Player Name…="));
        host.show();
        QVERIFY(QTest::qWaitForWindowExposed(w, 30'000));
        const QRect view = host.view()->geometry();
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
        QTRY_VERIFY_WITH_TIMEOUT(menu.notice().startsWith("New best game: 1st"), kUpdateMs);
        QCOMPARE(host.view()->geometry(), view);
        QTRY_COMPARE(QGuiApplication::focusWindow(), box->windowHandle());
        menu.showTable();  // as F6 would, were the box not modal
        QVERIFY(!menu.table());
        QTest::keyClick(QGuiApplication::focusWindow(), Qt::Key_Return);
        QTRY_VERIFY(!QApplication::activeModalWidget());
        w->activateWindow();
        QTRY_COMPARE(QGuiApplication::focusWindow(), w->windowHandle());
        QTest::keyClick(w->windowHandle(), Qt::Key_F6);
        QTRY_VERIFY(menu.table() && menu.table()->table()->rowCount() == 1);

        // Games -> Player Name...: no name that is not one; a new one, trimmed, is kept and
        // names the session's game.
        menu.askName();
        QTRY_VERIFY(QApplication::activeModalWidget());
        auto* edit = QApplication::activeModalWidget()->findChild<QLineEdit*>();
        auto* ok = QApplication::activeModalWidget()->findChild<QDialogButtonBox*>()->button(
            QDialogButtonBox::Ok);
        edit->setText(QStringLiteral("  "));
        QVERIFY(!ok->isEnabled());
        edit->setText(QStringLiteral(" Ed "));
        ok->click();
        QCOMPARE(playerName(), std::string("Ed"));
        QTRY_COMPARE(menu.table()->table()->item(0, 1)->text(), QStringLiteral("Ed"));
        host.finishSession();
        keeper.finish();
        keepPlayerName(accountName());
    }

#ifdef FENWING_BOARD
    // A kept game posted from the table to a board on this machine: a malformed address sends
    // nothing; the board lists the game as the table shows it, under the name as the row shows
    // it; posted again it is already kept; the box closed mid-post drops it, and the next one
    // offers the address given last; a board that is gone cannot be reached. Post to Board… is
    // only for a chosen game whose recording is there.
    void aKeptGamePostedFromTheTableIsOnTheBoard() {
        QProcess board;
        board.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        board.start(QStringLiteral(FENWING_BOARD),
                    {"--listen", "127.0.0.1", "--port", "0", "--data", folder_.path() + "/board"});
        QTRY_VERIFY_WITH_TIMEOUT(board.canReadLine(), 60'000);
        const QString first = QString::fromUtf8(board.readLine());
        const QString address = first.section(QStringLiteral("is at "), 1).section("/board", 0, 0);
        QVERIFY2(address.startsWith("http://127.0.0.1:"), qPrintable(first));

        BestStore store(folder_.path());
        const QString name = QStringLiteral("Ann & Bo+Ö=1%");
        QDir().mkpath(store.recordingsPath());
        spit(store.recordingPath(QStringLiteral("posted.sim")),  // a game played by click_at
             best::playerLine(name.toStdString()) +
                 slurp(QStringLiteral(FENWING_TEST_SCRIPTS "/../board/recordings/game-2.sim")));
        BestKeeper keeper(store);
        WindowHost host(1, {}, [] { return Micros{0}; });
        BestMenu menu(host, store, keeper);
        menu.showTable();
        QTRY_VERIFY_WITH_TIMEOUT(menu.table()->table()->rowCount() == 1, kUpdateMs);
        BestTable* table = menu.table();
        table->table()->clearSelection();
        QVERIFY(!table->postButton()->isEnabled());
        const QString recording = store.recordingPath(QStringLiteral("posted.sim"));
        QVERIFY(QFile::rename(recording, recording + ".away"));
        table->table()->selectRow(0);
        QVERIFY(!table->postButton()->isEnabled());
        QVERIFY(QFile::rename(recording + ".away", recording));
        table->table()->clearSelection();
        table->table()->selectRow(0);
        QVERIFY(table->postButton()->isEnabled());

        BoardPost* box = nullptr;
        const auto open = [&] {
            table->postButton()->click();
            box = static_cast<BoardPost*>(table->findChild<QDialog*>("boardPost"));
            return box->findChild<QLineEdit*>("boardAddress")->text();
        };
        const auto post = [&](const QString& to) {
            box->findChild<QLineEdit*>("boardAddress")->setText(to);
            box->findChild<QPushButton*>("boardSend")->click();
            [&] { QTRY_VERIFY_WITH_TIMEOUT(!box->sending(), 60'000); }();
            return box->answer();
        };
        QCOMPARE(open(), QString());  // nothing kept yet
        for (const QString& bad :
             {address.mid(7), address + "/?board", QStringLiteral("http:///")}) {
            QCOMPARE(post(bad), QString());
            QVERIFY(!box->findChild<QLabel*>("boardProblem")->text().isEmpty());
        }
        const QString kept = post(address + "/");
        QVERIFY2(kept.startsWith("Kept on the board (" + address + "/board): " + address +
                                 "/api/recordings/"),
                 qPrintable(kept));
        QNetworkAccessManager network;
        QNetworkReply* games = network.get(QNetworkRequest(QUrl(address + "/api/games")));
        QTRY_VERIFY_WITH_TIMEOUT(games->isFinished(), 30'000);
        const QJsonArray listed = QJsonDocument::fromJson(games->readAll())["games"].toArray();
        QCOMPARE(listed.size(), 1);
        QCOMPARE(listed[0]["player"].toString(), name);
        QCOMPARE(listed[0]["hits"].toInt(), table->table()->item(0, 2)->text().toInt());
        QCOMPARE(listed[0]["shots"].toInt(), table->table()->item(0, 3)->text().toInt());
        QVERIFY2(post(address).startsWith("Already kept on the board ("),
                 qPrintable(box->answer()));

        box->findChild<QPushButton*>("boardSend")->click();
        QVERIFY(box->sending());
        box->close();
        QTRY_VERIFY(!table->findChild<QDialog*>("boardPost"));
        QCOMPARE(open(), address);
        board.terminate();
        QVERIFY(board.waitForFinished(30'000));
        QVERIFY2(post(address).contains("could not be reached"), qPrintable(box->answer()));
    }
#endif
};

int main(int argc, char** argv) {
    QTemporaryDir home;
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.path() + "/data"));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path() + "/config"));
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() > 2 && QStringList{"--save", "--keep-and-die", "--die"}.contains(args.at(1)))
        return helperMain(args);
    BestWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "best_window_test.moc"
