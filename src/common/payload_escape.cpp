// Payload escaping and its inverse over one fixed table of nineteen
// characters. The asterisk and exclamation sign are left as they are, and the
// letters N and O are never codes.

#include "payload_escape.h"

namespace zcommon {

namespace {

struct Code {
    char Plain;
    char Letter;
};

constexpr Code kCodes[] = {
    {'&', 'A'}, {'\\', 'B'}, {'\'', 'C'}, {'`', 'D'}, {'"', 'E'}, {'/', 'F'}, {'>', 'G'},
    {'#', 'H'}, {'^', 'I'},  {'{', 'J'},  {'}', 'K'}, {'<', 'L'}, {'|', 'M'}, {'%', 'P'},
    {'?', 'Q'}, {'+', 'R'},  {'$', 'S'},  {',', 'T'}, {' ', 'U'},
};

constexpr size_t kCodeLength = 5;  // "*!X!*"

char LetterOf(char plain) {
    for (const Code& c : kCodes)
        if (c.Plain == plain) return c.Letter;
    return 0;
}

char PlainOf(char letter) {
    for (const Code& c : kCodes)
        if (c.Letter == letter) return c.Plain;
    return 0;
}

}  // namespace

std::string EscapePayload(const std::string& payload) {
    std::string out;
    out.reserve(payload.size());
    for (char ch : payload) {
        const int code = static_cast<unsigned char>(ch);
        if (code < 1 || code > 127) continue;
        const char letter = LetterOf(ch);
        if (letter != 0) {
            out += "*!";
            out += letter;
            out += "!*";
        } else {
            out += ch;
        }
    }
    return out;
}

std::string UnescapePayload(const std::string& escaped) {
    std::string out;
    out.reserve(escaped.size());
    size_t i = 0;
    while (i < escaped.size()) {
        if (i + kCodeLength <= escaped.size() && escaped[i] == '*' && escaped[i + 1] == '!' &&
            escaped[i + 3] == '!' && escaped[i + 4] == '*') {
            const char plain = PlainOf(escaped[i + 2]);
            if (plain != 0) {
                out += plain;
                i += kCodeLength;
                continue;
            }
        }
        out += escaped[i];
        ++i;
    }
    return out;
}

}  // namespace zcommon
