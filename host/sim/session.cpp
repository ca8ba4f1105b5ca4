#include "host/sim/session.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <istream>
#include <ostream>
#include <stdexcept>
#include <vector>

#include "host/properties.h"
#include "playfield/layout.h"

namespace fenwing {

namespace {

[[noreturn]] void fail(const std::string& reason) { throw std::invalid_argument(reason); }

// An event broke an invariant.
struct CheckFailure {
    std::string message;
};

std::vector<std::string_view> words(std::string_view line) {
    std::vector<std::string_view> out;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        const std::size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
        if (i > start) out.push_back(line.substr(start, i - start));
    }
    return out;
}

void expectArgs(const std::vector<std::string_view>& w, std::size_t n, const char* usage) {
    if (w.size() != n + 1) fail(std::string("usage: ") + usage);
}

bool isKey(std::string_view key) {
    if (key == "Del" || key == "Enter") return true;
    if (key.size() == 1) return std::isalpha(static_cast<unsigned char>(key[0])) != 0;
    if (key.size() < 2 || key[0] != 'F') return false;
    const std::string_view n = key.substr(1);
    return n == "1" || n == "2" || n == "3" || n == "4" || n == "5" || n == "6" || n == "7" ||
           n == "8" || n == "9" || n == "10" || n == "11" || n == "12";
}

// "NAME.PROP" split at the dot, or the whole text as a field name.
std::pair<std::string_view, std::string_view> target(std::string_view text) {
    const auto dot = text.find('.');
    if (dot == std::string_view::npos) return {text, {}};
    return {text.substr(0, dot), text.substr(dot + 1)};
}

}  // namespace

SimSession::SimSession(std::ostream& out, std::ostream& err)
    : out_(out),
      err_(err),
      form_(buildForm1()),
      game_(std::make_unique<Form1>(*form_, *this, random_)) {
    form_->deliver([this] { game_->Form_Load(); });
}

SimSession::~SimSession() = default;

int SimSession::exitCode(Status s) {
    switch (s) {
        case Status::Running:
        case Status::Ended:
            return 0;
        case Status::BadCommand:
            return 2;
        case Status::RuntimeError:
            return 3;
        case Status::CheckFailed:
            return 4;
    }
    return 3;
}

void SimSession::MsgBox(const std::string& prompt, int, const std::string& title) {
    out_ << "msgbox " << title << " | " << prompt << '\n';
}

void SimSession::cue(Cue cue) {
    if (printCues_) out_ << "cue " << cueName(cue) << '\n';
}

void SimSession::checkInvariants() {
    checker_ = std::make_unique<InvariantChecker>(*game_);
    form_->afterEvent = [this] {
        if (std::string broken = checker_->afterEvent(); !broken.empty())
            throw CheckFailure{std::move(broken)};
    };
}

double SimSession::clockReading() { return static_cast<double>(form_->scheduler().now()) / 1e6; }

SimSession::Status SimSession::execute(std::string_view line, int lineNumber) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    try {
        command(line);
        return Status::Running;
    } catch (const EndProgram&) {
        out_ << "end\n";
        return Status::Ended;
    } catch (const RuntimeError& e) {
        out_.flush();
        err_ << "runtime error " << e.number() << ": " << e.what() << " (line " << lineNumber
             << ")\n";
        return Status::RuntimeError;
    } catch (const std::invalid_argument& e) {
        out_.flush();
        err_ << "error: " << lineNumber << ": " << e.what() << '\n';
        return Status::BadCommand;
    } catch (const CheckFailure& e) {
        return checkFailed(e.message, lineNumber);
    } catch (const std::logic_error& e) {
        // Such as an event that arrived while a handler was running: with checks on, a failed
        // check like any other; without, it ends the program as before.
        if (!checker_) throw;
        return checkFailed(e.what(), lineNumber);
    }
}

SimSession::Status SimSession::checkFailed(const std::string& message, int lineNumber) {
    out_.flush();
    err_ << "check failed: " << lineNumber << ": " << message << '\n';
    return Status::CheckFailed;
}

SimSession::Status SimSession::run(std::istream& script) {
    std::string line;
    int number = 0;
    while (std::getline(script, line)) {
        const Status s = execute(line, ++number);
        if (s != Status::Running) return s;
    }
    return Status::Running;
}

void SimSession::command(std::string_view line) {
    const auto w = words(line);
    if (w.empty() || w[0].front() == '#') return;
    const std::string_view verb = w[0];
    Form& form = *form_;

    if (verb == "menu") {
        expectArgs(w, 1, "menu ITEM");
        MenuItem* item = form.findMenuItem(w[1]);
        if (!item) fail("no menu item named '" + std::string(w[1]) + "'");
        form.choose(*item);
    } else if (verb == "key") {
        expectArgs(w, 1, "key KEY");
        if (!isKey(w[1]))
            fail("unknown key '" + std::string(w[1]) + "' (F1 to F12, Del, Enter or a letter)");
        form.pressKey(w[1]);
    } else if (verb == "click") {
        expectArgs(w, 1, "click NAME");
        auto* c = dynamic_cast<VisualControl*>(form.find(w[1]));
        if (!c) fail("no image or label named '" + std::string(w[1]) + "'");
        form.click(*c);
    } else if (verb == "click_at") {
        expectArgs(w, 2, "click_at X Y");
        const double x = parseNumber(w[1], "X"), y = parseNumber(w[2], "Y");
        form.clickAt(static_cast<float>(x), static_cast<float>(y));
    } else if (verb == "fire") {
        expectArgs(w, 1, "fire TIMER");
        Timer* t = form.findTimer(w[1]);
        if (!t) fail("no timer named '" + std::string(w[1]) + "'");
        form.fire(*t);
    } else if (verb == "advance") {
        expectArgs(w, 1, "advance MS");
        const double ms = parseNumber(w[1], "MS");
        if (ms < 0 || ms > kMaxAdvanceMs) fail("MS must lie from 0 to 3600000");
        form.advanceTo(form.scheduler().now() + std::llround(ms * 1000));
    } else if (verb == "stall") {
        expectArgs(w, 1, "stall MS");
        const double ms = parseNumber(w[1], "MS");
        if (ms < 0 || ms > kMaxAdvanceMs) fail("MS must lie from 0 to 3600000");
        form.catchUpTo(form.scheduler().now() + std::llround(ms * 1000));
    } else if (verb == "get") {
        expectArgs(w, 1, "get NAME.PROP or get FIELD");
        auto [name, prop] = target(w[1]);
        out_ << (prop.empty() && Form1::isField(name) ? game_->getField(name)
                                                      : getProperty(form, name, prop))
             << '\n';
    } else if (verb == "set") {
        if (w.size() < 3) fail("usage: set NAME.PROP VALUE or set FIELD VALUE");
        auto [name, prop] = target(w[1]);
        // A caption is the rest of the line, blanks and all; any other value is one word.
        if (prop != "Caption" && w.size() != 3)
            fail("usage: set NAME.PROP VALUE or set FIELD VALUE");
        const std::string_view value =
            prop == "Caption" ? line.substr(static_cast<std::size_t>(w[2].data() - line.data()))
                              : w[2];
        if (prop.empty() && Form1::isField(name)) {
            game_->setField(name, value);
        } else {
            setProperty(form, name, prop, value);
        }
        if (checker_) checker_->rebaseline();
    } else if (verb == "seed") {
        expectArgs(w, 1, "seed N");
        std::uint64_t n = 0;
        auto [end, ec] = std::from_chars(w[1].data(), w[1].data() + w[1].size(), n);
        if (ec != std::errc() || end != w[1].data() + w[1].size())
            fail("seed takes a whole number from 0 to 18446744073709551615");
        random_.seed(n);
    } else {
        fail("unknown command '" + std::string(verb) + "'");
    }
}

}  // namespace fenwing
