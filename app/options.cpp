#include "app/options.h"

#include <QtCore/QCommandLineParser>
#include <QtCore/QCoreApplication>
#include <cstdio>

namespace fenwing::app {

namespace {

// Qt's own options, which QApplication takes from the command line after this parser has read
// it: accepted here, and left out of the help.
void acceptQtOptions(QCommandLineParser& parser) {
    for (const char* name : {"platform", "platformpluginpath", "platformtheme", "plugin",
                             "qwindowgeometry", "qwindowicon", "qwindowtitle", "display",
                             "geometry", "style", "stylesheet", "session", "title"}) {
        QCommandLineOption option(QString::fromLatin1(name), QString(), QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    for (const char* name : {"reverse", "widgetcount", "nograb", "dograb", "sync"}) {
        QCommandLineOption option(QString::fromLatin1(name));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
}

void print(std::FILE* to, const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), to);
    std::fflush(to);
}

}  // namespace

Parsed parseCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Fenwing: shoot the flying ducks before the time or the shots run out."));
    // Qt's options are written with one dash (-platform xcb), and so may these be.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption mute(QStringLiteral("mute"), QStringLiteral("Play without sound."));
    const QCommandLineOption record(
        QStringLiteral("record"),
        QStringLiteral("Record the session, as it is played, to <file>: a script that "
                       "fenwing-sim reproduces and --replay plays again."),
        QStringLiteral("file"));
    const QCommandLineOption replay(
        QStringLiteral("replay"),
        QStringLiteral("Play the recorded session <file> in the window, in real time; the "
                       "player's own clicks and keys are ignored until it ends."),
        QStringLiteral("file"));
    const QCommandLineOption state(
        QStringLiteral("state"),
        QStringLiteral("At exit, write the message boxes shown and the game's final state to "
                       "<file>, as fenwing-sim prints them."),
        QStringLiteral("file"));
    parser.addOptions({mute, record, replay, state});
    acceptQtOptions(parser);

    Parsed out;
    // Qt names the program only once an application object exists: not yet.
    const auto helpText = [&] {
        return parser.helpText().replace(QStringLiteral("<executable_name>"),
                                         QStringLiteral("fenwing"));
    };
    const auto usage = [&] {
        return helpText().section(QLatin1Char('\n'), 0, 0) + QLatin1Char('\n');
    };
    if (!parser.parse(arguments)) {
        print(stderr, QStringLiteral("fenwing: %1\n").arg(parser.errorText()) + usage() +
                          QStringLiteral("Try 'fenwing --help' for more.\n"));
        out.status = 2;
        return out;
    }
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) {
        print(stdout, helpText());
        return out;
    }
    if (parser.isSet(version)) {
        print(stdout, QStringLiteral("%1 %2\n").arg(QCoreApplication::applicationName(),
                                                    QCoreApplication::applicationVersion()));
        return out;
    }
    if (!parser.positionalArguments().isEmpty()) {
        print(stderr, QStringLiteral("fenwing: unexpected argument '%1'\n")
                              .arg(parser.positionalArguments().first()) +
                          usage() + QStringLiteral("Try 'fenwing --help' for more.\n"));
        out.status = 2;
        return out;
    }
    if (parser.isSet(record) && parser.isSet(replay)) {
        print(stderr,
              QStringLiteral("fenwing: --record and --replay cannot go together\n") + usage());
        out.status = 2;
        return out;
    }
    Options o;
    o.mute = parser.isSet(mute);
    o.record = parser.value(record);
    o.replay = parser.value(replay);
    o.state = parser.value(state);
    o.platformGiven = parser.isSet(QStringLiteral("platform"));
    out.options = o;
    return out;
}

}  // namespace fenwing::app
