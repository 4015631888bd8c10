// The escaping that makes a score payload safe inside a request path: nineteen
// characters become five-character codes "*!A!*" .. "*!U!*", and back. Shared
// by the game and the score server so both sides read the same codes.
#pragma once

#include <string>

namespace zcommon {

// Each of the nineteen special characters becomes its code; other characters
// of codes 1..127 are copied; the zero byte and bytes above 127 are dropped.
std::string EscapePayload(const std::string& payload);

// Replaces every five-character code by its character and copies the rest.
// A literal code in the original text cannot be told from an escaped one.
std::string UnescapePayload(const std::string& escaped);

}  // namespace zcommon
