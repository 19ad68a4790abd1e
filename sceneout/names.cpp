#include "sceneout/names.h"

#include <cstdio>

#include "geometry/gt.h"
#include "unfold/gtc.h"

static const int nameLimit = 9999;

std::string triangleName(const gtc& net, unsigned i) {
    if (i >= net.size())
        return "unnamed";
    int c = net.triangle(i)->container;
    if (static_cast<int>(i) > nameLimit)
        return "unnamed2";
    if (c > nameLimit)
        return "unnamed3";
    char text[64];
    std::snprintf(text, sizeof(text), "dft%u_%u", static_cast<unsigned>(c), i);
    return text;
}

std::string lugName(const gtc& net, unsigned i, int k) {
    if (i >= net.size())
        return "unnamed4";
    int c = net.triangle(i)->container;
    if (c > nameLimit)
        return "unnamed5";
    if (static_cast<int>(i) > nameLimit)
        return "unnamed6";
    if (k > 2)
        return "unnamed7";
    char text[64];
    std::snprintf(text, sizeof(text), "lug%u_%u_%u", static_cast<unsigned>(c), i,
                  static_cast<unsigned>(k));
    return text;
}

bool isSubstring(const MString& string1, const MString& string2) {
    int length1 = static_cast<int>(string1.numChars());
    int length2 = static_cast<int>(string2.numChars());
    if (length1 == 0)
        return true;
    for (int start = 0; start + length1 <= length2; ++start)
        if (string2.substringW(start, start + length1 - 1) == string1)
            return true;
    return false;
}

MString flatSelection(const MStringArray& names) {
    MString flat;
    for (unsigned i = 0; i < names.length(); ++i)
        if (!isSubstring(".", names[i]))
            flat += names[i] + " ";
    return flat;
}
