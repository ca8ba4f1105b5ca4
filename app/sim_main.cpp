// fenwing-sim: plays the game headless from a script of commands, in virtual time.
#include <fstream>
#include <iostream>
#include <string_view>

#include "session/driver.h"

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
        } else {
            break;
        }
    }
    if (argc > 2) {
        std::cerr << "usage: fenwing-sim [--check] [--cues] [SCRIPT]  (reads standard input "
                     "without SCRIPT)\n";
        return 2;
    }
    fenwing::ScriptDriver::Status status;
    if (argc == 2) {
        std::ifstream script(argv[1]);
        if (!script) {
            std::cerr << "error: cannot open " << argv[1] << '\n';
            return 2;
        }
        status = session.run(script);
    } else {
        status = session.run(std::cin);
    }
    std::cout.flush();
    return fenwing::ScriptDriver::exitCode(status);
}
