// Numbers as the rescue and play programs' options take them.
#pragma once

#include <string>

// A whole decimal number from 0 to 999999; -1 when the text is anything else (a sign, a blank,
// an empty value, more digits than any option's range needs).
[[nodiscard]] inline int small_number(const std::string& text) {
    if (text.empty() || text.size() > 6)
        return -1;
    int value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}
