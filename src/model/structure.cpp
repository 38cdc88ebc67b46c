#include "model/structure.h"

namespace xsrl {

const char* shapeWord(ConductorShape shape)
{
    if (shape == ConductorShape::Plate) return "plate";
    return shape == ConductorShape::Line ? "line" : "circle";
}

std::string conductorName(int index, const Conductor& conductor)
{
    return "conductor " + std::to_string(index + 1) + " (" + shapeWord(conductor.shape) + ")";
}

}  // namespace xsrl
