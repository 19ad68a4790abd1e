#include "sheet_edit_ops.h"

#include <cmath>
#include <sstream>
#include <vector>

namespace {

using Json = nlohmann::json;

const char* const kUsage =
    "an edit is one of: join A B, cut A B, flip-tab A B, tab A B on|off, move NET PAGE X Y, "
    "turn NET DEGREES, repack, undo, redo";

bool number(const Json& edit, const char* key, double& value) {
    auto found = edit.find(key);
    if (found == edit.end() || !found->is_number())
        return false;
    value = found->get<double>();
    return std::isfinite(value) && std::fabs(value) <= 1e5;
}

bool whole(const Json& edit, const char* key, int& value) {
    double v;
    if (!number(edit, key, v) || v != std::floor(v))
        return false;
    value = int(v);
    return true;
}

}  // namespace

bool editFromWords(const std::string& words, Json& edit, std::string& error) {
    std::istringstream in(words);
    std::vector<std::string> w;
    for (std::string word; in >> word;)
        w.push_back(word);
    auto numberAt = [&](size_t i, double& v) {
        try {
            size_t used = 0;
            v = std::stod(w[i], &used);
            return used == w[i].size();
        } catch (...) {
            return false;
        }
    };
    double n[4];
    auto numbers = [&](size_t count) {
        if (w.size() != count + 1)
            return false;
        for (size_t i = 0; i < count; ++i)
            if (!numberAt(i + 1, n[i]))
                return false;
        return true;
    };
    const std::string op = w.empty() ? "" : w[0];
    if ((op == "join" || op == "cut" || op == "flip-tab") && numbers(2))
        edit = {{"op", op}, {"edge", {n[0], n[1]}}};
    else if (op == "tab" && w.size() == 4 && (w[3] == "on" || w[3] == "off") && numberAt(1, n[0]) &&
             numberAt(2, n[1]))
        edit = {{"op", op}, {"edge", {n[0], n[1]}}, {"on", w[3] == "on"}};
    else if (op == "move" && numbers(4))
        edit = {{"op", op}, {"net", n[0]}, {"page", n[1]}, {"x", n[2]}, {"y", n[3]}};
    else if (op == "turn" && numbers(2))
        edit = {{"op", op}, {"net", n[0]}, {"degrees", n[1]}};
    else if ((op == "repack" || op == "undo" || op == "redo") && w.size() == 1)
        edit = {{"op", op}};
    else {
        error = "\"" + words + "\": " + kUsage;
        return false;
    }
    return true;
}

sheet::EditOutcome applyEdit(sheet::PageEditor& editor, const Json& edit,
                             const std::map<std::array<int, 2>, int>& edges,
                             const std::function<int(int)>& pageOf) {
    auto refused = [](const std::string& why) { return sheet::EditOutcome{false, why}; };
    if (!edit.is_object() || !edit.contains("op") || !edit["op"].is_string())
        return refused(kUsage);
    const std::string op = edit["op"].get<std::string>();
    if (op == "repack")
        return editor.repack();
    if (op == "undo" || op == "redo") {
        bool done = op == "undo" ? editor.undo() : editor.redo();
        return done ? sheet::EditOutcome{true, {}}
                    : refused(op == "undo" ? "there is nothing to undo"
                                           : "there is nothing to redo");
    }
    if (op == "move" || op == "turn") {
        int net = 0, page = 0;
        double x, y, degrees;
        if (!whole(edit, "net", net))
            return refused(op + " needs the net's number");
        if (op == "turn")
            return number(edit, "degrees", degrees) ? editor.turn(net, degrees)
                                                    : refused("turn needs its degrees");
        if (!whole(edit, "page", page) || page < 1 || !number(edit, "x", x) ||
            !number(edit, "y", y))
            return refused("move needs the page (from 1) and the x and y in mm");
        return editor.move(net, {pageOf(page - 1), x, y, 0.0});
    }
    const Json* corners = edit.contains("edge") ? &edit["edge"] : nullptr;
    std::array<int, 2> pair{-1, -1};
    if (corners && corners->is_array() && corners->size() == 2 && (*corners)[0].is_number() &&
        (*corners)[1].is_number()) {
        double a = (*corners)[0].get<double>(), b = (*corners)[1].get<double>();
        if (a >= 0 && b >= 0 && a < 2e9 && b < 2e9 && a == std::floor(a) && b == std::floor(b))
            pair = {int(std::min(a, b)), int(std::max(a, b))};
    }
    if (op != "join" && op != "cut" && op != "flip-tab" && op != "tab")
        return refused(kUsage);
    if (pair[0] < 0)
        return refused(op + " needs an edge: its two corners");
    auto found = edges.find(pair);
    if (found == edges.end())
        return refused("no two faces share an edge from corner " + std::to_string(pair[0]) +
                       " to " + std::to_string(pair[1]));
    if (op == "join")
        return editor.join(found->second);
    if (op == "cut")
        return editor.cut(found->second);
    if (op == "flip-tab")
        return editor.flipTab(found->second);
    if (!edit.contains("on") || !edit["on"].is_boolean())
        return refused("tab needs \"on\": true or false");
    return editor.setTab(found->second, edit["on"].get<bool>());
}
