#include "board/command.h"

#include <signal.h>

#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <thread>

#include "board/client.h"
#include "board/store.h"
#include "session/quote.h"

namespace fenwing::board {

namespace {

constexpr const char* kUsage =
    "Usage: fenwing-board [serve] [--data DIR | --postgres CONNINFO] [--listen ADDRESS]\n"
    "                     [--port PORT] [--page DIR | --page-url URL] [--public-url URL]\n"
    "                     [--posts-per-minute N] [--max-bytes N] [--max-lines N]\n"
    "                     [--max-minutes N] [--replays N] [--threads N]\n"
    "       fenwing-board post URL FILE [--name NAME]\n"
    "       fenwing-board --help | --version\n";

constexpr const char* kHelp =
    "Serves Fenwing's shared board of best games, each one the board's own replay of its\n"
    "recording; or posts a recording to a board.\n"
    "\n"
    "serve (the default):\n"
    "  --data DIR             keep the board in SQLite in DIR (default: $STATE_DIRECTORY, or\n"
    "                         $XDG_DATA_HOME/fenwing-board, or ~/.local/share/fenwing-board)\n"
    "  --postgres CONNINFO    keep it in PostgreSQL instead (also $FENWING_BOARD_POSTGRES)\n"
    "  --listen ADDRESS       the address to listen on (default 127.0.0.1)\n"
    "  --port PORT            the port (default 8080; 0 finds a free one)\n"
    "  --page DIR             also serve the page's built folder at /, so that Watch plays a\n"
    "                         game in it\n"
    "  --page-url URL         or the page's address elsewhere, for the Watch links\n"
    "  --public-url URL       the board's own address as others reach it (for --page-url)\n"
    "  --posts-per-minute N   posts taken from one address a minute (default 10; 0: no limit)\n"
    "  --max-bytes N          the largest recording taken (default 1048576)\n"
    "  --max-lines N          its most lines (default 50000)\n"
    "  --max-minutes N        its most game time, advances and stalls (default 120)\n"
    "  --replays N            recordings replayed at once (default: one a core)\n"
    "  --threads N            connections served at once (default 64)\n"
    "\n"
    "post URL FILE [--name NAME]\n"
    "  sends the recording FILE to the board at URL as NAME's (default: the player the\n"
    "  recording names), and prints the games the board found in it.\n";

std::optional<long long> number(const std::string& text, long long low, long long high) {
    long long n = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), n);
    if (error != std::errc() || end != text.data() + text.size() || n < low || n > high)
        return std::nullopt;
    return n;
}

std::string fromEnvironment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

int usage(std::ostream& err, const std::string& problem) {
    err << "fenwing-board: " << problem << '\n'
        << kUsage << "Try 'fenwing-board --help' for more.\n";
    return 2;
}

int post(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::vector<std::string> positional;
    std::string name;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--name") {
            if (i + 1 == args.size()) return usage(err, "--name needs a value");
            name = args[++i];
            if (name.empty()) return usage(err, "--name needs a value");
        } else if (args[i].rfind("--", 0) == 0) {
            return usage(err, "post: unknown option " + quote(args[i]));
        } else {
            positional.push_back(args[i]);
        }
    }
    if (positional.size() != 2) return usage(err, "post takes a board's address and a file");
    return postRecording(positional[0], positional[1], name, out, err);
}

int serve(const ServeCommand& command, std::ostream& out, std::ostream& err) {
    // The signals that end the board are taken by this thread alone, with sigwait.
    sigset_t ending;
    sigemptyset(&ending);
    sigaddset(&ending, SIGINT);
    sigaddset(&ending, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &ending, nullptr);
    signal(SIGPIPE, SIG_IGN);

    if (const std::string& page = command.options.page;
        !page.empty() &&
        !std::filesystem::is_regular_file(std::filesystem::path(page) / "index.html")) {
        err << "fenwing-board: " << quote(page)
            << " is not the page's built folder (web/build.sh makes one): it has no index.html\n";
        return 1;
    }
    std::unique_ptr<Store> store;
    try {
        store =
            command.postgres.empty() ? openSqlite(command.data) : openPostgres(command.postgres);
    } catch (const std::exception& e) {
        err << "fenwing-board: cannot open the board's store: " << e.what() << '\n';
        return 1;
    }
    Service service(*store, command.options);
    const int port = service.bind();
    if (port < 0) {
        err << "fenwing-board: cannot listen on " << command.options.listen << " port "
            << command.options.port << '\n';
        return 1;
    }
    const std::string host = command.options.listen.find(':') == std::string::npos
                                 ? command.options.listen
                                 : "[" + command.options.listen + "]";
    out << "fenwing-board: the board is at http://" << host << ':' << port << "/board ("
        << store->describe() << ")" << std::endl;
    bool served = true;
    std::thread server([&] {
        served = service.run();
        kill(getpid(), SIGTERM);  // whatever ended it ends the program
    });
    int got = 0;
    sigwait(&ending, &got);
    service.stop();
    server.join();
    out << "fenwing-board: stopped" << std::endl;
    return served ? 0 : 1;
}

}  // namespace

std::optional<ServeCommand> serveOptions(const std::vector<std::string>& args,
                                         std::string (*environment)(const char*),
                                         std::ostream& err) {
    ServeCommand c;
    Options& o = c.options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (i == 0 && a == "serve") continue;
        const bool valued = a.rfind("--", 0) == 0 && a != "--help" && a != "--version";
        if (!valued) {
            usage(err, "unknown argument " + quote(a));
            return std::nullopt;
        }
        if (i + 1 == args.size()) {
            usage(err, a + " needs a value");
            return std::nullopt;
        }
        const std::string& v = args[++i];
        const auto whole = [&](long long low, long long high) {
            const auto n = number(v, low, high);
            if (!n)
                usage(err, a + " takes a whole number from " + std::to_string(low) + " to " +
                               std::to_string(high) + ", not " + quote(v));
            return n;
        };
        std::optional<long long> n;
        if (a == "--data") {
            c.data = v;
        } else if (a == "--postgres") {
            c.postgres = v;
        } else if (a == "--listen") {
            o.listen = v;
        } else if (a == "--page") {
            o.page = v;
        } else if (a == "--page-url") {
            o.pageUrl = v;
        } else if (a == "--public-url") {
            o.publicUrl = v;
            while (!o.publicUrl.empty() && o.publicUrl.back() == '/') o.publicUrl.pop_back();
        } else if (a == "--port") {
            if (!(n = whole(0, 65535))) return std::nullopt;
            o.port = static_cast<int>(*n);
        } else if (a == "--posts-per-minute") {
            if (!(n = whole(0, 1'000'000'000))) return std::nullopt;
            o.postsPerMinute = static_cast<int>(*n);
        } else if (a == "--max-bytes") {
            if (!(n = whole(1, 64 << 20))) return std::nullopt;
            o.limits.bytes = static_cast<std::size_t>(*n);
        } else if (a == "--max-lines") {
            if (!(n = whole(1, 10'000'000))) return std::nullopt;
            o.limits.lines = static_cast<std::size_t>(*n);
        } else if (a == "--max-minutes") {
            if (!(n = whole(1, 24 * 60))) return std::nullopt;
            o.limits.gameTime = Micros{*n} * 60'000'000;
        } else if (a == "--replays") {
            if (!(n = whole(1, 1024))) return std::nullopt;
            o.replays = static_cast<int>(*n);
        } else if (a == "--threads") {
            if (!(n = whole(2, 1024))) return std::nullopt;
            o.threads = static_cast<int>(*n);
        } else {
            usage(err, "unknown option " + quote(a));
            return std::nullopt;
        }
    }
    if (!o.page.empty() && !o.pageUrl.empty()) {
        usage(err, "--page and --page-url name the page twice: give one");
        return std::nullopt;
    }
    if (!c.data.empty() && !c.postgres.empty()) {
        usage(err, "--data and --postgres name two stores: give one");
        return std::nullopt;
    }
    if (c.postgres.empty() && c.data.empty()) c.postgres = environment("FENWING_BOARD_POSTGRES");
    if (c.postgres.empty() && c.data.empty()) {
        if (std::string state = environment("STATE_DIRECTORY"); !state.empty())
            c.data = state.substr(0, state.find(':'));  // systemd's, the first if several
        else if (std::string xdg = environment("XDG_DATA_HOME"); !xdg.empty())
            c.data = xdg + "/fenwing-board";
        else if (std::string home = environment("HOME"); !home.empty())
            c.data = home + "/.local/share/fenwing-board";
        else {
            usage(err, "no folder for the board: give --data DIR");
            return std::nullopt;
        }
    }
    return c;
}

int boardCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                 const std::string& version) {
    if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
        out << kUsage << '\n' << kHelp;
        return 0;
    }
    if (!args.empty() && (args[0] == "--version" || args[0] == "-v")) {
        out << "fenwing-board " << version << '\n';
        return 0;
    }
    if (!args.empty() && args[0] == "post") return post(args, out, err);
    const auto command = serveOptions(args, fromEnvironment, err);
    if (!command) return 2;
    return serve(*command, out, err);
}

}  // namespace fenwing::board
