#include "session/reader.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string_view>

#include "session/quote.h"

namespace fenwing::script {

// Reads a file descriptor; a read that fails throws ReadError with the system's reason.
class ScriptFile::Buffer : public std::streambuf {
  public:
    Buffer(int fd, bool owned) : fd_(fd), owned_(owned) {}
    ~Buffer() override {
        if (owned_) ::close(fd_);
    }

  protected:
    int_type underflow() override {
        if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
        ssize_t n;
        while ((n = ::read(fd_, data_, sizeof data_)) < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK) {  // standard input that does not block
                pollfd ready{fd_, POLLIN, 0};
                ::poll(&ready, 1, -1);
            } else if (errno != EINTR) {
                throw ReadError{std::strerror(errno)};
            }
        }
        setg(data_, data_, data_ + n);
        return n == 0 ? traits_type::eof() : traits_type::to_int_type(*gptr());
    }

  private:
    int fd_;
    bool owned_;
    char data_[65536];
};

namespace {

// Why a file of this kind is not a script, or nothing for a regular file.
const char* notAScript(mode_t mode) {
    if (S_ISREG(mode)) return nullptr;
    if (S_ISDIR(mode)) return "it is a directory";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "it is a device, not a file";
    if (S_ISFIFO(mode)) return "it is a pipe, not a file";
    if (S_ISSOCK(mode)) return "it is a socket, not a file";
    return "it is not a regular file";
}

int openScript(const std::string& path) {
    // Without blocking: a pipe with no writer would wait for one before it could be refused.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) throw ReadError{std::strerror(errno)};
    struct stat status {};
    const char* refused =
        ::fstat(fd, &status) != 0 ? std::strerror(errno) : notAScript(status.st_mode);
    if (refused) {
        const std::string reason = refused;
        ::close(fd);
        throw ReadError{reason};
    }
    return fd;
}

}  // namespace

ScriptFile::ScriptFile(const std::string& path)
    : buffer_(std::make_unique<Buffer>(openScript(path), true)), stream_(buffer_.get()) {}

ScriptFile::ScriptFile(int fd)
    : buffer_(std::make_unique<Buffer>(fd, false)), stream_(buffer_.get()) {}

std::unique_ptr<ScriptFile> ScriptFile::standardInput() {
    return std::unique_ptr<ScriptFile>(new ScriptFile(STDIN_FILENO));
}

ScriptFile::~ScriptFile() = default;

bool LineReader::next(std::string& line, bool& complete) {
    using traits = std::char_traits<char>;
    line.clear();
    if (ended_) return false;  // a terminal would be read again, and wait
    int c = in_.sbumpc();
    if (traits::eq_int_type(c, traits::eof())) {
        ended_ = true;
        return false;
    }
    ++number_;
    for (; !traits::eq_int_type(c, traits::eof()) && c != '\n'; c = in_.sbumpc()) {
        if (line.size() == kMaxLineBytes) {
            throw std::invalid_argument("the line is longer than " + std::to_string(kMaxLineBytes) +
                                        " bytes: " + quote(line));
        }
        line.push_back(traits::to_char_type(c));
        if (number_ == 1 && line.size() == 3 && !markChecked_) {
            markChecked_ = true;
            if (line == "\xEF\xBB\xBF") line.clear();
        }
    }
    complete = c == '\n';
    ended_ = !complete;
    return true;
}

}  // namespace fenwing::script
