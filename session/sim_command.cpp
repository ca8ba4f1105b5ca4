#include "session/sim_command.h"

#include <algorithm>
#include <memory>
#include <sstream>

#include "session/driver.h"
#include "session/quote.h"
#include "session/reader.h"

namespace fenwing::script {

namespace {
constexpr const char* kUsage = "Usage: fenwing-sim [--check] [--cues] [--games] [SCRIPT]\n";
}  // namespace

int simCommand(const std::vector<std::string>& args, std::istream& input, std::ostream& out,
               std::ostream& err, std::string_view version) {
    // --games: what the script prints gives way to a line for each finished game.
    std::ostringstream unseen;
    const bool games = std::find(args.begin(), args.end(), "--games") != args.end();
    ScriptDriver session(games ? unseen : out, err);
    // --check: the game's invariants are checked after every event (exit status 4 when one
    // breaks). --cues: each sound cue is printed as `cue NAME` where it happens.
    std::size_t i = 0;
    for (; i < args.size(); ++i) {
        const std::string_view option = args[i];
        if (option == "--check") {
            session.checkInvariants();
        } else if (option == "--cues") {
            session.printCues();
        } else if (option == "--games") {
            continue;
        } else if (option == "--help" || option == "-h") {
            out << kUsage
                << "Plays Fenwing without a window, in virtual time, from the commands in "
                   "SCRIPT\n(or on standard input), such as a recording made by "
                   "'fenwing --record'.\n\n"
                   "  --check        check the game's invariants after every event\n"
                   "  --cues         print each sound cue as 'cue NAME' where it happens\n"
                   "  --games        print only a line for each game finished, with its result\n"
                   "  -h, --help     print this help and exit\n"
                   "  -v, --version  print the version and exit\n\n"
                   "The commands are described in the manual page, fenwing-sim(6).\n";
            return 0;
        } else if (option == "--version" || option == "-v") {
            out << "fenwing-sim " << version << "\n";
            return 0;
        } else if (option.size() > 1 && option[0] == '-') {
            err << "fenwing-sim: unknown option '" << option << "'\n"
                << kUsage << "Try 'fenwing-sim --help' for more.\n";
            return 2;
        } else {
            break;
        }
    }
    if (args.size() - i > 1) {
        err << "fenwing-sim: unexpected argument '" << args[i + 1] << "'\n"
            << kUsage << "Try 'fenwing-sim --help' for more.\n";
        return 2;
    }
    const bool named = i < args.size();
    const std::string file = named ? args[i] : "";
    ScriptDriver::Status status;
    try {
        std::unique_ptr<ScriptFile> script;
        if (named) script = std::make_unique<ScriptFile>(file);
        status = session.run(named ? script->stream() : input, file);
    } catch (const ReadError& e) {
        out.flush();
        err << "error: cannot read " << (named ? escaped(file) : std::string("standard input"))
            << ": " << e.reason << '\n';
        return 2;
    }
    if (games)
        for (const GameResult& game : session.session().games().finished())
            out << describe(game) << '\n';
    out.flush();
    return ScriptDriver::exitCode(status);
}

}  // namespace fenwing::script
