#include "app/options.h"

#include <QtCore/QCommandLineParser>
#include <QtCore/QCoreApplication>
#include <cstdio>

namespace fenwing::app {

namespace {

// Qt's own options, which QApplication takes from the command line after this parser has read
// it: accepted here, and shown only by --help-all.
struct QtOption {
    const char* name;
    const char* value;  // none for a switch
    const char* description;
};
constexpr QtOption kQtOptions[] = {
    {"platform", "name", "Qt's platform plugin: xcb, wayland, offscreen..."},
    {"platformpluginpath", "path", "Where to look for platform plugins."},
    {"platformtheme", "name", "Qt's platform theme."},
    {"plugin", "name", "Loads an input plugin."},
    {"display", "name", "The X display to open the window on."},
    {"qwindowgeometry", "geometry", "Where the window opens, such as +100+50."},
    {"geometry", "geometry", "The same as -qwindowgeometry."},
    {"qwindowicon", "file", "The window's icon."},
    {"qwindowtitle", "title", "The window's title."},
    {"title", "title", "The same as -qwindowtitle."},
    {"style", "name", "The widget style, such as Fusion."},
    {"stylesheet", "file", "A Qt style sheet for the widgets."},
    {"session", "id", "The desktop session to restore."},
    {"reverse", nullptr, "Lays the window out from right to left."},
    {"widgetcount", nullptr, "At exit, prints how many widgets were left."},
    {"nograb", nullptr, "Never grabs the mouse or the keyboard."},
    {"dograb", nullptr, "Grabs them even under a debugger."},
    {"sync", nullptr, "Talks to the X server synchronously."},
};

void acceptQtOptions(QCommandLineParser& parser, bool show) {
    for (const QtOption& o : kQtOptions) {
        QCommandLineOption option(QString::fromLatin1(o.name), QString::fromLatin1(o.description),
                                  o.value ? QString::fromLatin1(o.value) : QString());
        if (!show) option.setFlags(QCommandLineOption::HiddenFromHelp);
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
    const QCommandLineOption game(
        QStringLiteral("game"),
        QStringLiteral("With --replay: watch only the finished game <n> of the recording (as "
                       "fenwing-sim --games numbers them), the part before it at once, then the "
                       "game in real time, up to the moment it ended."),
        QStringLiteral("n"));
    parser.addOptions({mute, record, replay, state, game});
    acceptQtOptions(parser, false);

    Parsed out;
    // Qt names the program only once an application object exists: not yet.
    const auto helpText = [&] {
        return parser.helpText().replace(QStringLiteral("<executable_name>"),
                                         QStringLiteral("fenwing"));
    };
    // A command line it cannot run with: one line, the usage, and where to read more.
    const auto refuse = [&](const QString& why) {
        print(stderr, QStringLiteral("fenwing: %1\n").arg(why) +
                          helpText().section(QLatin1Char('\n'), 0, 0) +
                          QStringLiteral("\nTry 'fenwing --help' for more.\n"));
        out.status = 2;
        return out;
    };
    if (!parser.parse(arguments)) return refuse(parser.errorText());
    if (parser.isSet(QStringLiteral("help-all"))) {
        QCommandLineParser qt;
        acceptQtOptions(qt, true);
        print(stdout, helpText() +
                          QStringLiteral("\nQt's options, which it takes as every Qt "
                                         "program does:\n") +
                          qt.helpText().section(QStringLiteral("Options:\n"), 1));
        return out;
    }
    if (parser.isSet(help)) {
        print(stdout, helpText());
        return out;
    }
    if (parser.isSet(version)) {
        print(stdout, QStringLiteral("%1 %2\n").arg(QCoreApplication::applicationName(),
                                                    QCoreApplication::applicationVersion()));
        return out;
    }
    if (!parser.positionalArguments().isEmpty())
        return refuse(
            QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().first()));
    for (const QCommandLineOption& file : {record, replay, state})
        if (parser.isSet(file) && parser.value(file).isEmpty())
            return refuse(QStringLiteral("--%1 needs a file name").arg(file.names()[0]));
    if (parser.isSet(record) && parser.isSet(replay))
        return refuse(QStringLiteral("--record and --replay cannot go together"));
    int number = 0;
    if (parser.isSet(game)) {
        bool whole = false;
        number = parser.value(game).toInt(&whole);
        if (!whole || number < 1 || parser.value(game).trimmed() != parser.value(game))
            return refuse(QStringLiteral("--game needs a game's number, 1 or more, not '%1'")
                              .arg(parser.value(game)));
        if (!parser.isSet(replay)) return refuse(QStringLiteral("--game goes with --replay"));
    }
    Options o;
    o.mute = parser.isSet(mute);
    o.record = parser.value(record);
    o.replay = parser.value(replay);
    o.state = parser.value(state);
    o.game = number;
    o.platformGiven = parser.isSet(QStringLiteral("platform"));
    out.options = o;
    return out;
}

}  // namespace fenwing::app
