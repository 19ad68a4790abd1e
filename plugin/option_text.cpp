#include "plugin/option_text.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

bool parseFlag(const char* text) {
    if (!text)
        return false;
    switch (text[0]) {
    case '1':
    case 'T':
    case 't':
        return true;
    default:
        return false;
    }
}

static bool onlyBlanks(const char* text) {
    for (; *text; ++text)
        if (*text != ' ' && *text != '\t' && *text != '\n' && *text != '\r')
            return false;
    return true;
}

bool parseLength(const MString& text, double& cm) {
    const char* begin = text.asChar();
    char* end = nullptr;
    errno = 0;
    double mm = std::strtod(begin, &end);
    if (end == begin || errno == ERANGE || !onlyBlanks(end))
        return false;
    if (!std::isfinite(mm) || !(mm > 0.0))
        return false;
    cm = mm / 10.0;
    return true;
}

int parseArrangement(const MString& text) {
    return text.substringW(1, 1).asInt();
}

int drawnArrangement(int arrangement) {
    return arrangement >= 0 && arrangement <= 2 ? arrangement : 1;
}
