#include "common/json_depth.h"

namespace kivano {

bool jsonDepthWithin(std::string_view text, size_t maxDepth) {
    size_t depth = 0;
    bool inString = false, escaped = false;
    for (char c : text) {
        if (inString) {
            if (escaped)
                escaped = false;
            else if (c == '\\')
                escaped = true;
            else if (c == '"')
                inString = false;
            continue;
        }
        if (c == '"')
            inString = true;
        else if (c == '[' || c == '{') {
            if (++depth > maxDepth)
                return false;
        } else if ((c == ']' || c == '}') && depth > 0)
            --depth;
    }
    return true;
}

}  // namespace kivano
