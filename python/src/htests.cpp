// The hypothesis tests of the unit statis, TRandGen and the seed of the shared generator.
// Samples are TVector objects or anything numpy turns into a one-dimensional array (copied into
// a TVector, so a routine that sorts or standardises its data in place leaves a numpy array as
// it was, while a TVector passed in changes as in the library). Contingency tables are integer
// numpy matrices indexed [row, column] like the library's tables.
#include <optional>

#include "common.hpp"
#include "ozm/base/bitfld.hpp"
#include "ozm/matrix.hpp"
#include "ozm/platform/random.hpp"
#include "ozm/statis/randgen.hpp"
#include "ozm/statis/tests.hpp"
#include "ozm/vector.hpp"

namespace ozmpy {

namespace {
using namespace ozm;
namespace st = ozm::statis;
using DoubleIn = py::array_t<double, py::array::forcecast>;
using IntIn = py::array_t<int32_t, py::array::forcecast>;

auto VectorArg(const py::object& Obj) { return ContainerArg<TVector>(Obj, "TVector"); }
auto IntVectorArg(const py::object& Obj) { return ContainerArg<TIntVector>(Obj, "TIntVector"); }
auto MatrixArg(const py::object& Obj) { return ContainerArg<TMatrix>(Obj, "TMatrix"); }

TInt2DArray ToTable(const IntIn& A) {
    if (A.ndim() != 2) throw py::value_error("a contingency table is a two-dimensional array");
    auto r = A.unchecked<2>();
    TInt2DArray t(static_cast<size_t>(A.shape(0)), TIntArray(static_cast<size_t>(A.shape(1))));
    for (py::ssize_t i = 0; i < A.shape(0); ++i)
        for (py::ssize_t j = 0; j < A.shape(1); ++j)
            t[static_cast<size_t>(i)][static_cast<size_t>(j)] = r(i, j);
    return t;
}

py::array_t<double> VectorCells(const TVector& V) {
    const auto cells = V.Cells();
    return py::array_t<double>(static_cast<py::ssize_t>(cells.size()), cells.data());
}

void BindContingency(py::module_& m) {
    m.def(
        "Chi2OfContTab",
        [](const IntIn& T) {
            double chi2 = 0, p = 0;
            const int code = st::Chi2OfContTab(ToTable(T), chi2, p);
            return py::make_tuple(code, chi2, p);
        },
        py::arg("ContTab"), "(code, Chi2, p) of a table with totals (last row and column).");
    m.def(
        "Chi2OfContTabYates",
        [](const IntIn& T) {
            double chi2 = 0, p = 0;
            const int code = st::Chi2OfContTabYates(ToTable(T), chi2, p);
            return py::make_tuple(code, chi2, p);
        },
        py::arg("ContTab"), "(code, Chi2, p) of a 2 x 2 table with totals (3 x 3).");
    m.def(
        "Prob2x2Contingency",
        [](const IntIn& T) {
            double p = 0;
            const int code = st::Prob2x2Contingency(ToTable(T), p);
            return py::make_tuple(code, p);
        },
        py::arg("ContTab"), "(code, p) of the bare 2 x 2 table.");
    m.def(
        "FisherExactTest",
        [](const IntIn& T) {
            double lo = 0, hi = 0, two = 0;
            const int code = st::FisherExactTest(ToTable(T), lo, hi, two);
            return py::make_tuple(code, lo, hi, two);
        },
        py::arg("ContTab"), "(code, pLow, pHigh, pTwoSided) of the bare 2 x 2 table.");
    m.def(
        "Lambda",
        [](const IntIn& T) {
            double cr = 0, rc = 0;
            const int code = st::Lambda(ToTable(T), cr, rc);
            return py::make_tuple(code, cr, rc);
        },
        py::arg("ContTab"), "(code, LambdaColFromRow, LambdaRowFromCol) of a table with totals.");
    m.def(
        "AdjustedRandIx", [](const IntIn& T) { return st::AdjustedRandIx(ToTable(T)); },
        py::arg("ContTab"), "Adjusted Rand index of a table with totals.");
    m.def(
        "PerformChi2DistComp",
        [](const IntIn& Observed, const IntIn& Expected) {
            double chi2 = 0, p = 0;
            int df = 0, n1 = 0, n2 = 0;
            const int code =
                st::PerformChi2DistComp(ToIntArray(Observed), ToIntArray(Expected), chi2, p, df, n1, n2);
            return py::make_tuple(code, chi2, p, df, n1, n2);
        },
        py::arg("Observed"), py::arg("Expected"), "(code, Chi2, p, df, n1, n2).");
}

void BindSampleTests(py::module_& m) {
    m.def(
        "DurbinWatson", [](const DoubleIn& r) { return st::DurbinWatson(ToDoubleArray(r)); },
        py::arg("residuals"));
    m.def("ExactRunsTest", &st::ExactRunsTest, py::arg("n1"), py::arg("n2"), py::arg("r"));
    m.def(
        "PercentileOfArray",
        [](const DoubleIn& Data, double prob, int LowIx, std::optional<int> HighIx) {
            auto d = ToDoubleArray(Data);
            double pctl = 0;
            const int hi = HighIx ? *HighIx : static_cast<int>(d.size()) - 1;
            const int code =
                RunWithoutGIL([&] { return st::PercentileOfArray(d, prob, LowIx, hi, pctl); });
            return py::make_tuple(code, pctl);
        },
        py::arg("Data"), py::arg("prob"), py::arg("LowIx") = 0, py::arg("HighIx") = py::none(),
        "(code, Pctl) over Data[LowIx..HighIx] (0-based; HighIx None is the last element). The "
        "array is copied, so it is not reordered.");
    m.def(
        "EstimateProbDensity",
        [](const py::object& Data, double XLow, double XHigh, double BandWidth, double Radius,
           int NumSteps, const py::object& Feedback) {
            auto data = VectorArg(Data);
            TVector density;
            int ixMin = 0, ixMax = 0;
            const auto feedback = MakeEvent<void(TObject*, double, double)>(
                Feedback, [](const TPyCallable& h, TObject* s, double pct, double count) {
                    h.Get()(SenderObject(s), pct, count);
                });
            RunWithoutGIL([&] {
                st::EstimateProbDensity(*data, density, XLow, XHigh, BandWidth, Radius, NumSteps, ixMin,
                                        ixMax, feedback);
            });
            return py::make_tuple(VectorCells(density), ixMin, ixMax);
        },
        py::arg("Data"), py::arg("XLow"), py::arg("XHigh"), py::arg("BandWidth"), py::arg("Radius"),
        py::arg("NumSteps"), py::arg("Feedback") = py::none(),
        "(Density as an array of NumSteps + 1 values, IxMin, IxMax); IxMin and IxMax are 1-based. "
        "Feedback(sender, Percent, Count) is called during the estimate. A TVector Data is sorted.");
    m.def(
        "LoadPLSModelComment",
        [](const std::string& FileName) {
            std::string comment;
            const int code = st::LoadPLSModelComment(FileName, comment);
            return py::make_tuple(code, comment);
        },
        py::arg("FileName"), "(code, Comment).");

    // Outliers.
    m.def(
        "DeanDixonTest",
        [](const py::object& Data, st::TSignifLevelEx level) {
            auto d = VectorArg(Data);
            double q = 0;
            const int ix = st::DeanDixonTest(*d, level, q);
            return py::make_tuple(ix, q);
        },
        py::arg("Data"), py::arg("level"), "(index of the outlier or 0, Q).");
    m.def(
        "GrubbsTest",
        [](const py::object& Data, double alpha) {
            auto d = VectorArg(Data);
            double g = 0;
            const int ix = st::GrubbsTest(*d, alpha, g);
            return py::make_tuple(ix, g);
        },
        py::arg("Data"), py::arg("alpha"), "(index of the outlier or 0, G).");

    // Runs.
    m.def(
        "RunsTest",
        [](const py::array_t<bool, py::array::forcecast>& Bits) {
            if (Bits.ndim() != 1 || Bits.shape(0) < 1)
                throw py::value_error("the bits are a non-empty one-dimensional array");
            TBitFld field(static_cast<int>(Bits.shape(0)) - 1);
            auto r = Bits.unchecked<1>();
            for (py::ssize_t i = 0; i < Bits.shape(0); ++i) field.SetBit(static_cast<int>(i), r(i));
            double p = 0;
            const bool significant = st::RunsTest(field, p);
            return py::make_tuple(significant, p);
        },
        py::arg("Bits"), "(significant, p) of the sequence of booleans (bit 0 first).");
    m.def(
        "RunsTestSerial",
        [](const py::object& Data) {
            auto d = VectorArg(Data);
            double p = 0;
            const bool significant = st::RunsTestSerial(*d, p);
            return py::make_tuple(significant, p);
        },
        py::arg("Data"), "(significant, p) of the runs above and below the median.");

    // Normality.
    m.def(
        "PerformKSNormalityTest",
        [](const py::object& Data, bool IsSorted) {
            auto d = VectorArg(Data);
            return RunWithoutGIL([&] { return st::PerformKSNormalityTest(*d, IsSorted); });
        },
        py::arg("Data"), py::arg("IsSorted") = false,
        "D against the standard normal (a TVector is sorted).");
    m.def(
        "PerformLillieforsTest",
        [](const py::object& Data, bool IsSorted) {
            auto d = VectorArg(Data);
            return RunWithoutGIL([&] { return st::PerformLillieforsTest(*d, IsSorted); });
        },
        py::arg("Data"), py::arg("IsSorted") = false,
        "Lilliefors' D (a TVector is standardised and sorted).");
    m.def(
        "ShapiroWilkTest",
        [](const py::object& Data) {
            auto d = VectorArg(Data);
            double w = 0;
            const double p = RunWithoutGIL([&] { return st::ShapiroWilkTest(*d, w); });
            return py::make_tuple(p, w);
        },
        py::arg("Data"), "(p or a negative code, W).");

    // Two samples and groups.
    m.def(
        "Perform2SampleTTest",
        [](const py::object& Data1, const py::object& Data2, bool EqualVariances) {
            auto a = VectorArg(Data1);
            auto b = VectorArg(Data2);
            double t = 0, df = 0;
            const double p = st::Perform2SampleTTest(*a, *b, EqualVariances, t, df);
            return py::make_tuple(p, t, df);
        },
        py::arg("Data1"), py::arg("Data2"), py::arg("EqualVariances"), "(p or a negative code, t, df).");
    m.def(
        "PerformMannWhitneyUTest",
        [](const py::object& Data1, const py::object& Data2) {
            auto a = VectorArg(Data1);
            auto b = VectorArg(Data2);
            double u = 0, z = 0;
            const double p = RunWithoutGIL([&] { return st::PerformMannWhitneyUTest(*a, *b, u, z); });
            return py::make_tuple(p, u, z);
        },
        py::arg("Data1"), py::arg("Data2"), "(p or a negative code, U, z).");
    m.def(
        "Anova1F",
        [](const py::object& Data, const py::object& Groups) {
            auto d = VectorArg(Data);
            auto g = IntVectorArg(Groups);
            double ssb = 0, ssw = 0, sst = 0, f = 0;
            int dfb = 0, dfw = 0, dft = 0;
            const double p = st::Anova1F(*d, *g, ssb, ssw, sst, dfb, dfw, dft, f);
            return py::make_tuple(p, ssb, ssw, sst, dfb, dfw, dft, f);
        },
        py::arg("Data"), py::arg("Groups"),
        "(p or a negative code, SSBetween, SSWithin, SSTotal, DFBetween, DFWithin, DFTotal, F).");
    m.def(
        "LeveneTest",
        [](const py::object& Data, const py::object& Groups) {
            auto d = VectorArg(Data);
            auto g = IntVectorArg(Groups);
            double f = 0;
            const double p = st::LeveneTest(*d, *g, f);
            return py::make_tuple(p, f);
        },
        py::arg("Data"), py::arg("Groups"), "(p or a negative code, F); mean-centred.");
    m.def(
        "MedianTest",
        [](const DoubleIn& Data1, const DoubleIn& Data2) {
            double chi2 = 0, p = 0, chi2y = 0, pYates = 0, pf = 0;
            const int code =
                st::MedianTest(ToDoubleArray(Data1), ToDoubleArray(Data2), chi2, p, chi2y, pYates, pf);
            return py::make_tuple(code, chi2, p, chi2y, pYates, pf);
        },
        py::arg("Data1"), py::arg("Data2"), "(code, Chi2, p, Chi2Yates, pYates, pFisher).");
    m.def(
        "FriedmanTest",
        [](const py::object& Data) {
            auto d = MatrixArg(Data);
            double chi2 = 0;
            const double p = RunWithoutGIL([&] { return st::FriedmanTest(*d, chi2); });
            return py::make_tuple(p, chi2);
        },
        py::arg("Data"),
        "(p or a negative code, Chi2); treatments are the columns, blocks the rows (a numpy "
        "matrix: one row per block).");
}

void BindRandGen(py::module_& m) {
    m.def("ErfApprox", py::vectorize([](double x) { return st::ErfApprox(x); }), py::arg("x"),
          "The error function by a Chebyshev fit (error below 1.2e-7).");
    m.def("GetRandSeed", &ozm::RandSeed, "The seed of the shared generator.");
    m.def("SetRandSeed", &ozm::SetRandSeed, py::arg("Seed"),
          "Seeds the shared generator (random fills, TRandGen, k-means, cross-validation).");
    m.def("Randomize", &ozm::Randomize, "Seeds the shared generator from the clock.");

    py::class_<TRandGen, TComponent>(m, "TRandGen",
                                     "Random numbers of a distribution given as a table of bins.")
        .def(py::init([] { return std::make_unique<TRandGen>(); }))
        .def_property("LowBorder", &TRandGen::LowBorder, &TRandGen::SetLowBorder)
        .def_property("HighBorder", &TRandGen::HighBorder, &TRandGen::SetHighBorder)
        .def_property("Resolution", &TRandGen::Resolution, &TRandGen::SetResolution)
        .def("GetProbability", &TRandGen::GetProbability, py::arg("Idx"))
        .def("SetProbability", &TRandGen::SetProbability, py::arg("Idx"), py::arg("Value"))
        .def("GetLambda", &TRandGen::GetLambda, py::arg("ix"))
        .def("IndexOfLambda", &TRandGen::IndexOfLambda, py::arg("Lambda"))
        .def(
            "Random",
            [](TRandGen& g, std::optional<py::ssize_t> Count) -> py::object {
                if (!Count) return py::float_(g.Random());
                if (*Count < 0) throw py::value_error("negative count");
                py::array_t<double> out(*Count);
                double* w = out.mutable_data();
                RunWithoutGIL([&] {
                    for (py::ssize_t i = 0; i < *Count; ++i) w[i] = g.Random();
                });
                return out;
            },
            py::arg("Count") = py::none(),
            "The next random number, or an array of Count numbers drawn one after the other.")
        .def("GetRandNum", &TRandGen::GetRandNum)
        .def("Normalize", &TRandGen::Normalize)
        .def("Standardize", &TRandGen::Standardize)
        .def("UniformDistri", &TRandGen::UniformDistri)
        .def("NormalDistri", &TRandGen::NormalDistri, py::arg("m"), py::arg("s"))
        .def("WeibullDistri", &TRandGen::WeibullDistri, py::arg("beta"), py::arg("eta"))
        .def("Chi2Distri", &TRandGen::Chi2Distri, py::arg("df"))
        .def("FDistri", &TRandGen::FDistri, py::arg("df1"), py::arg("df2"))
        .def("tDistri", &TRandGen::tDistri, py::arg("df"));
}
}  // namespace

void BindHypothesisTests(py::module_& m) {
    BindContingency(m);
    BindSampleTests(m);
    BindRandGen(m);
}

}  // namespace ozmpy
