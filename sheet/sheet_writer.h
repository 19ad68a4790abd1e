#pragma once
// Writes a laid-out sheet: PDF with every page, or SVG with one file per page
// whose cut, mountain, valley and print layers are named groups. Nothing is
// left behind when writing fails.
#include <string>
#include <vector>

#include "layout.h"
#include "net_picture.h"
#include "sheet_model.h"

namespace sheet {

bool writePdf(const std::string& path, const Sheet& sheet, const Layout& layout, Pictures& pictures,
              std::string& error);

// The files an SVG output of `pages` pages goes to: the path itself for one
// page, else the path with "-1", "-2", ... before its extension.
std::vector<std::string> svgPagePaths(const std::string& path, size_t pages);

bool writeSvg(const std::string& path, const Sheet& sheet, const Layout& layout, Pictures& pictures,
              std::vector<std::string>& written, std::string& error);

// The whole SVG document of one page, as writeSvg writes it.
std::string pageSvg(const Sheet& sheet, const Page& page, Pictures& pictures);

}  // namespace sheet
