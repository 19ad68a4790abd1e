#pragma once
// Numbers as the tool's messages write them.
#include <cstdio>
#include <string>

// As short as exact: "4", "0.5", "1e+300".
inline std::string number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.10g", value);
    return text;
}

// 12345 -> "12,345", as people write counts.
inline std::string thousands(size_t value) {
    std::string digits = std::to_string(value), out;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out += ',';
        out += digits[i];
    }
    return out;
}
