#include "geometry/plate_cuts.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>

#include "geometry/accurate_cuts.h"

namespace xsrl {

namespace {

// A line or circle (by its bounding box) as seen by the plates around it.
struct FacingLine {
    double left = 0.0;
    double right = 0.0;
    double bottom = 0.0;
    double top = 0.0;
    double gapAbove = 0.0;  // to the nearest plate above; 0: none
    double gapBelow = 0.0;  // to the nearest plate below; 0: none
    std::size_t slot = 0;  // 1 + number of plates whose y1 lies above the line's bottom
};

// A plate with the cut lists of its two faces (index 0 unused).
struct PlateFaces {
    const Conductor* plate = nullptr;
    int ordinal = 0;  // 1-based position among the plates in deck order
    std::vector<double> bottom{0.0};
    std::vector<double> top{0.0};
    std::vector<FacingEdge> bottomEdges;  // the edges of the lines facing each face
    std::vector<FacingEdge> topEdges;
};

// Selection sort of list[1..n]: each position takes the first entry that strictly beats
// `bound` and every entry before it in the remaining range.
template <class Before>
void selectionSort(double* list, int n, double bound, Before before)
{
    for (int i = 1; i <= n; ++i) {
        double best = bound;
        int bestIndex = i;
        for (int j = i; j <= n; ++j) {
            if (before(list[j], best)) {
                best = list[j];
                bestIndex = j;
            }
        }
        std::swap(list[i], list[bestIndex]);
    }
}

void sortList(std::vector<double>& list) { sortAscending(list.data(), static_cast<int>(list.size()) - 1); }

// Plates from the highest y1 down; plates of equal y1 in deck order.
std::vector<PlateFaces*> heightOrder(std::vector<PlateFaces>& plates)
{
    const int count = static_cast<int>(plates.size());
    std::vector<double> heights{0.0};
    for (const PlateFaces& p : plates) heights.push_back(p.plate->y1);
    sortDescending(heights.data(), count);
    std::vector<PlateFaces*> order;
    std::vector<bool> taken(plates.size(), false);
    for (std::size_t pos = 1; pos < heights.size(); ++pos) {
        for (std::size_t p = 0; p < plates.size(); ++p) {
            if (!taken[p] && plates[p].plate->y1 == heights[pos]) {
                taken[p] = true;
                order.push_back(&plates[p]);
                break;
            }
        }
    }
    return order;
}

// Gap from each line to the nearest plate above and below it.
void findPlateGaps(std::vector<FacingLine>& lines, const std::vector<PlateFaces*>& byHeight)
{
    const auto gapTo = [](const FacingLine& line, const PlateFaces* p) {
        return minEdgeGap(line.bottom, line.top, p->plate->y1, p->plate->y2);
    };
    for (FacingLine& line : lines) {
        line.slot = 1;
        for (const PlateFaces* p : byHeight)
            if (p->plate->y1 > line.bottom) ++line.slot;
        if (line.slot != 1 && line.slot != byHeight.size() + 1) {
            line.gapAbove = gapTo(line, byHeight[line.slot - 2]);
            line.gapBelow = gapTo(line, byHeight[line.slot - 1]);
        } else if (line.slot == 1) {
            line.gapBelow = gapTo(line, byHeight.front());
        } else {
            line.gapAbove = gapTo(line, byHeight.back());
        }
    }
}

// Adds the cut points beside the lines that face one face of a plate. The sorted list pairs
// into stretches of the face between line edges and plate edges; a stretch that ends at a
// line is cut at about three times that line's gap to the plate.
void addGapCuts(std::vector<double>& cuts, const std::vector<FacingLine>& lines, bool topFace)
{
    const std::size_t stretches = (cuts.size() - 1) / 2;  // cuts[0] is unused
    for (std::size_t k = 1; k <= stretches; ++k) {
        const double left = cuts[2 * k - 1];
        const double right = cuts[2 * k];
        double dL = 0.0;
        double dR = 0.0;
        for (const FacingLine& line : lines) {
            const double gap = topFace ? line.gapBelow : line.gapAbove;
            if (std::fabs(line.right - left) < 1e-9) dL = gap;
            if (std::fabs(line.left - right) < 1e-9) dR = gap;
        }
        const double len = std::fabs(right - left);
        const double S = (dR + dL) * 3.1;
        if (dL == 0.0 && dR == 0.0) continue;
        if (dL == 0.0 || dR == 0.0) {
            if (S < len) cuts.push_back(dL == 0.0 ? right - S : left + S);
        } else if (S < len) {
            if (topFace) {
                cuts.push_back(left + 3.1 * dL);
                cuts.push_back(right - 3.1 * dR);
            } else {
                cuts.push_back(left + 3.0 * dL);
                cuts.push_back(right - 3.0 * dR);
            }
        } else if (3.1 * dL <= len || 3.1 * dR <= len) {
            cuts.push_back(left + len * dL / (S / 3));
        }
    }
}

// One face's points, each printed text once, appended to the file text and kept as the file
// gives them back: two that print alike would bound a ribbon of zero width. A face that only
// holds the plate's own two edges faces no line and is left out.
void keepFace(PlateCuts& out, const char* word, int ordinal, const std::vector<double>& cuts, std::vector<double>& kept)
{
    const int m = static_cast<int>(cuts.size()) - 1;
    if (m == 2) return;
    std::string written;
    for (std::size_t i = 1; i < cuts.size(); ++i) {
        char value[32];
        // -0 is 0: an edge at -0 facing one at 0 is one point, not two that print apart.
        std::snprintf(value, sizeof value, "%le", cuts[i] == 0.0 ? 0.0 : cuts[i]);
        if (written == value) continue;
        written = value;
        out.fileText += std::string(word) + " " + std::to_string(ordinal) + " " + value + "\n";
        kept.push_back(std::strtod(value, nullptr));
    }
}

}  // namespace

double minEdgeGap(double bottom1, double top1, double bottom2, double top2)
{
    double gap = std::fabs(top1 - top2);
    gap = std::min(gap, std::fabs(top1 - bottom2));
    gap = std::min(gap, std::fabs(bottom1 - bottom2));
    return std::min(gap, std::fabs(bottom1 - top2));
}

void sortAscending(double* list, int n)
{
    selectionSort(list, n, 1e10, [](double a, double b) { return a < b; });
}

void sortDescending(double* list, int n)
{
    selectionSort(list, n, -1e10, [](double a, double b) { return a > b; });
}

PlateCuts placePlateCuts(std::vector<Conductor>& conductors, Accuracy accuracy)
{
    const bool accurate = accuracy == Accuracy::High;
    std::vector<FacingLine> lines;
    std::vector<PlateFaces> plates;
    for (Conductor& c : conductors) {
        if (c.shape == ConductorShape::Line) {
            lines.push_back({c.x1, c.x2, c.y1, c.y2});
            if (accurate) continue;
            c.nx = 1;
            c.ny = 1;
            c.model = ConductorModel::Pw;
        } else if (c.shape == ConductorShape::Circle) {
            lines.push_back({c.xc - c.rad, c.xc + c.rad, c.yc - c.rad, c.yc + c.rad});
            c.model = ConductorModel::Circle;
        } else {
            PlateFaces faces;
            faces.plate = &c;
            faces.ordinal = static_cast<int>(plates.size()) + 1;
            plates.push_back(faces);
            c.model = ConductorModel::Pw;
        }
    }

    const std::vector<PlateFaces*> byHeight = heightOrder(plates);
    findPlateGaps(lines, byHeight);

    // Each line's x extent goes to the face of the plate below and of the plate above it.
    for (const FacingLine& line : lines) {
        if (line.gapBelow == 0.0) continue;
        PlateFaces& plate = *byHeight[line.slot - 1];
        plate.top.push_back(line.left);
        plate.top.push_back(line.right);
        plate.topEdges.push_back({line.left, line.gapBelow});
        plate.topEdges.push_back({line.right, line.gapBelow});
    }
    for (const FacingLine& line : lines) {
        if (line.gapAbove == 0.0) continue;
        PlateFaces& plate = *byHeight[line.slot - 2];
        plate.bottom.push_back(line.left);
        plate.bottom.push_back(line.right);
        plate.bottomEdges.push_back({line.left, line.gapAbove});
        plate.bottomEdges.push_back({line.right, line.gapAbove});
    }
    for (PlateFaces* p : byHeight) {
        p->bottom.push_back(p->plate->x1);
        p->bottom.push_back(p->plate->x2);
        p->top.push_back(p->plate->x1);
        p->top.push_back(p->plate->x2);
    }

    PlateCuts cuts;
    cuts.plates.resize(plates.size());
    for (PlateFaces* p : byHeight) {
        sortList(p->bottom);
        sortList(p->top);
        addGapCuts(p->bottom, lines, false);
        addGapCuts(p->top, lines, true);
        sortList(p->bottom);
        sortList(p->top);
        PlateFaceCuts& kept = cuts.plates[static_cast<std::size_t>(p->ordinal - 1)];
        keepFace(cuts, "below", p->ordinal, p->bottom, kept.below);
        keepFace(cuts, "above", p->ordinal, p->top, kept.above);
        if (accurate) {
            kept.below = gradedFaceEdges(kept.below, p->bottomEdges);
            kept.above = gradedFaceEdges(kept.above, p->topEdges);
        }
    }
    return cuts;
}

}  // namespace xsrl
