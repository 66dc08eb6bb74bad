// TMemBasedLearner::ApplyModel and the four local models that turn the targets of the nearest
// model rows into an estimate.
#include <algorithm>
#include <cmath>
#include <limits>

#include "ozm/membl.hpp"
#include "ozm/math2/regression.hpp"
#include "ozm/vector.hpp"

namespace ozm {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

}  // namespace

double TMemBasedLearner::EstimateTarget(int Col, int Count, double DistSd,
                                        const TDoubleArray& Sensor) {
    const TDataTable& t = *FModelData;
    const int32_t* rows = FNbRows.data();
    const double* dist = FNbDist.data();
    auto target = [&](int i) { return t.GetElem(Col, rows[i]); };
    auto plain_mean = [&] {
        double sum = 0.0;
        for (int i = 0; i < Count; ++i) sum += target(i);
        return sum / Count;
    };

    switch (FLocModel) {
        case TMBLLocalModel::mblLMAverage:
            return plain_mean();

        case TMBLLocalModel::mblLMWgtGauss: {
            // exp(-(d/s)^2) relative to the nearest neighbour's weight: the common factor
            // cancels in the ratio, and the nearest weight 1 keeps the sum away from 0 even for
            // an object far from every model row.
            if (!(DistSd > 0.0) || !std::isfinite(DistSd)) return plain_mean();
            const double d0 = dist[0];
            const double inv_var = 1.0 / (DistSd * DistSd);
            double sw = 0.0, swy = 0.0;
            for (int i = 0; i < Count; ++i) {
                const double w = std::exp(-(dist[i] - d0) * (dist[i] + d0) * inv_var);
                sw += w;
                swy += w * target(i);
            }
            return swy / sw;
        }

        case TMBLLocalModel::mblLMMajority: {
            RefreshStatistics();
            const double var = FMeanVarRange.GetVal(Col, 2);
            const double sigma = std::sqrt(std::max(var, 0.0));
            if (sigma == 0.0) return t.GetElem(Col, 1);
            int best = 0, best_count = -1;
            for (int i = 0; i < Count; ++i) {
                const double yi = target(i);
                int n = 0;
                for (int m = 0; m < Count; ++m) n += std::fabs(yi - target(m)) < sigma;
                if (n > best_count) {
                    best_count = n;
                    best = i;
                }
            }
            return target(best);
        }

        case TMBLLocalModel::mblLMRegress: {
            const int p = static_cast<int>(FIndepCols.size());
            TMatrix x;
            TVector y;
            x.Resize(p, Count);
            y.SetVecSize(Count);
            for (int i = 0; i < Count; ++i) {
                for (int j = 0; j < p; ++j) x.Data()[static_cast<size_t>(j) * Count + i] =
                    t.GetElem(FIndepCols[static_cast<size_t>(j)], rows[i]);
                y.SetVal(i + 1, target(i));
            }
            math2::TLinRegResult fit;
            if (math2::MultiLinReg(x, y, fit)) {
                double estimate = fit.Coeffs[0];
                for (int j = 0; j < p; ++j)
                    estimate += fit.Coeffs[static_cast<size_t>(j) + 1] *
                                Sensor[static_cast<size_t>(FIndepCols[static_cast<size_t>(j)] - 1)];
                if (std::isfinite(estimate)) return estimate;
            }
            // The regression failed: the neighbours' mean is the defined fallback.
            return plain_mean();
        }
    }
    return plain_mean();
}

int TMemBasedLearner::ApplyModel(TDoubleArray& Sensor, int ExcludeObj, int Tag) {
    const int cols = FModelData->NrOfColumns();
    const int rows = FModelData->NrOfRows();
    if (Sensor.size() != static_cast<size_t>(cols)) {
        std::fill(Sensor.begin(), Sensor.end(), 0.0);
        return membl::kApplyBadSensor;
    }
    RefreshSearchData();
    PrepareQuery(Sensor.data());
    const double dist_sd = SearchNeighbours(ExcludeObj);

    int result = membl::kApplyOk;
    if (FNumNearestNb >= rows) {
        std::fill(Sensor.begin(), Sensor.end(), 0.0);
        result = membl::kApplyTooFewObjects;
    } else {
        int found = 0;
        while (found < FNumNearestNb && FNbRows[static_cast<size_t>(found)] != 0) ++found;
        if (found == 0) result = membl::kApplyNoNeighbour;
        for (int c = 1; c <= cols; ++c) {
            if (FModelData->GetColAttrib(c) != 2) continue;
            Sensor[static_cast<size_t>(c - 1)] =
                found == 0 ? kNaN : EstimateTarget(c, found, dist_sd, Sensor);
        }
    }
    if (OnModelApplied) OnModelApplied(this, Tag, FNbRows, FNbDist, result);
    return result;
}

}  // namespace ozm
