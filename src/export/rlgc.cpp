#include "export/rlgc.h"

#include <algorithm>
#include <cmath>

#include "export/exports.h"
#include "numerics/constants.h"
#include "numerics/matrix.h"

namespace xsrl {

namespace {

// Largest |entry| of a - b over the largest |entry| of b.
double relativeDeviation(const RealMatrix& model, const RealMatrix& data)
{
    double deviation = 0.0, size = 0.0;
    for (int i = 0; i < data.rows(); ++i) {
        for (int j = 0; j < data.cols(); ++j) {
            deviation = std::max(deviation, std::fabs(model[i][j] - data[i][j]));
            size = std::max(size, std::fabs(data[i][j]));
        }
    }
    return size > 0.0 ? deviation / size : deviation;
}

// Entry by entry: out = a + factor * b.
RealMatrix plusScaled(const RealMatrix& a, double factor, const RealMatrix& b)
{
    RealMatrix out = dmatrix(a.rows(), a.cols());
    for (int i = 0; i < a.rows(); ++i)
        for (int j = 0; j < a.cols(); ++j) out[i][j] = a[i][j] + factor * b[i][j];
    return out;
}

}  // namespace

RlgcModel fitRlgc(const SweepResult& result)
{
    if (!result.hasCapacitance()) throw missingCapacitance(ExportFormat::Rlgc);
    const int n = static_cast<int>(result.ports.size());
    const FrequencyPoint& lowest = result.points.front();
    const FrequencyPoint& highest = result.points.back();

    RlgcModel model{dmatrix(n, n), highest.c, lowest.r, dmatrix(n, n), dmatrix(n, n), dmatrix(n, n)};
    // Least squares of lines through the origin: slope = sum(x y) / sum(x x).
    double sumF = 0.0, sumFF = 0.0;
    for (const FrequencyPoint& point : result.points) {
        sumF += point.frequency;
        sumFF += point.frequency * point.frequency;
        const double root = std::sqrt(point.frequency);
        for (int i = 0; i < n; ++i) {
            for (int j = 0; j < n; ++j) {
                model.rs[i][j] += (point.r[i][j] - model.ro[i][j]) * root;
                model.gd[i][j] += point.g[i][j] * point.frequency;
            }
        }
    }
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) {
            model.rs[i][j] /= sumF;
            model.gd[i][j] /= sumFF;
        }
    }
    model.lo = plusScaled(highest.l, -1.0 / (TwoPi * std::sqrt(highest.frequency)), model.rs);

    for (const FrequencyPoint& point : result.points) {
        const double root = std::sqrt(point.frequency);
        model.worstResistanceError =
            std::max(model.worstResistanceError, relativeDeviation(plusScaled(model.ro, root, model.rs), point.r));
        model.worstInductanceError =
            std::max(model.worstInductanceError,
                     relativeDeviation(plusScaled(model.lo, 1.0 / (TwoPi * root), model.rs), point.l));
    }
    return model;
}

void writeRlgc(const std::string& path, const std::string& deckPath, const SweepResult& result)
{
    const RlgcModel model = fitRlgc(result);
    OutputFile file(path, path);
    const int n = static_cast<int>(result.ports.size());
    file.print("* RLGC model of the deck %s, per metre, for a W element\n", deckPath.c_str());
    for (std::size_t k = 0; k < result.ports.size(); ++k)
        file.print("* line %zu: %s\n", k + 1, portDescription(result.ports[k]).c_str());
    file.print("* fitted to %zu frequencies from %.6g to %.6g Hz:\n", result.points.size(),
               result.points.front().frequency, result.points.back().frequency);
    file.print("*   R(f) = Ro + Rs sqrt(f), Ro at the lowest frequency, Rs by least squares\n");
    file.print("*   L(f) = Lo + Rs / (2 pi sqrt(f)), Lo and Co at the highest frequency\n");
    file.print("*   G(f) = Go + Gd f, Go = 0, Gd by least squares\n");
    file.print("* worst relative error of the fit over the sweep: R %.3g, L %.3g\n", model.worstResistanceError,
               model.worstInductanceError);
    if (!result.lcCheckNote.empty()) file.print("* %s\n", result.lcCheckNote.c_str());
    file.print("* then: N, and the lower triangles of Lo, Co, Ro, Go, Rs, Gd row by row\n");
    file.print("%d\n", n);
    for (const RealMatrix* values : {&model.lo, &model.co, &model.ro, &model.go, &model.rs, &model.gd}) {
        for (int i = 0; i < n; ++i) {
            for (int j = 0; j <= i; ++j) file.print(j == 0 ? "%.17g" : " %.17g", (*values)[i][j]);
            file.print("\n");
        }
    }
    file.close();
}

}  // namespace xsrl
