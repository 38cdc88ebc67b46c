#include "electrostatics/panels.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

#include "electrostatics/dielectrics.h"
#include "geometry/checks.h"
#include "geometry/ribbon_index.h"
#include "numerics/constants.h"
#include "support/errors.h"

namespace xsrl {

namespace {

constexpr double Infinity = std::numeric_limits<double>::infinity();

// Panel sizes grow by a factor 1 + Growth / N (N at least 2) away from an end of a stretch or a near
// neighbour, from a smallest panel of FloorFraction / N of the local length scale. The scale at
// an end is the shortest stretch that meets there: at the edge of a thin trace, its thickness.
constexpr double Growth = 4.0;
constexpr double FloorFraction = 1.0 / 1024.0;
// That floor holds where a conductor meets an interface or another object: the charge there is
// the most singular and C depends on it. At a corner with only its own shape near (a trace's
// top corners, a plate's far corners) panels start at CornerFloorFraction / N of the scale:
// with the shielding of Facing a fifth fewer panels on a bus over a plate, and C moved by
// less than 3e-5 of its converged value in the validation cases and example structures. A
// meeting point nearer than JunctionReach of the stretch's length counts as at its end: the
// top corners of a trace a thousandth as thick as wide are, seen from its top face, where it
// meets the substrate.
constexpr double CornerFloorFraction = 1.0 / 16.0;
constexpr double JunctionReach = 1.0 / 16.0;

constexpr double MostPanelsAlongAStretch = 1e6;

// A conductor's cross-section or a dielectric block, as the panels see it.
struct Shape {
    bool circle = false;
    double x1 = 0.0, y1 = 0.0, x2 = 0.0, y2 = 0.0;  // a rectangle
    Point centre;  // a circle
    double radius = 0.0;
    int conductor = -1;  // position in deck order, or -1 for a dielectric block
    int block = -1;  // position among the dielectric blocks, or -1 for a conductor
    double size = 0.0;  // the diameter of a circle, the shorter side of a rectangle (see conductorSize)
};

// A piece of a side between two cut points that keeps one medium on each side.
struct Stretch {
    Point a;
    Point b;
    int shape = 0;  // the shape whose side it lies on
    int object = 0;  // what it is not refined against: its conductor, or -1 - its block
    int conductor = -1;
    Complex erOutside;
    Complex erInside;
};

// What panels are refined near: a conductor's side or circle, or an interface stretch.
struct Obstacle {
    int shape = 0;
    int object = 0;
    bool circle = false;
    Point a;
    Point b;
    Point centre;
    double radius = 0.0;
};

// Everything the cutting looks at.
struct Boundary {
    const std::vector<DielectricBlock>& blocks;
    int panelsPerSide;
    std::vector<Shape> shapes;
    std::vector<Stretch> stretches;
    std::vector<Obstacle> obstacles;

    // Distance up to which points of the two shapes touch, as conductors do (see
    // contactTolerance): coordinates in other units than metres leave rounding where exact
    // numbers would meet.
    double touch(int shape, int other) const
    {
        return ContactFraction *
               std::min(shapes[static_cast<std::size_t>(shape)].size, shapes[static_cast<std::size_t>(other)].size);
    }
};

// How much panels grow per unit length. At N = 1 it stays that of N = 2: panels five times
// the size of their neighbours would hold charges too coarse for C.
double growthOf(int panelsPerSide) { return Growth / std::max(2, panelsPerSide); }

double distance(Point p, Point q) { return std::hypot(p.x - q.x, p.y - q.y); }

// Exact for a point at an end or on the segment's line: no a + t (b - a) rounding.
double distanceToSegment(Point p, Point a, Point b)
{
    const double dx = b.x - a.x;
    const double dy = b.y - a.y;
    const double along = (p.x - a.x) * dx + (p.y - a.y) * dy;
    const double squared = dx * dx + dy * dy;
    if (along <= 0.0) return distance(p, a);
    if (along >= squared) return distance(p, b);
    return std::fabs((p.x - a.x) * dy - (p.y - a.y) * dx) / std::sqrt(squared);
}

double distanceToObstacle(Point p, const Obstacle& o)
{
    return o.circle ? std::fabs(distance(p, o.centre) - o.radius) : distanceToSegment(p, o.a, o.b);
}

// A stretch of a conductor's side, which the conductor's own body shields from whatever lies
// behind the side and within its span (the underside of a plate from the traces above it).
struct Facing {
    bool shielded = false;  // false on interfaces and circles, which see every way
    Point a;
    Point b;
    int shape = 0;
};

bool behind(const Obstacle& o, const Facing& facing, const Boundary& boundary)
{
    if (!facing.shielded) return false;
    const double touch = boundary.touch(facing.shape, o.shape);
    const double length = distance(facing.a, facing.b);
    const Point unit{(facing.b.x - facing.a.x) / length, (facing.b.y - facing.a.y) / length};
    auto along = [&](Point q) { return (q.x - facing.a.x) * unit.x + (q.y - facing.a.y) * unit.y; };
    // Outward is on the right of a -> b.
    auto ahead = [&](Point q) { return (q.x - facing.a.x) * unit.y - (q.y - facing.a.y) * unit.x; };
    auto within = [&](double from, double to) { return from >= -touch && to <= length + touch; };
    if (o.circle)
        return ahead(o.centre) + o.radius < -touch && within(along(o.centre) - o.radius, along(o.centre) + o.radius);
    return std::max(ahead(o.a), ahead(o.b)) < -touch &&
           within(std::min(along(o.a), along(o.b)), std::max(along(o.a), along(o.b)));
}

// Distance from p to the nearest obstacle of another object that the side does not face away from.
double nearestOther(Point p, int object, const Facing& facing, const Boundary& boundary)
{
    double nearest = Infinity;
    for (const Obstacle& o : boundary.obstacles)
        if (o.object != object && !behind(o, facing, boundary)) nearest = std::min(nearest, distanceToObstacle(p, o));
    return nearest;
}

// The closest approach of another object that does not touch the segment a-b, or the circle
// around `centre` when `circle`. Touching objects meet it at a cut point, where the grading
// toward the end refines already.
double closestApartOther(bool circle, Point a, Point b, Point centre, double radius, int shape, int object,
                         const Facing& facing, const Boundary& boundary)
{
    double closest = Infinity;
    for (const Obstacle& o : boundary.obstacles) {
        if (o.object == object || behind(o, facing, boundary)) continue;
        double gap = 0.0;
        if (circle && o.circle)
            gap = distance(centre, o.centre) - radius - o.radius;
        else if (circle)
            gap = distanceToSegment(centre, o.a, o.b) - radius;
        else if (o.circle)
            gap = distanceToSegment(o.centre, a, b) - o.radius;
        else
            gap = std::min({distanceToSegment(a, o.a, o.b), distanceToSegment(b, o.a, o.b),
                            distanceToSegment(o.a, a, b), distanceToSegment(o.b, a, b)});
        if (gap > boundary.touch(shape, o.shape)) closest = std::min(closest, gap);
    }
    return closest;
}

// Cut points 0 = s_0 < ... < s_m = length about size(s) apart: equal steps of the integral of
// 1 / size, taken on a walk of quarter steps. Sizes grow at most by twice the distance (see
// growthOf), so that a step lands where the size is at least half what it was: a step onto a
// far smaller size would count as many panels as their ratio. Sizes too far apart for the
// numbers (or for the memory) end the run instead of the walk: a step below the spacing of the
// doubles, or too many panels.
std::vector<double> gradedCuts(double length, const std::function<double(double)>& size)
{
    std::vector<double> s{0.0};
    std::vector<double> count{0.0};
    double density = 1.0 / size(0.0);
    while (s.back() < length) {
        const double next = std::min(length, s.back() + 0.25 / density);
        // A step below the spacing of the doubles there would never get further.
        const bool stuck = !(next > s.back());
        const double nextDensity = 1.0 / size(next);
        count.push_back(count.back() + 0.5 * (density + nextDensity) * (next - s.back()));
        s.push_back(next);
        density = nextDensity;
        if (stuck || !(count.back() <= MostPanelsAlongAStretch))
            throw structureError("the capacitance panels cannot be cut: the sizes of the structure are too far apart");
    }
    const int panels = std::max(1, static_cast<int>(std::ceil(count.back() - 1e-9)));
    std::vector<double> cuts{0.0};
    std::size_t k = 1;
    for (int p = 1; p < panels; ++p) {
        const double target = count.back() * p / panels;
        while (count[k] < target) ++k;
        const double f = (target - count[k - 1]) / (count[k] - count[k - 1]);
        cuts.push_back(s[k - 1] + f * (s[k] - s[k - 1]));
    }
    cuts.push_back(length);
    return cuts;
}

// The panel size wanted at a point of a stretch: at most `largest`, growing from each end's
// floor with the distance to that end and from `floor` with the distance to other objects.
struct Sizing {
    double largest = 0.0;
    double floor = 0.0;
    double startFloor = Infinity;  // none at the ends of a whole circle
    double endFloor = Infinity;
    double growth = 0.0;

    double at(double t, double length, double toOther) const
    {
        return std::min({largest, startFloor + growth * t, endFloor + growth * (length - t), floor + growth * toOther});
    }
};

// `scale` is the stretch's local length scale: its length or the gap to the closest object apart.
Sizing sizing(double scale, double largest, const Boundary& boundary)
{
    return {largest, FloorFraction * scale / boundary.panelsPerSide, Infinity, Infinity,
            growthOf(boundary.panelsPerSide)};
}

// The floor at an end p of a stretch of `object` and `shape`, `length` long, of local length
// scale `scale`: smaller where a shorter stretch meets p, and where another object's stretch
// meets p or ends within JunctionReach of the length.
double endFloor(Point p, double length, double scale, int shape, int object, const Boundary& boundary)
{
    bool junction = false;
    for (const Stretch& s : boundary.stretches) {
        const double otherLength = distance(s.a, s.b);
        const double touch = boundary.touch(shape, s.shape);
        const double apart = std::min(distance(p, s.a), distance(p, s.b));
        if (apart <= touch && otherLength > touch) scale = std::min(scale, otherLength);
        if (s.object != object && apart <= std::max(touch, JunctionReach * length)) junction = true;
    }
    // At N = 1 as at N = 2, like the growth: the coarsest cut keeps the corners of the next.
    return (junction ? FloorFraction : CornerFloorFraction) * scale / std::max(2, boundary.panelsPerSide);
}

std::vector<Shape> shapesOf(const std::vector<Conductor>& conductors, const std::vector<DielectricBlock>& blocks)
{
    std::vector<Shape> shapes;
    for (std::size_t k = 0; k < conductors.size(); ++k) {
        const Conductor& c = conductors[k];
        Shape s;
        s.conductor = static_cast<int>(k);
        if (c.shape == ConductorShape::Circle) {
            s.circle = true;
            s.centre = {c.xc, c.yc};
            s.radius = c.rad;
        } else {
            s.x1 = c.x1, s.y1 = c.y1, s.x2 = c.x2, s.y2 = c.y2;
        }
        s.size = conductorSize(c);
        shapes.push_back(s);
    }
    for (std::size_t k = 0; k < blocks.size(); ++k) {
        Shape s;
        s.block = static_cast<int>(k);
        s.x1 = blocks[k].x1, s.y1 = blocks[k].y1, s.x2 = blocks[k].x2, s.y2 = blocks[k].y2;
        s.size = std::min(s.x2 - s.x1, s.y2 - s.y1);
        shapes.push_back(s);
    }
    return shapes;
}

// The largest width or height of the structure.
double extentOf(const std::vector<Shape>& shapes)
{
    double left = Infinity, right = -Infinity, bottom = Infinity, top = -Infinity;
    for (const Shape& s : shapes) {
        left = std::min(left, s.circle ? s.centre.x - s.radius : s.x1);
        right = std::max(right, s.circle ? s.centre.x + s.radius : s.x2);
        bottom = std::min(bottom, s.circle ? s.centre.y - s.radius : s.y1);
        top = std::max(top, s.circle ? s.centre.y + s.radius : s.y2);
    }
    return std::max(right - left, top - bottom);
}

// A rectangle's corners counter-clockwise from the lower left: each side a -> b then has the
// outside on its right.
std::vector<Point> corners(const Shape& s) { return {{s.x1, s.y1}, {s.x2, s.y1}, {s.x2, s.y2}, {s.x1, s.y2}}; }

bool insideConductor(Point p, const std::vector<Shape>& shapes, int exceptConductor)
{
    for (const Shape& s : shapes) {
        if (s.conductor < 0 || s.conductor == exceptConductor) continue;
        const bool inside =
            s.circle ? distance(p, s.centre) <= s.radius : s.x1 <= p.x && p.x <= s.x2 && s.y1 <= p.y && p.y <= s.y2;
        if (inside) return true;
    }
    return false;
}

// A point along a side or around a circle, and how close another may come and still be it.
struct Cut {
    double at = 0.0;
    double touch = 0.0;
};

// The positions of the cuts in ascending order, each one that touches the one kept before it
// dropped.
std::vector<double> distinctCuts(std::vector<Cut> cuts)
{
    std::sort(cuts.begin(), cuts.end(), [](const Cut& p, const Cut& q) { return p.at < q.at; });
    std::vector<double> kept;
    double keptTouch = 0.0;
    for (const Cut& c : cuts) {
        if (!kept.empty() && c.at - kept.back() <= std::max(keptTouch, c.touch)) continue;
        kept.push_back(c.at);
        keptTouch = c.touch;
    }
    return kept;
}

// Where the side a -> b (parallel to an axis) of shape `own` meets the edges of the other
// shapes, as distances from a, with 0 and the side's length; cuts that would leave a sliver
// are dropped.
std::vector<double> sideCuts(Point a, Point b, int own, const Boundary& boundary)
{
    const bool horizontal = a.y == b.y;
    const double level = horizontal ? a.y : a.x;
    const double from = horizontal ? a.x : a.y;
    const double to = horizontal ? b.x : b.y;
    const double length = std::fabs(to - from);
    std::vector<Cut> cuts{{0.0, 0.0}};
    for (std::size_t k = 0; k < boundary.shapes.size(); ++k) {
        if (static_cast<int>(k) == own) continue;
        const Shape& s = boundary.shapes[k];
        const double touch = boundary.touch(own, static_cast<int>(k));
        auto add = [&](double along) {
            const double t = (along - from) * (to > from ? 1.0 : -1.0);
            if (t > touch && t < length - touch) cuts.push_back({t, touch});
        };
        if (s.circle) {
            const double across = level - (horizontal ? s.centre.y : s.centre.x);
            if (std::fabs(across) > s.radius) continue;
            const double half = std::sqrt(s.radius * s.radius - across * across);
            const double centre = horizontal ? s.centre.x : s.centre.y;
            add(centre - half);
            add(centre + half);
        } else if (horizontal ? s.y1 <= level && level <= s.y2 : s.x1 <= level && level <= s.x2) {
            add(horizontal ? s.x1 : s.y1);
            add(horizontal ? s.x2 : s.y2);
        }
    }
    std::vector<double> distinct = distinctCuts(std::move(cuts));
    distinct.push_back(length);
    return distinct;
}

// The stretches of one side of a rectangle that carry panels: a conductor's side where no
// other conductor covers it; a block's side where it separates two different media, no
// conductor covers it, and no earlier block lists it already.
void addSideStretches(Point a, Point b, int shape, Boundary& boundary)
{
    const Shape& own = boundary.shapes[static_cast<std::size_t>(shape)];
    const double length = distance(a, b);
    const Point unit{(b.x - a.x) / length, (b.y - a.y) / length};
    const Point normal{unit.y, -unit.x};
    const std::vector<double> cuts = sideCuts(a, b, shape, boundary);
    for (std::size_t k = 1; k < cuts.size(); ++k) {
        Stretch s;
        s.a = {a.x + cuts[k - 1] * unit.x, a.y + cuts[k - 1] * unit.y};
        s.b = k == cuts.size() - 1 ? b : Point{a.x + cuts[k] * unit.x, a.y + cuts[k] * unit.y};
        s.shape = shape;
        const Point middle{0.5 * (s.a.x + s.b.x), 0.5 * (s.a.y + s.b.y)};
        if (insideConductor(middle, boundary.shapes, own.conductor)) continue;
        const int outside = blockBeside(boundary.blocks, middle, normal);
        s.erOutside = complexPermittivity(boundary.blocks, outside);
        if (own.conductor >= 0) {
            s.object = own.conductor;
            s.conductor = own.conductor;
        } else {
            if (outside >= 0 && outside < own.block) continue;
            s.object = -1 - own.block;
            s.erInside = complexPermittivity(boundary.blocks, own.block);
            if (s.erInside.re == s.erOutside.re && s.erInside.im == s.erOutside.im) continue;
        }
        boundary.stretches.push_back(s);
    }
}

void addStraightPanels(const Stretch& s, const Boundary& boundary, std::vector<Panel>& panels)
{
    const double length = distance(s.a, s.b);
    const Point unit{(s.b.x - s.a.x) / length, (s.b.y - s.a.y) / length};
    auto pointAt = [&](double t) { return Point{s.a.x + t * unit.x, s.a.y + t * unit.y}; };
    Facing facing;
    if (s.conductor >= 0) facing = {true, s.a, s.b, s.shape};
    const double scale =
        std::min(length, closestApartOther(false, s.a, s.b, {}, 0.0, s.shape, s.object, facing, boundary));
    Sizing size = sizing(scale, length / boundary.panelsPerSide, boundary);
    size.startFloor = endFloor(s.a, length, scale, s.shape, s.object, boundary);
    size.endFloor = endFloor(s.b, length, scale, s.shape, s.object, boundary);
    const std::vector<double> cuts = gradedCuts(
        length, [&](double t) { return size.at(t, length, nearestOther(pointAt(t), s.object, facing, boundary)); });
    for (std::size_t k = 1; k < cuts.size(); ++k) {
        Panel p;
        p.a = pointAt(cuts[k - 1]);
        p.b = k == cuts.size() - 1 ? s.b : pointAt(cuts[k]);
        p.conductor = s.conductor;
        p.erOutside = s.erOutside;
        p.erInside = s.erInside;
        panels.push_back(p);
    }
}

// Angles in [0, 2 pi) at which the edges of the rectangles cross or touch the circle.
std::vector<double> circleCuts(const Shape& circle, const Boundary& boundary)
{
    std::vector<Cut> cuts;
    const double r = circle.radius;
    for (std::size_t k = 0; k < boundary.shapes.size(); ++k) {
        const Shape& s = boundary.shapes[k];
        if (s.circle) continue;
        const double touchAngle = boundary.touch(circle.conductor, static_cast<int>(k)) / r;
        auto addOnLine = [&](bool vertical, double level, double lo, double hi) {
            const double across = level - (vertical ? circle.centre.x : circle.centre.y);
            if (std::fabs(across) > r) return;
            const double half = std::sqrt(r * r - across * across);
            for (const double along : {-half, half}) {
                const double at = along + (vertical ? circle.centre.y : circle.centre.x);
                if (at < lo || at > hi) continue;
                const double angle = vertical ? std::atan2(along, across) : std::atan2(across, along);
                cuts.push_back({angle < 0.0 ? angle + 2.0 * Pi : angle, touchAngle});
            }
        };
        addOnLine(true, s.x1, s.y1, s.y2);
        addOnLine(true, s.x2, s.y1, s.y2);
        addOnLine(false, s.y1, s.x1, s.x2);
        addOnLine(false, s.y2, s.x1, s.x2);
    }
    double widest = 0.0;
    for (const Cut& c : cuts) widest = std::max(widest, c.touch);
    std::vector<double> angles = distinctCuts(std::move(cuts));
    if (angles.size() > 1 && angles.front() + 2.0 * Pi - angles.back() <= widest) angles.pop_back();
    return angles;
}

// A circle's panels: chords between nodes graded along each arc between cut angles, or around
// the whole circle.
void addCirclePanels(const Shape& circle, const Boundary& boundary, std::vector<Panel>& panels)
{
    const double r = circle.radius;
    const Point c = circle.centre;
    std::vector<double> ends = circleCuts(circle, boundary);
    const bool closed = ends.empty();
    if (closed) ends.push_back(0.0);
    ends.push_back(ends.front() + 2.0 * Pi);

    auto onCircle = [&](double angle, double radius) {
        return Point{c.x + radius * std::cos(angle), c.y + radius * std::sin(angle)};
    };
    const double closest = closestApartOther(true, {}, {}, c, r, circle.conductor, circle.conductor, {}, boundary);
    for (std::size_t k = 1; k < ends.size(); ++k) {
        const double start = ends[k - 1];
        const double length = r * (ends[k] - start);
        const double scale = std::min(length, closest);
        Sizing size = sizing(scale, 0.5 * Pi * r / boundary.panelsPerSide, boundary);
        if (!closed) {
            size.startFloor = endFloor(onCircle(start, r), length, scale, circle.conductor, circle.conductor, boundary);
            size.endFloor = endFloor(onCircle(ends[k], r), length, scale, circle.conductor, circle.conductor, boundary);
        }
        const Point middle = onCircle(0.5 * (start + ends[k]), r);
        // An arc between cuts may lie inside a conductor it touches; a whole circle cannot,
        // though its middle may be where another conductor touches it.
        if (!closed && insideConductor(middle, boundary.shapes, circle.conductor)) continue;
        const Complex er = complexPermittivity(boundary.blocks, blockContaining(boundary.blocks, middle));

        const std::vector<double> cuts = gradedCuts(length, [&](double t) {
            return size.at(t, length, nearestOther(onCircle(start + t / r, r), circle.conductor, {}, boundary));
        });
        for (std::size_t m = 1; m < cuts.size(); ++m) {
            const double from = start + cuts[m - 1] / r;
            const double to = m == cuts.size() - 1 ? ends[k] : start + cuts[m] / r;
            // A chord with the area of its sector, so that the polygon keeps the circle's
            // capacitance; counter-clockwise, with the outside on the right.
            const double chordRadius = r * std::sqrt((to - from) / std::sin(to - from));
            Panel p;
            p.a = onCircle(from, chordRadius);
            p.b = onCircle(to, chordRadius);
            p.conductor = circle.conductor;
            p.erOutside = er;
            panels.push_back(p);
        }
    }
}

// The shapes of the structure with the stretches of their outlines that carry panels, and
// the obstacles that panels are refined near.
Boundary outlineOf(const std::vector<Conductor>& conductors, const std::vector<DielectricBlock>& blocks,
                   int panelsPerSide)
{
    Boundary boundary{blocks, panelsPerSide, shapesOf(conductors, blocks), {}, {}};
    if (!std::isfinite(extentOf(boundary.shapes)))
        throw structureError("the capacitance panels cannot be cut: the structure is too large for the numbers");
    for (std::size_t index = 0; index < boundary.shapes.size(); ++index) {
        const Shape& s = boundary.shapes[index];
        Obstacle o;
        o.shape = static_cast<int>(index);
        o.object = s.conductor;
        if (s.circle) {
            o.circle = true;
            o.centre = s.centre;
            o.radius = s.radius;
            boundary.obstacles.push_back(o);
            continue;
        }
        const std::vector<Point> c = corners(s);
        for (std::size_t k = 0; k < 4; ++k) {
            addSideStretches(c[k], c[(k + 1) % 4], static_cast<int>(index), boundary);
            o.a = c[k];
            o.b = c[(k + 1) % 4];
            if (s.conductor >= 0) boundary.obstacles.push_back(o);
        }
    }
    // A block is near only where it is an interface.
    for (const Stretch& s : boundary.stretches) {
        if (s.conductor >= 0) continue;
        Obstacle o;
        o.shape = s.shape;
        o.object = s.object;
        o.a = s.a;
        o.b = s.b;
        boundary.obstacles.push_back(o);
    }
    return boundary;
}

// The integral of 1 / size over a stretch of `length` without neighbours: panels of at most
// `largest`, growing by `growth` per unit length from `floor` at each end (none when floor is
// infinite). The floors of gradedCuts are at most this one and its neighbours only shrink
// panels, so the panels it cuts are at least this many.
double panelsWithoutNeighbours(double length, double largest, double floor, double growth)
{
    if (!(floor < largest)) return length / largest;
    const double ramp = (largest - floor) / growth;
    if (2.0 * ramp <= length) return 2.0 * std::log(largest / floor) / growth + (length - 2.0 * ramp) / largest;
    return 2.0 * std::log((floor + 0.5 * growth * length) / floor) / growth;
}

}  // namespace

void checkContactsForCapacitance(const std::vector<Conductor>& conductors, bool partial)
{
    for (std::size_t a = 0; a < conductors.size(); ++a) {
        for (std::size_t b = a + 1; b < conductors.size(); ++b) {
            const Conductor& first = conductors[a];
            const Conductor& second = conductors[b];
            // A loop report ties every ground to one node at 0 V.
            if (!partial && !isSignalConductor(first) && !isSignalConductor(second)) continue;
            if (conductorGap(first, second) <= contactTolerance(first, second))
                throw structureError(conductorName(static_cast<int>(a), first) + " touches " +
                                     conductorName(static_cast<int>(b), second) +
                                     ": conductors in contact at different potentials have no finite capacitance");
        }
    }
}

double estimatedPanelCount(const std::vector<Conductor>& conductors, const std::vector<DielectricBlock>& blocks,
                           int panelsPerSide)
{
    const Boundary boundary = outlineOf(conductors, blocks, panelsPerSide);
    const double n = panelsPerSide;
    const double growth = growthOf(panelsPerSide);
    // The largest floor an end of a stretch of `length` can have (see endFloor).
    auto largestFloor = [&](double length) { return CornerFloorFraction * length / std::max(2, panelsPerSide); };
    double count = 0.0;
    for (const Stretch& s : boundary.stretches) {
        const double length = distance(s.a, s.b);
        count += std::ceil(panelsWithoutNeighbours(length, length / n, largestFloor(length), growth));
    }
    for (const Shape& s : boundary.shapes) {
        if (!s.circle) continue;
        const double largest = 0.5 * Pi * s.radius / n;
        std::vector<double> ends = circleCuts(s, boundary);
        if (ends.empty()) {
            count += std::ceil(2.0 * Pi * s.radius / largest);
            continue;
        }
        ends.push_back(ends.front() + 2.0 * Pi);
        for (std::size_t k = 1; k < ends.size(); ++k) {
            const double length = s.radius * (ends[k] - ends[k - 1]);
            count += std::ceil(panelsWithoutNeighbours(length, largest, largestFloor(length), growth));
        }
    }
    return count;
}

std::vector<Panel> buildPanels(const std::vector<Conductor>& conductors, const std::vector<DielectricBlock>& blocks,
                               int panelsPerSide)
{
    const Boundary boundary = outlineOf(conductors, blocks, panelsPerSide);
    std::vector<Panel> panels;
    for (const Stretch& s : boundary.stretches) addStraightPanels(s, boundary, panels);
    for (const Shape& s : boundary.shapes)
        if (s.circle) addCirclePanels(s, boundary, panels);
    return panels;
}

}  // namespace xsrl
