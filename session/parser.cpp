#include "session/parser.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <ostream>
#include <stdexcept>

#include "game/form1.h"
#include "playfield/layout.h"
#include "session/properties.h"
#include "session/quote.h"
#include "session/reader.h"

namespace fenwing::script {

namespace {

[[noreturn]] void fail(const std::string& reason) { throw std::invalid_argument(reason); }

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

Micros duration(std::string_view text, double longest, const char* range) {
    const double ms = parseNumber(text, "MS");
    if (ms < 0 || ms > longest) fail(std::string("MS must lie from 0 to ") + range);
    return std::llround(ms * 1000);
}

std::optional<std::uint64_t> wholeNumber(std::string_view text) {
    std::uint64_t n = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return n;
}

}  // namespace

Parser::Parser() : layout_(buildForm1()) {}
Parser::~Parser() = default;

std::optional<Command> Parser::parse(std::string_view line, bool complete) {
    if (!complete && versioned_) fail("the line has no line break at its end: it was cut short");
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    // A script is plain text: a control byte is a sign of a file of another kind, or of a line
    // that no one could read as written, and would reach a caption and the output.
    for (char byte : line) {
        if ((static_cast<unsigned char>(byte) < 0x20 && byte != '\t') || byte == 0x7F)
            fail("the control byte " + escaped(std::string_view(&byte, 1)) + " in " + quote(line) +
                 ": a script is plain text");
    }
    const auto w = words(line);
    if (w.empty() || w[0].front() == '#') return std::nullopt;
    const std::string_view verb = w[0];
    const Form& form = *layout_;
    Command c;

    if (verb == "menu") {
        expectArgs(w, 1, "menu ITEM");
        if (!form.findMenuItem(w[1])) fail("no menu item named " + quote(w[1]));
        c.verb = Verb::Menu;
        c.name = w[1];
    } else if (verb == "key") {
        expectArgs(w, 1, "key KEY");
        if (!isKey(w[1]))
            fail("unknown key " + quote(w[1]) + " (F1 to F12, Del, Enter or a letter)");
        c.verb = Verb::Key;
        c.name = w[1];
    } else if (verb == "click") {
        expectArgs(w, 1, "click NAME");
        if (!dynamic_cast<VisualControl*>(form.find(w[1])))
            fail("no image or label named " + quote(w[1]));
        c.verb = Verb::Click;
        c.name = w[1];
    } else if (verb == "click_at") {
        expectArgs(w, 2, "click_at X Y");
        const double x = parseNumber(w[1], "X"), y = parseNumber(w[2], "Y");
        c.verb = Verb::ClickAt;
        c.x = static_cast<float>(x);
        c.y = static_cast<float>(y);
    } else if (verb == "fire") {
        expectArgs(w, 1, "fire TIMER");
        if (!form.findTimer(w[1])) fail("no timer named " + quote(w[1]));
        c.verb = Verb::Fire;
        c.name = w[1];
    } else if (verb == "advance") {
        expectArgs(w, 1, "advance MS");
        c.verb = Verb::Advance;
        c.micros = duration(w[1], kMaxAdvanceMs, "3600000");
    } else if (verb == "stall") {
        expectArgs(w, 1, "stall MS");
        c.verb = Verb::Stall;
        c.micros = duration(w[1], kMaxStallMs, "31622400000");
    } else if (verb == "get") {
        expectArgs(w, 1, "get NAME.PROP or get FIELD");
        auto [name, prop] = target(w[1]);
        if (!(prop.empty() && Form1::isField(name))) getProperty(form, name, prop);
        c.verb = Verb::Get;
        c.name = name;
        c.property = prop;
    } else if (verb == "set") {
        if (w.size() < 3) fail("usage: set NAME.PROP VALUE or set FIELD VALUE");
        auto [name, prop] = target(w[1]);
        // A caption is the rest of the line, blanks and all; any other value is one word.
        if (prop != "Caption" && w.size() != 3)
            fail("usage: set NAME.PROP VALUE or set FIELD VALUE");
        const std::string_view value =
            prop == "Caption" ? line.substr(static_cast<std::size_t>(w[2].data() - line.data()))
                              : w[2];
        if (prop.empty() && Form1::isField(name))
            Form1::fieldValue(name, value);
        else
            setProperty(*layout_, name, prop, value);
        c.verb = Verb::Set;
        c.name = name;
        c.property = prop;
        c.value = value;
    } else if (verb == "seed") {
        expectArgs(w, 1, "seed N");
        const auto n = wholeNumber(w[1]);
        if (!n) fail("seed takes a whole number from 0 to 18446744073709551615");
        c.verb = Verb::Seed;
        c.number = *n;
    } else if (verb == "version") {
        expectArgs(w, 1, "version N");
        const auto n = wholeNumber(w[1]);
        if (!n || *n == 0) fail("version takes a whole number from 1");
        if (*n > kVersion)
            fail("version " + std::string(w[1]) + " is newer than this program, which reads " +
                 "scripts up to version " + std::to_string(kVersion));
        c.verb = Verb::Version;
        c.number = *n;
        versioned_ = true;
    } else if (verb == "state") {
        expectArgs(w, 0, "state");
        c.verb = Verb::State;
    } else {
        fail("unknown command " + quote(verb));
    }
    if (c.verb == Verb::Advance || c.verb == Verb::Stall) {
        if (c.micros > kLatestMicros - clock_) fail("the script's clock would pass 1000 years");
        clock_ += c.micros;
    }
    return c;
}

std::vector<ScriptLine> parseScript(std::istream& in) {
    Parser parser;
    std::vector<ScriptLine> script;
    LineReader reader(in);
    std::string line;
    try {
        for (bool complete = true; reader.next(line, complete);) {
            if (auto command = parser.parse(line, complete))
                script.push_back({reader.number(), std::move(*command)});
        }
    } catch (const std::invalid_argument& e) {
        throw ScriptError{reader.number(), e.what()};
    }
    return script;
}

std::optional<std::vector<ScriptLine>> loadScript(const std::string& path, std::ostream& err) {
    try {
        ScriptFile file(path);
        return parseScript(file.stream());
    } catch (const ReadError& e) {
        err << "error: cannot read " << escaped(path) << ": " << e.reason << '\n';
    } catch (const ScriptError& e) {
        err << "error: " << escaped(path) << ':' << e.line << ": " << e.reason << '\n';
    }
    return std::nullopt;
}

}  // namespace fenwing::script
