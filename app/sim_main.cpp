// fenwing-sim: plays the game headless from a script of commands, in virtual time.
#include <iostream>
#include <memory>
#include <string>
#include <string_view>

#include "session/driver.h"
#include "session/quote.h"
#include "session/reader.h"

namespace {

constexpr const char* kUsage = "Usage: fenwing-sim [--check] [--cues] [SCRIPT]\n";

}  // namespace

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    fenwing::ScriptDriver session(std::cout, std::cerr);
    // --check: the game's invariants are checked after every event (exit status 4 when one
    // breaks). --cues: each sound cue is printed as `cue NAME` where it happens.
    for (; argc > 1; --argc, ++argv) {
        const std::string_view option = argv[1];
        if (option == "--check") {
            session.checkInvariants();
        } else if (option == "--cues") {
            session.printCues();
        } else if (option == "--help" || option == "-h") {
            std::cout << kUsage
                      << "Plays Fenwing without a window, in virtual time, from the commands in "
                         "SCRIPT\n(or on standard input), such as a recording made by "
                         "'fenwing --record'.\n\n"
                         "  --check        check the game's invariants after every event\n"
                         "  --cues         print each sound cue as 'cue NAME' where it happens\n"
                         "  -h, --help     print this help and exit\n"
                         "  -v, --version  print the version and exit\n\n"
                         "The commands are described in the manual page, fenwing-sim(6).\n";
            return 0;
        } else if (option == "--version" || option == "-v") {
            std::cout << "fenwing-sim " PROJECT_VERSION "\n";
            return 0;
        } else if (option.size() > 1 && option[0] == '-') {
            std::cerr << "fenwing-sim: unknown option '" << option << "'\n"
                      << kUsage << "Try 'fenwing-sim --help' for more.\n";
            return 2;
        } else {
            break;
        }
    }
    if (argc > 2) {
        std::cerr << "fenwing-sim: unexpected argument '" << argv[2] << "'\n"
                  << kUsage << "Try 'fenwing-sim --help' for more.\n";
        return 2;
    }
    fenwing::ScriptDriver::Status status;
    const std::string file = argc == 2 ? argv[1] : "";
    try {
        using fenwing::script::ScriptFile;
        const auto script =
            argc == 2 ? std::make_unique<ScriptFile>(file) : ScriptFile::standardInput();
        status = session.run(script->stream(), file);
    } catch (const fenwing::script::ReadError& e) {
        std::cout.flush();
        std::cerr << "error: cannot read "
                  << (argc == 2 ? fenwing::escaped(file) : std::string("standard input")) << ": "
                  << e.reason << '\n';
        return 2;
    }
    std::cout.flush();
    return fenwing::ScriptDriver::exitCode(status);
}
