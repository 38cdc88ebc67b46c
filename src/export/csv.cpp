#include "export/exports.h"
#include "xsrl/export.h"

namespace xsrl {

namespace {

struct Quantity {
    const char* symbol;
    const char* unit;
    RealMatrix FrequencyPoint::*values;
};

const Quantity kInductive[] = {{"R", "ohm", &FrequencyPoint::r}, {"L", "H", &FrequencyPoint::l}};
const Quantity kCapacitive[] = {{"C", "F", &FrequencyPoint::c}, {"G", "S", &FrequencyPoint::g}};

template <class Visit>
void forEachQuantity(const SweepResult& result, Visit visit)
{
    for (const Quantity& quantity : kInductive) visit(quantity);
    if (result.hasCapacitance())
        for (const Quantity& quantity : kCapacitive) visit(quantity);
}

}  // namespace

void writeCsv(const std::string& path, const SweepResult& result)
{
    OutputFile file(path, path, Writing::Whole);
    const int n = static_cast<int>(result.ports.size());
    file.print("f_Hz");
    forEachQuantity(result, [&](const Quantity& quantity) {
        for (int i = 1; i <= n; ++i)
            for (int j = 1; j <= n; ++j) file.print(",%s_%d_%d_%s_per_m", quantity.symbol, i, j, quantity.unit);
    });
    file.print("\n");
    for (const FrequencyPoint& point : result.points) {
        file.print("%.17g", point.frequency);
        forEachQuantity(result, [&](const Quantity& quantity) {
            const RealMatrix& values = point.*quantity.values;
            for (int i = 0; i < n; ++i)
                for (int j = 0; j < n; ++j) file.print(",%.17g", withoutNegativeZero(values[i][j]));
        });
        file.print("\n");
    }
    file.close();
}

}  // namespace xsrl
