#pragma once
// How deeply a JSON text nests, found by one pass over its characters before
// any parser sees it: parsers, printers and destructors of JSON trees recurse,
// so a small hostile file nested thousands of levels deep exhausts the stack.
#include <cstddef>
#include <string_view>

namespace kivano {

// True when no array or object in `text` lies more than `maxDepth` levels
// deep (brackets inside strings do not count). Says nothing of whether the
// text is valid JSON: that is the parser's to say afterwards.
bool jsonDepthWithin(std::string_view text, size_t maxDepth);

}  // namespace kivano
