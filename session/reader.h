// Reading a script: its file, refused at once unless it is one that can be read to an end, and
// its lines, each refused at once when it is longer than any script's.
#pragma once

#include <cstddef>
#include <istream>
#include <memory>
#include <string>

namespace fenwing::script {

// A script that cannot be read, and why: "No such file or directory", "it is a directory".
struct ReadError {
    std::string reason;
};

// A script's bytes, from a file or from standard input. A read that fails throws ReadError out
// of the reading of stream()'s characters.
class ScriptFile {
  public:
    // Opens `path`, which must be a regular file: a directory, a device or a pipe is refused
    // with ReadError before anything is read, rather than taken for an empty script or read for
    // ever. (fenwing-sim reads a pipe on its standard input.)
    explicit ScriptFile(const std::string& path);
    // Standard input, whatever it is; not closed.
    static std::unique_ptr<ScriptFile> standardInput();
    ~ScriptFile();
    ScriptFile(const ScriptFile&) = delete;
    ScriptFile& operator=(const ScriptFile&) = delete;

    std::istream& stream() { return stream_; }

  private:
    class Buffer;
    explicit ScriptFile(int fd);

    std::unique_ptr<Buffer> buffer_;
    std::istream stream_;
};

// The lines of a script, one at a time.
class LineReader {
  public:
    // No script has a longer line: recordings' lines are under a hundred bytes. A longer one is
    // refused as soon as its byte past this has been read, without reading the rest of it.
    static constexpr std::size_t kMaxLineBytes = 4096;

    explicit LineReader(std::istream& in) : in_(*in.rdbuf()) {}

    // The next line, without its line break, into `line`, or false at the end of the script.
    // `complete`: whether a line break ended it. A UTF-8 byte-order mark that begins the script
    // is left out. A line longer than kMaxLineBytes throws std::invalid_argument with the
    // reason; number() is then its number.
    bool next(std::string& line, bool& complete);
    // The number of the line last read, counted from 1.
    int number() const { return number_; }

  private:
    std::streambuf& in_;
    int number_ = 0;
    bool markChecked_ = false;  // whether the script's first three bytes were looked at
    bool ended_ = false;        // the end of the script has been read
};

}  // namespace fenwing::script
