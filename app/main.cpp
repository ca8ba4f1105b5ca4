// Fenwing: the real window.
#include <QtWidgets/QApplication>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "app/options.h"
#include "app/session.h"
#include "window/best_keeper.h"
#include "window/best_menu.h"
#include "window/best_store.h"
#include "window/watch_window.h"
#include "window/window_host.h"

#ifdef FENWING_HAVE_FONTCONFIG
#include <fontconfig/fontconfig.h>
#endif

namespace {
// Qt aborts when it cannot open a window; say why in one line and fail instead.
void onQtMessage(QtMsgType type, const QMessageLogContext&, const QString& message) {
    const QByteArray text = message.toLocal8Bit();
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "fenwing: cannot open the window: %s\n",
                     text.left(text.indexOf('\n')).constData());
        std::_Exit(1);
    }
    std::fprintf(stderr, "%s\n", text.constData());
}

// fontconfig reads its configuration and font caches, much of what the first frame waits for,
// on another core while QApplication connects to the display; Qt's font database, which would
// do it on the main thread, then finds it done.
std::jthread readFontConfiguration() {
#ifdef FENWING_HAVE_FONTCONFIG
    return std::jthread([] { FcInit(); });
#else
    return {};
#endif
}

bool noDisplay() {
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS) && !defined(Q_OS_ANDROID)
    return qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") &&
           qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
#else
    return false;
#endif
}
}  // namespace

int main(int argc, char** argv) {
    QApplication::setApplicationName(QStringLiteral("Fenwing"));
    QApplication::setApplicationVersion(QStringLiteral(PROJECT_VERSION));
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    const fenwing::app::Parsed parsed = fenwing::app::parseCommandLine(arguments);
    if (!parsed.options) return parsed.status;  // --help, --version or a bad command line
    fenwing::app::Session session;
    if (!session.open(*parsed.options)) return 2;  // a bad script to replay, a file not written
    if (!parsed.options->platformGiven && noDisplay()) {
        std::fprintf(stderr, "fenwing: no display to open the window on (DISPLAY is not set)\n");
        return 1;
    }
    qInstallMessageHandler(onQtMessage);
    std::jthread fonts = readFontConfiguration();
    QApplication app(argc, argv);
    if (fonts.joinable()) fonts.join();
    QApplication::setDesktopFileName(QStringLiteral("io.github.fenwing.Fenwing"));
    if (session.game()) {
        // One game of the recording, watched in a window of its own.
        fenwing::qt::WatchWindow watch(*session.takeReplay(), *session.game());
        if (!parsed.options->mute) watch.enableSound();
        watch.show();
        watch.start();
        const int status = QApplication::exec();
        return session.end(watch.finish(), status);
    }
    fenwing::qt::WindowHost host(session.seed(), session.takeReplay());
    fenwing::qt::BestStore store;
    fenwing::qt::BestKeeper keeper(store);
    fenwing::qt::BestMenu best(host, store, keeper);
    if (!parsed.options->mute) host.enableSound();
    host.show();
    if (const QString problem = session.start(host, keeper); !problem.isEmpty())
        best.tellProblem(problem);
    return session.end(host, keeper, QApplication::exec());
}
