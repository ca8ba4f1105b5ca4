// Posting a recording to a board from the command line: only when the player asks, to the
// address the player gives.
#pragma once

#include <iosfwd>
#include <string>

namespace fenwing::board {

// POSTs the recording in `file` as `name`'s to the board at `url` ("http://host:port", with a
// path if the board lives under one). Prints the board's answer: what it kept on `out` and
// returns 0, or why it refused on `err` and returns 1.
int postRecording(const std::string& url, const std::string& file, const std::string& name,
                  std::ostream& out, std::ostream& err);

}  // namespace fenwing::board
