// Clustering and nearest neighbours of the unit math2, and the numerical pieces of the least
// squares, principal component and regression units that statistics.cpp does not bind: the SVD
// solver steps, ranks, ridge regression, partial least squares, vertex component analysis, the
// parabola fit and the parser of variable-name lists. Data matrices are TMatrix objects or numpy
// matrices (one row per object, one column per variable), which are copied into a TMatrix.
#include <algorithm>
#include <cmath>
#include <limits>

#include "common.hpp"
#include "ozm/math2/cluster.hpp"
#include "ozm/math2/knn.hpp"
#include "ozm/math2/lsq.hpp"
#include "ozm/math2/parabola.hpp"
#include "ozm/math2/pca.hpp"
#include "ozm/math2/regression.hpp"
#include "ozm/matrix.hpp"
#include "ozm/vector.hpp"

namespace ozmpy {

namespace {
using namespace ozm;
namespace m2 = ozm::math2;
using DoubleIn = py::array_t<double, py::array::forcecast>;

auto MatrixArg(const py::object& Obj) { return ContainerArg<TMatrix>(Obj, "TMatrix"); }
auto VectorArg(const py::object& Obj) { return ContainerArg<TVector>(Obj, "TVector"); }

py::array_t<double> VectorCells(const TVector& V) {
    const auto cells = V.Cells();
    return py::array_t<double>(static_cast<py::ssize_t>(cells.size()), cells.data());
}

m2::TClusterFeedback ClusterFeedback(const py::object& Fn) {
    return MakeEvent<void(TObject*, double, double)>(
        Fn, [](const TPyCallable& h, TObject* s, double pct, double stat) {
            h.Get()(SenderObject(s), pct, stat);
        });
}

m2::TCalcDistFunc DistanceEvent(const py::object& Fn) {
    return MakeEvent<void(TObject*, int, int, double&)>(
        Fn, [](const TPyCallable& h, TObject* s, int r1, int r2, double& d) {
            d = h.Get()(SenderObject(s), r1, r2).cast<double>();
        });
}

TObject* SenderArg(const py::object& Sender) {
    return Sender.is_none() ? nullptr : Sender.cast<TObject*>();
}

void BindClustering(py::module_& m) {
    py::enum_<m2::TClusterMethod>(m, "TClusterMethod")
        .value("cmSingleLink", m2::TClusterMethod::cmSingleLink)
        .value("cmCompleteLink", m2::TClusterMethod::cmCompleteLink)
        .value("cmWard", m2::TClusterMethod::cmWard)
        .value("cmAvgLink", m2::TClusterMethod::cmAvgLink)
        .value("cmFlexLink", m2::TClusterMethod::cmFlexLink)
        .value("cmUpgma", m2::TClusterMethod::cmUpgma)
        .export_values();
    m.attr("ClusterMethodID") = [] {
        py::list ids;
        for (const auto id : m2::ClusterMethodID) ids.append(py::str(id.data(), id.size()));
        return ids;
    }();

    m.def(
        "kMeansClustering",
        [](const py::object& DataMat, int k, int Seed) {
            auto data = MatrixArg(DataMat);
            auto centers = std::make_unique<TMatrix>();
            auto clustIx = std::make_unique<TIntVector>();
            auto clustSize = std::make_unique<TIntVector>();
            const double within = RunWithoutGIL([&] {
                return m2::kMeansClustering(*data, 0, 0, k, Seed, *centers, *clustIx, *clustSize);
            });
            return py::make_tuple(within, py::cast(std::move(centers)), py::cast(std::move(clustIx)),
                                  py::cast(std::move(clustSize)));
        },
        py::arg("DataMat"), py::arg("k"), py::arg("Seed") = 0,
        "(WithinSS, Centers, ClustIx, ClustSize): Centers a TMatrix of one row per cluster, "
        "ClustIx the 1-based cluster of every row, ClustSize the size of every cluster (both "
        "TIntVector). The library's two unused integers are left out.");
    m.def("kMeansEstimatedSteps", &m2::kMeansEstimatedSteps, py::arg("a"), py::arg("b"), py::arg("c"));
    m.def(
        "FindCenters",
        [](const py::object& DataMat, int k, int FirstRow, int LastRow) {
            auto data = MatrixArg(DataMat);
            auto centers = std::make_unique<TMatrix>();
            double within = 0;
            RunWithoutGIL([&] { m2::FindCenters(*data, FirstRow, LastRow, k, *centers, within); });
            return py::make_tuple(py::cast(std::move(centers)), within);
        },
        py::arg("DataMat"), py::arg("k"), py::arg("FirstRow") = 0, py::arg("LastRow") = 0,
        "(Centers, WithinSS) of the rows FirstRow..LastRow.");
    m.def(
        "MeanDistanceKNN",
        [](const py::object& DataMat, int k, int First, int Last) {
            auto data = MatrixArg(DataMat);
            TVector dist;
            const int rows = data->NrOfRows();
            if (rows < 1) return py::array_t<double>(0);
            dist.Resize(rows);
            RunWithoutGIL([&] { m2::MeanDistanceKNN(*data, k, First, Last, dist); });
            data->MakeValidRowRange(First, Last);
            const auto cells = dist.Cells();
            return py::array_t<double>(Last - First + 1, cells.data() + (First - 1));
        },
        py::arg("DataMat"), py::arg("k"), py::arg("First") = 0, py::arg("Last") = 0,
        "The mean distance of each row First..Last to its k nearest rows of the range, as an "
        "array whose element 0 belongs to row First.");
    m.def(
        "AgglomClustering",
        [](const py::object& DataMat, TDistMode Mode, m2::TClusterMethod Method, double FlexParam,
           const py::object& Feedback, const py::object& CalcDist, const py::object& Sender) {
            auto data = MatrixArg(DataMat);
            auto dendrogram = std::make_unique<TIntMatrix>();
            TVector mergeDist, positions;
            const auto feedback = ClusterFeedback(Feedback);
            const auto calcDist = DistanceEvent(CalcDist);
            TObject* sender = SenderArg(Sender);
            const int code = RunWithoutGIL([&] {
                return m2::AgglomClustering(sender, *data, Mode, Method, FlexParam, *dendrogram,
                                            mergeDist, positions, feedback, calcDist);
            });
            return py::make_tuple(code, py::cast(std::move(dendrogram)), VectorCells(mergeDist),
                                  VectorCells(positions));
        },
        py::arg("DataMat"), py::arg("Mode"), py::arg("Method"), py::arg("FlexParam") = 0.5,
        py::arg("Feedback") = py::none(), py::arg("CalcDist") = py::none(),
        py::arg("Sender") = py::none(),
        "(code, Dendrogram, MergeDist, Positions): Dendrogram a TIntMatrix of 3 columns and one row "
        "per merge (first identifier, second identifier, new identifier), MergeDist an array of "
        "the n - 1 merge distances, Positions of the 2n - 1 plotting positions. Feedback(sender, "
        "PercentDone, ProcStat) reports progress, CalcDist(sender, Row1, Row2) -> distance serves "
        "the mode dmByEvent.");

    py::enum_<m2::TKnnWMode>(m, "TKnnWMode")
        .value("kwmGauss", m2::TKnnWMode::kwmGauss)
        .value("kwmAverage", m2::TKnnWMode::kwmAverage)
        .value("kwmMedian", m2::TKnnWMode::kwmMedian)
        .value("kwmLinear", m2::TKnnWMode::kwmLinear)
        .value("kwmBiQuad", m2::TKnnWMode::kwmBiQuad)
        .export_values();
    m.def(
        "FindNearestNeighbors",
        [](int k, const py::object& DataMat, const py::object& Target, int FirstRow, int LastRow,
           const py::object& DistFunc) {
            auto data = MatrixArg(DataMat);
            auto target = VectorArg(Target);
            const int kk = std::min({k, 100, data->NrOfRows()});
            if (kk < 1) return py::make_tuple(py::array_t<int32_t>(0), py::array_t<double>(0));
            TMatrix list;
            list.Resize(2, kk);
            m2::TKnnDistFunc dist;
            if (!DistFunc.is_none()) {
                if (!PyCallable_Check(DistFunc.ptr()))
                    throw py::type_error("DistFunc must be callable or None");
                const TPyCallable fn(DistFunc);
                dist = [fn](int Row) {
                    py::gil_scoped_acquire gil;
                    return fn.Get()(Row).cast<double>();
                };
            }
            RunWithoutGIL(
                [&] { m2::FindNearestNeighbors(kk, *data, FirstRow, LastRow, *target, list, dist); });
            py::array_t<int32_t> rows(kk);
            py::array_t<double> dists(kk);
            auto r = rows.mutable_unchecked<1>();
            auto d = dists.mutable_unchecked<1>();
            for (int i = 0; i < kk; ++i) {
                r(i) = static_cast<int32_t>(list.GetVal(1, i + 1));
                d(i) = list.GetVal(2, i + 1);
            }
            return py::make_tuple(rows, dists);
        },
        py::arg("k"), py::arg("DataMat"), py::arg("Target"), py::arg("FirstRow") = 0,
        py::arg("LastRow") = 0, py::arg("DistFunc") = py::none(),
        "(Rows, Distances) of the min(k, 100, rows) nearest rows in ascending distance (row 0 and "
        "1.7e308 where fewer rows qualify). DistFunc(row) -> distance replaces the Euclidean one.");
    m.def(
        "EstimateByKNN",
        [](const py::object& DataMat, const py::object& Responses, int k, m2::TKnnWMode Mode,
           double Width, const py::object& Target) {
            auto data = MatrixArg(DataMat);
            auto responses = VectorArg(Responses);
            auto target = VectorArg(Target);
            double estimate = 0, meanDist = 0;
            RunWithoutGIL([&] {
                m2::EstimateByKNN(*data, *responses, k, Mode, Width, *target, estimate, meanDist);
            });
            return py::make_tuple(estimate, meanDist);
        },
        py::arg("DataMat"), py::arg("Responses"), py::arg("k"), py::arg("Mode"), py::arg("Width"),
        py::arg("Target"), "(Estimate, MeanDist).");
}

void BindSolvers(py::module_& m) {
    m.def(
        "DecomposeSVD",
        [](TMatrix& A, TMatrix& V, TVector& W) {
            RequireNoViews(&V, "TMatrix");
            RequireNoViews(&W, "TVector");
            return RunWithoutGIL([&] { return m2::DecomposeSVD(A, V, W); });
        },
        py::arg("A"), py::arg("V"), py::arg("W"), "A := U, V and W resized; singular values unsorted.");
    m.def(
        "BackSubstituteSVD",
        [](const TMatrix& U, const TMatrix& V, const TVector& W, const TVector& b, TVector& x,
           TVector* sd) {
            RequireNoViews(&x, "TVector");
            if (sd != nullptr) RequireNoViews(sd, "TVector");
            return m2::BackSubstituteSVD(U, V, W, b, x, sd);
        },
        py::arg("U"), py::arg("V"), py::arg("W"), py::arg("b"), py::arg("x"), py::arg("sd") = nullptr);
    m.def(
        "SingValEquSolve",
        [](const TMatrix& A, const TVector& b, TVector& x, TVector* sd, double RelTol) {
            RequireNoViews(&x, "TVector");
            if (sd != nullptr) RequireNoViews(sd, "TVector");
            int rank = 0;
            const bool ok =
                RunWithoutGIL([&] { return m2::SingValEquSolve(A, b, x, sd, RelTol, rank); });
            return py::make_tuple(ok, rank);
        },
        py::arg("A"), py::arg("b"), py::arg("x"), py::arg("sd") = nullptr, py::arg("RelTol") = 0.0,
        "Minimum-norm least squares solution into x; returns (ok, Rank).");
    m.def(
        "FitParabola",
        [](const DoubleIn& x, const DoubleIn& y) {
            const auto xs = ToDoubleArray(x);
            const auto ys = ToDoubleArray(y);
            double k0 = 0, k1 = 0, k2 = 0;
            const bool ok = m2::FitParabola(xs, ys, k0, k1, k2);
            return py::make_tuple(ok, k0, k1, k2);
        },
        py::arg("x"), py::arg("y"), "(ok, k0, k1, k2) of y = k0 + k1 x + k2 x^2.");
    m.def(
        "CalcRanks",
        [](const py::object& DataVec) {
            auto data = VectorArg(DataVec);
            TVector ranks;
            const double ties = m2::CalcRanks(*data, ranks);
            return py::make_tuple(ties, VectorCells(ranks));
        },
        py::arg("DataVec"), "(tie sum, ranks as an array).");
    m.def("CalcFishQ", &m2::CalcFishQ, py::arg("mean1"), py::arg("mean2"), py::arg("sd1"),
          py::arg("sd2"));
}

void BindRegression(py::module_& m) {
    m.attr("kRegRankTol") = m2::kRegRankTol;
    py::class_<m2::TRidgeResult>(m, "TRidgeResult")
        .def_property_readonly("Coeffs",
                               [](const m2::TRidgeResult& r) { return FromDoubleArray(r.Coeffs); })
        .def_property_readonly("StdCoeffs",
                               [](const m2::TRidgeResult& r) { return FromDoubleArray(r.StdCoeffs); })
        .def_property_readonly("Residuals",
                               [](const m2::TRidgeResult& r) { return FromDoubleArray(r.Residuals); })
        .def_readonly("RSS", &m2::TRidgeResult::RSS)
        .def_readonly("EffectiveDF", &m2::TRidgeResult::EffectiveDF);
    using Ridge = bool (*)(const TMatrix&, const TVector&, double, m2::TRidgeResult&);
    const std::pair<const char*, Ridge> ridges[] = {{"RidgeReg", &m2::RidgeReg},
                                                    {"RidgeRegStd", &m2::RidgeRegStd}};
    for (const auto& [name, fn] : ridges)
        m.def(
            name,
            [fn = fn](const py::object& X, const py::object& y, double Lambda) {
                auto xm = MatrixArg(X);
                auto yv = VectorArg(y);
                m2::TRidgeResult result;
                const bool ok = RunWithoutGIL([&] { return fn(*xm, *yv, Lambda, result); });
                return py::make_tuple(ok, result);
            },
            py::arg("X"), py::arg("y"), py::arg("Lambda"), "(ok, TRidgeResult).");
    m.def(
        "SimPLS",
        [](const py::object& X, const py::object& Y, int NumComp) {
            auto xm = MatrixArg(X);
            auto ym = MatrixArg(Y);
            auto w = std::make_unique<TMatrix>(), xl = std::make_unique<TMatrix>(),
                 yl = std::make_unique<TMatrix>();
            auto xs = std::make_unique<TMatrix>(), ys = std::make_unique<TMatrix>(),
                 b = std::make_unique<TMatrix>();
            auto icpt = std::make_unique<TVector>();
            int n = NumComp;
            const bool ok = RunWithoutGIL(
                [&] { return m2::SimPLS(*xm, *ym, n, *w, *xl, *yl, *xs, *ys, *b, *icpt); });
            return py::make_tuple(ok, n, py::cast(std::move(w)), py::cast(std::move(xl)),
                                  py::cast(std::move(yl)), py::cast(std::move(xs)),
                                  py::cast(std::move(ys)), py::cast(std::move(b)),
                                  py::cast(std::move(icpt)));
        },
        py::arg("X"), py::arg("Y"), py::arg("NumComp"),
        "(ok, NumComp, Weights, XLoadings, YLoadings, XScores, YScores, Coeffs, Intercepts), the "
        "matrices TMatrix objects and Intercepts a TVector.");
    m.def(
        "VertexCompAnalysis",
        [](const py::object& Data, int NumEndmembers, double SNR) {
            auto data = MatrixArg(Data);
            TIntArray indices;
            auto signatures = std::make_unique<TMatrix>();
            const bool ok = RunWithoutGIL(
                [&] { return m2::VertexCompAnalysis(*data, NumEndmembers, indices, *signatures, SNR); });
            py::array_t<int32_t> ix(static_cast<py::ssize_t>(indices.size()), indices.data());
            return py::make_tuple(ok, ix, py::cast(std::move(signatures)));
        },
        py::arg("Data"), py::arg("NumEndmembers"),
        py::arg("SNR") = std::numeric_limits<double>::quiet_NaN(),
        "(ok, Indices (1-based rows), Signatures); SNR NaN estimates it from the data.");
    m.def(
        "ExtractVarNames",
        [](const std::string& List, int NumVars) {
            TStrArray names;
            const int code = m2::ExtractVarNames(List, NumVars, names);
            return py::make_tuple(code, names);
        },
        py::arg("List"), py::arg("NumVars"), "(code, Names).");
}
}  // namespace

void BindCluster(py::module_& m) {
    BindClustering(m);
    BindSolvers(m);
    BindRegression(m);
}

}  // namespace ozmpy
