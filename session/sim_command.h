// fenwing-sim's command line: its options, its script (a file, or the input it is given) and its
// exit status. The program runs it on its standard streams; the page runs the same for a script
// it is handed as text.
#pragma once

#include <istream>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace fenwing::script {

// Runs fenwing-sim with `args` (the arguments after the program's name): the script is the file
// named there, otherwise `input`. Output goes to `out`, errors to `err`; returns the exit status.
// `version` is what --version prints after the program's name.
int simCommand(const std::vector<std::string>& args, std::istream& input, std::ostream& out,
               std::ostream& err, std::string_view version);

}  // namespace fenwing::script
