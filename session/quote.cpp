#include "session/quote.h"

namespace fenwing {

namespace {

constexpr char kHex[] = "0123456789ABCDEF";

// A character that a terminal shows as nothing, as a plain space or not at all as itself.
bool invisible(char32_t c) {
    return (c >= 0x80 && c <= 0xA0) || c == 0xAD || c == 0x34F || c == 0x61C || c == 0x115F ||
           c == 0x1160 || c == 0x1680 || c == 0x17B4 || c == 0x17B5 || c == 0x180E ||
           (c >= 0x2000 && c <= 0x200F) || (c >= 0x2028 && c <= 0x202F) ||
           (c >= 0x205F && c <= 0x206F) || c == 0x3000 || c == 0x3164 || c == 0xFEFF ||
           c == 0xFFA0 || (c >= 0xFFF0 && c <= 0xFFFB);
}

// Appends the first `limit` characters of `text`, escaped; returns whether that was all.
bool append(std::string& out, std::string_view text, std::size_t limit) {
    std::size_t count = 0;
    while (!text.empty()) {
        if (count++ == limit) return false;
        char32_t c = 0;
        const std::size_t n = decodeUtf8(text, c);
        if (n == 0 || c < 0x20 || c == 0x7F) {
            const auto b = static_cast<unsigned char>(text[0]);
            out += {'\\', 'x', kHex[b >> 4], kHex[b & 15]};
            text.remove_prefix(1);
            continue;
        }
        if (c == '\\') {
            out += "\\\\";
        } else if (invisible(c)) {
            out += "\\u";
            for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(c >> shift) & 15];
        } else {
            out.append(text.substr(0, n));
        }
        text.remove_prefix(n);
    }
    return true;
}

}  // namespace

// The length of the UTF-8 sequence that starts `text`, and its character; 0 when the bytes
// there are not one.
std::size_t decodeUtf8(std::string_view text, char32_t& c) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80) {
        c = lead;
        return 1;
    }
    std::size_t n = 0;
    unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        n = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        n = 3;
        if (lead == 0xE0) low = 0xA0;   // no overlong form
        if (lead == 0xED) high = 0x9F;  // no surrogate
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        n = 4;
        if (lead == 0xF0) low = 0x90;   // no overlong form
        if (lead == 0xF4) high = 0x8F;  // nothing past U+10FFFF
    } else {
        return 0;
    }
    if (text.size() < n || byte(1) < low || byte(1) > high) return 0;
    c = lead & (0xFF >> (n + 1));
    for (std::size_t i = 1; i < n; ++i) {
        if ((byte(i) & 0xC0) != 0x80) return 0;
        c = (c << 6) | (byte(i) & 0x3F);
    }
    return n;
}

std::string escaped(std::string_view text) {
    std::string out;
    append(out, text, std::string_view::npos);
    return out;
}

std::string quote(std::string_view text) {
    std::string out = "'";
    const bool whole = append(out, text, kQuotedChars);
    out += whole ? "'" : "'...";
    return out;
}

}  // namespace fenwing
