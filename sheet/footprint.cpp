#include "footprint.h"

#include <algorithm>
#include <cmath>

namespace sheet {

std::vector<Piece> piecesOf(const PlacedNet& placed) {
    std::vector<Piece> pieces;
    pieces.reserve(placed.geometry.faces.size() + placed.geometry.lugs.size() +
                   placed.labels.size());
    for (const Face& face : placed.geometry.faces)
        pieces.push_back({{face.p[0], face.p[1], face.p[2]}, 3});
    for (const Lug& lug : placed.geometry.lugs)
        pieces.push_back({{lug.p[0], lug.p[1], lug.p[2], lug.p[3]}, 4});
    for (const Label& label : placed.labels) {
        std::array<Vec2, 4> box = labelCorners(label);
        pieces.push_back({{box[0], box[1], box[2], box[3]}, 4, true});
        if (label.leader)
            pieces.push_back({{label.leaderFrom, label.leaderTo}, 2, true});
    }
    return pieces;
}

namespace {

// The least and greatest x of a convex piece between two heights, or false
// where it has nothing there.
bool spanBetween(const Piece& piece, double low, double high, double& minX, double& maxX) {
    minX = INFINITY;
    maxX = -INFINITY;
    for (int k = 0; k < piece.count; ++k) {
        Vec2 a = piece.p[k], b = piece.p[(k + 1) % piece.count];
        if (a.y >= low && a.y <= high) {
            minX = std::min(minX, a.x);
            maxX = std::max(maxX, a.x);
        }
        for (double y : {low, high})
            if ((a.y - y) * (b.y - y) < 0.0) {
                double x = a.x + (b.x - a.x) * (y - a.y) / (b.y - a.y);
                minX = std::min(minX, x);
                maxX = std::max(maxX, x);
            }
    }
    return minX <= maxX;
}

}  // namespace

CellShape footprintCells(const std::vector<Piece>& pieces, double cell, double cutPad,
                         double printPad, Vec2& origin) {
    Box box;
    for (const Piece& piece : pieces) {
        double pad = piece.printed ? printPad : cutPad;
        for (int k = 0; k < piece.count; ++k) {
            box.add(Vec2{piece.p[k].x - pad, piece.p[k].y - pad});
            box.add(Vec2{piece.p[k].x + pad, piece.p[k].y + pad});
        }
    }
    if (box.empty())
        return {};
    origin = {box.minX, box.minY};
    int columns = int(std::floor(box.width() / cell)) + 1;
    int rows = int(std::floor(box.height() / cell)) + 1;
    std::vector<std::vector<CellRun>> spans(static_cast<size_t>(rows));
    auto index = [&](double value, double from, int count) {
        return std::clamp(int(std::floor((value - from) / cell)), 0, count - 1);
    };
    for (const Piece& piece : pieces) {
        double pad = piece.printed ? printPad : cutPad;
        double low = INFINITY, high = -INFINITY;
        for (int k = 0; k < piece.count; ++k) {
            low = std::min(low, piece.p[k].y);
            high = std::max(high, piece.p[k].y);
        }
        int first = index(low - pad, origin.y, rows), last = index(high + pad, origin.y, rows);
        for (int j = first; j <= last; ++j) {
            // the row's cells reach up and down by the pad to the piece
            double top = origin.y + j * cell;
            double minX, maxX;
            if (!spanBetween(piece, top - pad, top + cell + pad, minX, maxX))
                continue;
            // `length` holds the span's last cell until CellShape merges it
            spans[size_t(j)].push_back(
                {index(minX - pad, origin.x, columns), index(maxX + pad, origin.x, columns)});
        }
    }
    return CellShape::fromSpans(columns, std::move(spans));
}

}  // namespace sheet
