// fenwing-sim: plays the game headless from a script of commands, in virtual time.
#include <iostream>
#include <string>
#include <vector>

#include "session/reader.h"
#include "session/sim_command.h"

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    const std::vector<std::string> args(argv + 1, argv + argc);
    const auto input = fenwing::script::ScriptFile::standardInput();
    return fenwing::script::simCommand(args, input->stream(), std::cout, std::cerr,
                                       PROJECT_VERSION);
}
