// Cross-sections built in code for the electrostatic tests, in metres.
#pragma once

#include <vector>

#include "electrostatics/capacitance.h"
#include "electrostatics/panels.h"
#include "model/structure.h"

namespace xsrl {

constexpr double Epsilon0 = 8.8541878128e-12;
constexpr double LightSpeed = 299792458.0;

struct Structure {
    std::vector<Conductor> conductors;  // in deck order
    std::vector<DielectricBlock> dielectrics;

    // A rectangle (`shape` ConductorShape::Plate or ConductorShape::Line); v = 0 makes it a ground.
    Structure& rectangle(double x1, double y1, double x2, double y2, double v = 1.0,
                         ConductorShape shape = ConductorShape::Line)
    {
        Conductor& c = add(shape, v);
        c.x1 = x1, c.y1 = y1, c.x2 = x2, c.y2 = y2;
        return *this;
    }

    Structure& circle(double xc, double yc, double rad, double v = 1.0)
    {
        Conductor& c = add(ConductorShape::Circle, v);
        c.xc = xc, c.yc = yc, c.rad = rad;
        return *this;
    }

    Structure& dielectric(double x1, double y1, double x2, double y2, double er, double tand = 0.0)
    {
        DielectricBlock b;
        b.x1 = x1, b.y1 = y1, b.x2 = x2, b.y2 = y2, b.er = er, b.tand = tand;
        dielectrics.push_back(b);
        return *this;
    }

    std::vector<Panel> panels(int panelsPerSide = RunSettings().capacitancePanels) const
    {
        return buildPanels(conductors, dielectrics, panelsPerSide);
    }

    // The complex Maxwell matrix, F/m, at the default discretization.
    ComplexMatrix maxwell() const { return maxwellCapacitance(panels(), static_cast<int>(conductors.size())); }

private:
    Conductor& add(ConductorShape shape, double v)
    {
        Conductor c;
        c.shape = shape;
        c.v = v;
        conductors.push_back(c);
        return conductors.back();
    }
};

}  // namespace xsrl
