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

// One page as a PNG picture on white paper, drawn as the PDF and SVG draw
// it: `width` pixels wide (held to kMinPictureWidth..kMaxPictureWidth), as
// tall as the page's proportion makes it. A page far taller than wide is
// drawn narrower, so that no picture has more than kMaxPicturePixels or is
// taller than cairo can draw. Empty when cairo cannot draw it.
// Call pictures.findPartners with the page's layout first.
constexpr int kMinPictureWidth = 64, kMaxPictureWidth = 4096;
constexpr double kMaxPicturePixels = 4096.0 * 4096.0;
std::string pagePng(const Sheet& sheet, const Page& page, Pictures& pictures, int width);

}  // namespace sheet
