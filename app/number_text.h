#pragma once
// Numbers as the tool's messages write them.
#include <algorithm>
#include <cctype>
#include <cmath>
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

// A bound as ranges print it: whole thousands with separators.
inline std::string boundText(double value) {
    return value >= 1000.0 && value == std::floor(value) ? thousands(size_t(value)) : number(value);
}

inline std::string fixed1(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

inline double round2(double value) {
    return std::round(value * 100.0) / 100.0;
}

inline std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}
