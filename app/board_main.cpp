// fenwing-board: the shared board of best games, each one proven by replaying its recording;
// or a recording posted to such a board.
#include <iostream>
#include <string>
#include <vector>

#include "board/command.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    return fenwing::board::boardCommand(args, std::cout, std::cerr, PROJECT_VERSION);
}
