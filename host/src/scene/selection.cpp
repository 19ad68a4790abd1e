#include "scene/selection.h"

#include <algorithm>
#include <charconv>

namespace host::scene {

bool matchesPattern(std::string_view pattern, std::string_view name) {
    size_t p = 0, n = 0, star = std::string_view::npos, mark = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == name[n])) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            mark = n;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            n = ++mark;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

static bool parseIndex(std::string_view text, int& out) {
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return ec == std::errc() && end == text.data() + text.size() && out >= 0;
}

// Reads "f[3]", "f[0:3]" or "f[*]" into face indices of a mesh with `polygons` faces.
static bool parseFaces(std::string_view entry, int polygons, std::vector<int>& faces) {
    if (entry.size() < 4 || entry.substr(0, 2) != "f[" || entry.back() != ']')
        return false;
    std::string_view range = entry.substr(2, entry.size() - 3);
    int first = 0, last = polygons - 1;
    if (range != "*") {
        size_t colon = range.find(':');
        if (!parseIndex(range.substr(0, colon), first))
            return false;
        last = first;
        if (colon != std::string_view::npos && !parseIndex(range.substr(colon + 1), last))
            return false;
    }
    if (first > last || last >= polygons)
        return false;
    for (int f = first; f <= last; ++f)
        faces.push_back(f);
    return true;
}

static bool resolveComponent(std::string_view objectName, std::string_view entry,
                             std::vector<SelectionItem>& out, std::string& error) {
    Node* node = findNode(objectName);
    Node* mesh = node && node->kind != NodeKind::World ? meshOf(*node) : nullptr;
    if (!mesh) {
        error = "No object matches name: " + std::string(objectName) + "." + std::string(entry);
        return false;
    }
    SelectionItem item{handle(*transformOf(*mesh)), {}, true};
    if (!parseFaces(entry, mesh->mesh->numPolygons(), item.faces)) {
        error = "Invalid component: " + std::string(objectName) + "." + std::string(entry);
        return false;
    }
    out.push_back(std::move(item));
    return true;
}

bool resolveSelection(std::string_view text, std::vector<SelectionItem>& out, std::string& error) {
    size_t dot = text.find('.');
    if (dot != std::string_view::npos)
        return resolveComponent(text.substr(0, dot), text.substr(dot + 1), out, error);
    if (text.find_first_of("*?") != std::string_view::npos) {
        size_t before = out.size();
        for (Node* node : allNodes())
            if (node->kind != NodeKind::World && matchesPattern(text, node->name))
                out.push_back(SelectionItem{handle(*node), {}, false});
        if (out.size() == before)
            error = "No object matches name: " + std::string(text);
        return out.size() != before;
    }
    Node* node = findNode(text);
    if (!node || node->kind == NodeKind::World) {
        error = "No object matches name: " + std::string(text);
        return false;
    }
    out.push_back(SelectionItem{handle(*node), {}, false});
    return true;
}

static std::vector<SelectionItem>::iterator findItem(std::vector<SelectionItem>& list,
                                                     const Node* node) {
    return std::find_if(list.begin(), list.end(),
                        [node](const SelectionItem& i) { return i.node.get() == node; });
}

void addToSelection(std::vector<SelectionItem>& list, const SelectionItem& item) {
    auto it = findItem(list, item.node.get());
    if (it == list.end()) {
        list.push_back(item);
        return;
    }
    // The whole object wins over some of its faces.
    if (!item.component || !it->component) {
        it->component = false;
        it->faces.clear();
        return;
    }
    std::vector<int> merged;
    std::set_union(it->faces.begin(), it->faces.end(), item.faces.begin(), item.faces.end(),
                   std::back_inserter(merged));
    it->faces = std::move(merged);
}

void removeFromSelection(std::vector<SelectionItem>& list, const SelectionItem& item) {
    auto it = findItem(list, item.node.get());
    if (it == list.end())
        return;
    if (!item.component || !it->component) {
        if (!item.component)
            list.erase(it);
        return;
    }
    std::vector<int> kept;
    std::set_difference(it->faces.begin(), it->faces.end(), item.faces.begin(), item.faces.end(),
                        std::back_inserter(kept));
    if (kept.empty())
        list.erase(it);
    else
        it->faces = std::move(kept);
}

std::vector<std::string> selectionStrings(const SelectionItem& item) {
    if (!item.component)
        return {item.node->name};
    std::vector<std::string> out;
    const std::vector<int>& f = item.faces;
    for (size_t i = 0; i < f.size();) {
        size_t j = i;
        while (j + 1 < f.size() && f[j + 1] == f[j] + 1)
            ++j;
        std::string range =
            i == j ? std::to_string(f[i]) : std::to_string(f[i]) + ":" + std::to_string(f[j]);
        out.push_back(item.node->name + ".f[" + range + "]");
        i = j + 1;
    }
    return out;
}

bool selectionContains(const std::vector<SelectionItem>& list, const SelectionItem& item) {
    for (const SelectionItem& i : list) {
        if (i.node != item.node)
            continue;
        if (!i.component)
            return true;
        if (item.component &&
            std::includes(i.faces.begin(), i.faces.end(), item.faces.begin(), item.faces.end()))
            return true;
    }
    return false;
}

}  // namespace host::scene
