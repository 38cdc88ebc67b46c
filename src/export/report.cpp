// The report files Zs and Cs: one block per frequency, appended as the sweep goes.
#include <cmath>

#include "xsrl/export.h"

namespace xsrl {

namespace {

// One frequency block: "<title> n x n matrix <pair names> at f=... Hz", then the pairs
// (first, second) times `scale`, row by row; true when every value written is finite.
bool writeMatrixBlock(OutputFile& report, const char* title, const char* names, double frequency,
                      const RealMatrix& first, const RealMatrix& second, double scale)
{
    const long size = first.rows();
    bool finite = true;
    report.print("\n%s %ld x %ld matrix %s at f=%10.4le Hz\n", title, size, size, names, frequency);
    for (int p = 0; p < size; ++p) {
        for (int q = 0; q < size; ++q) {
            const double a = first[p][q] * scale;
            const double b = second[p][q] * scale;
            finite = finite && std::isfinite(a) && std::isfinite(b);
            report.print("(%11.4le,%11.4le)  ", a, b);
        }
        report.print("\n");
    }
    report.flush();
    return finite;
}

}  // namespace

bool writeImpedanceBlock(OutputFile& report, const FrequencyPoint& point, double scale)
{
    return writeMatrixBlock(report, "Impedance", "(R,L)", point.frequency, point.r, point.l, scale);
}

bool writeCapacitanceBlock(OutputFile& report, const FrequencyPoint& point, double scale)
{
    return writeMatrixBlock(report, "Capacitance", "(C,G)", point.frequency, point.c, point.g, scale);
}

}  // namespace xsrl
