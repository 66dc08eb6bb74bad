// Checks shared by the two fuzz targets of the memory-based learner's model files.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "fuzz_support.hpp"
#include "ozm/frame.hpp"
#include "ozm/membl.hpp"

namespace ozm::fuzzing {

// Everything a model load may change, as text. Elements: the values as GetElem reads them (the
// binary file holds those: a nominal column's 0.75 comes back as 1), else the stored values.
inline std::string LearnerState(TMemBasedLearner& L, bool Elements = false) {
    const TDataTable& t = *L.ModelData();
    std::string s = L.Comment() + "|" + L.ModelName() + "|" + std::to_string(L.NumNearestNb()) +
                    "|" + std::to_string(static_cast<int>(L.DistMode())) +
                    std::to_string(static_cast<int>(L.ScalingMode())) +
                    std::to_string(static_cast<int>(L.LocalModel())) + "|" + t.Comment() + "|" +
                    std::to_string(t.NrOfColumns()) + "x" + std::to_string(t.NrOfRows()) + "|" +
                    t.CRCofNamesAndAttributes() + t.CRCofCellStates();
    const TMatrix& m = *t.NumericData();
    std::vector<double> cells(m.Data(), m.Data() + static_cast<size_t>(m.NrOfColumns()) *
                                                       static_cast<size_t>(m.NrOfRows()));
    if (Elements)
        for (int c = 1; c <= t.NrOfColumns(); ++c)
            for (int r = 1; r <= t.NrOfRows(); ++r)
                cells[static_cast<size_t>(c - 1) * static_cast<size_t>(t.NrOfRows()) +
                      static_cast<size_t>(r - 1)] = t.GetElem(c, r);
    s += CRCFingerprint(std::span<const double>(cells));
    return s;
}

// What a loaded model must allow: k in 1..100, one estimate (any result but the sensor error),
// the neighbour lists of a small model.
inline void ExerciseModel(TMemBasedLearner& L) {
    Require(L.NumNearestNb() >= 1 && L.NumNearestNb() <= membl::kMaxNeighbours,
            "k outside 1..100 after a load");
    const int cols = L.ModelData()->NrOfColumns();
    TDoubleArray sensor(static_cast<size_t>(cols), 0.5);
    Require(L.ApplyModel(sensor, 1, 0) != membl::kApplyBadSensor, "sensor of the right length refused");
    if (L.ModelData()->NrOfRows() <= 64) {
        L.CalcNNOfModelData();
        TInt2DArray tab;
        for (int c = 1; c <= cols && c <= 4; ++c) L.CalcContingencyTable(c, 3, tab);
    }
}

}  // namespace ozm::fuzzing
