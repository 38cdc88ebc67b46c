#include "model/structure.h"

#include <new>

#include "support/run_error.h"

namespace xsrl {

namespace {

template <class Record>
Record* appendRecord(std::deque<Record>& store, Record* last)
{
    try {
        store.emplace_back();
    } catch (const std::bad_alloc&) {
        throw RunError("Can't allocate!\n");
    }
    Record* record = &store.back();
    if (last) last->next = record;
    return record;
}

} // namespace

Conductor* newConductor(RecordPool& pool, Conductor* last) { return appendRecord(pool.conductors, last); }

Ribbon* newRibbon(RecordPool& pool, Ribbon* last) { return appendRecord(pool.ribbons, last); }

const char* shapeWord(ConductorShape shape)
{
    if (shape == ConductorShape::Plate) return "plate";
    return shape == ConductorShape::Line ? "line" : "circle";
}

void setConductorDefaults(Conductor& c)
{
    c.nx = 5;
    c.ny = 5;
    c.type = TypeTl;
    c.nr = 10;
    c.rx = 1.0;
    c.ry = 1.0;
    c.x1 = 0.0;
    c.y1 = 1.0;
    c.x2 = 0.0;
    c.y2 = 1.0;
    c.sigma = 5.8e7;
    c.v = 1.0;
    c.xc = 0.0;
    c.yc = 0.0;
}

std::string runFilePath(const RunSettings& settings, const std::string& name)
{
    return settings.folder.empty() ? name : settings.folder + "/" + name;
}

}  // namespace xsrl
