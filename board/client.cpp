#include "board/client.h"

#include <httplib.h>

#include <iterator>
#include <ostream>

#include "best/best_games.h"
#include "board/pages.h"
#include "session/quote.h"
#include "session/reader.h"

namespace fenwing::board {

namespace {

// No board takes a recording this big; a bigger file is not sent at all.
constexpr std::size_t kLargestFile = 64 << 20;

}  // namespace

int postRecording(const std::string& url, const std::string& file, const std::string& given,
                  std::ostream& out, std::ostream& err) {
    const std::size_t scheme = url.find("://");
    const std::string kind = scheme == std::string::npos ? "" : url.substr(0, scheme);
    if (kind != "http" && kind != "https") {
        err << "fenwing-board: " << quote(url)
            << " is not a board's address: it begins with http:// or https://\n";
        return 2;
    }
    const std::size_t slash = url.find('/', scheme + 3);
    const std::string origin = url.substr(0, slash);
    std::string path = slash == std::string::npos ? "" : url.substr(slash);
    while (!path.empty() && path.back() == '/') path.pop_back();
    if (origin.size() == scheme + 3) {
        err << "fenwing-board: " << quote(url) << " names no host\n";
        return 2;
    }

    std::string text;
    try {
        script::ScriptFile script(file);
        std::istreambuf_iterator<char> from(script.stream()), to;
        for (; from != to && text.size() <= kLargestFile; ++from) text += *from;
    } catch (const script::ReadError& e) {
        err << "fenwing-board: cannot read " << escaped(file) << ": " << e.reason << '\n';
        return 2;
    }
    if (text.size() > kLargestFile) {
        err << "fenwing-board: " << escaped(file) << " is too big to be a recording\n";
        return 2;
    }
    // The name the player gives, or else the one the recording names.
    const std::string name = !given.empty() ? given : best::readInfo(text).player;
    if (name.empty()) {
        err << "fenwing-board: the recording names no player: give --name NAME\n";
        return 2;
    }
    if (const std::string problem = best::nameProblem(name); !problem.empty()) {
        err << "fenwing-board: " << problem << '\n';
        return 2;
    }

    httplib::Client client(origin);
    if (!client.is_valid()) {
        err << "fenwing-board: cannot reach " << quote(origin) << '\n';
        return 1;
    }
    client.set_connection_timeout(10, 0);
    client.set_read_timeout(120, 0);
    client.set_write_timeout(60, 0);
    const httplib::Headers headers{{"Accept", "text/plain"}};
    const auto res = client.Post(path + "/api/recordings?name=" + urlEncoded(name), headers, text,
                                 "text/plain; charset=utf-8");
    if (!res) {
        err << "fenwing-board: no answer from " << quote(origin) << ": "
            << httplib::to_string(res.error()) << '\n';
        return 1;
    }
    if (res->status == 200 || res->status == 201) {
        out << res->body;
        return 0;
    }
    err << "fenwing-board: the board did not take it (HTTP " << res->status << "): " << res->body;
    if (!res->body.empty() && res->body.back() != '\n') err << '\n';
    return 1;
}

}  // namespace fenwing::board
