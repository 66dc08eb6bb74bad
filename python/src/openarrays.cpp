// A sample of the open-array routines (namespace ozm::openarrays) on numpy arrays. The library's
// arrays own their storage, so arrays are copied in, except where a routine reads a span
// (MinMaxArray), which sees the numpy memory itself. Results keep the library's status codes:
// each routine returns (code, outputs...) as the tuple the C++ signature implies.
#include <span>

#include "common.hpp"
#include "ozm/openarrays.hpp"

namespace ozmpy {

namespace {
using namespace ozm;
namespace oa = ozm::openarrays;
using DoubleIn = py::array_t<double, py::array::forcecast>;

DoubleIn Contiguous1D(const DoubleIn& A) {
    if (A.ndim() != 1) throw py::value_error("a one-dimensional array is required");
    return A;
}
}  // namespace

void BindOpenArrays(py::module_& m) {
    m.def(
        "MinMaxArray",
        [](const py::array_t<double, py::array::c_style | py::array::forcecast>& A) {
            Contiguous1D(A);
            double mn = 0, mx = 0;
            const std::span<const double> cells(A.data(), static_cast<size_t>(A.shape(0)));
            const int code = RunWithoutGIL([&] { return oa::MinMaxArray(cells, mn, mx); });
            return py::make_tuple(code, mn, mx);
        },
        py::arg("A"), "(code, Min, Max) of a one-dimensional array, read in place.");
    m.def(
        "MeanVarArray",
        [](const DoubleIn& A) {
            double mean = 0, var = 0;
            int code;
            if (A.ndim() == 2) {
                const auto a = ToDouble2DArray(A, TOuter::Columns);
                code = oa::MeanVarArray(a, mean, var);
            } else {
                const auto a = ToDoubleArray(A);
                code = oa::MeanVarArray(a, mean, var);
            }
            return py::make_tuple(code, mean, var);
        },
        py::arg("A"), "(code, Mean, Var) of a one- or two-dimensional array.");
    m.def(
        "StdDevArray",
        [](const DoubleIn& A, int Lo1, int Hi1) {
            double sd = 0;
            const int code = oa::StdDevArray(ToDoubleArray(A), Lo1, Hi1, sd);
            return py::make_tuple(code, sd);
        },
        py::arg("A"), py::arg("Lo1"), py::arg("Hi1"), "(code, StdDev) of A[Lo1..Hi1].");
    m.def(
        "PercentileArray",
        [](double Prob, const DoubleIn& A) {
            auto a = ToDoubleArray(A);
            return oa::PercentileArray(Prob, a);
        },
        py::arg("Prob"), py::arg("A"),
        "The value of rank round(n Prob / 100) (no interpolation); A is not changed.");
    m.def(
        "FrequDistOfArray",
        [](const DoubleIn& A, int Lo, int Hi, double FirstBin, double LastBin, double BinWidth) {
            TIntArray dist;
            int below = 0, above = 0, maxCount = 0;
            const int code = oa::FrequDistOfArray(ToDoubleArray(A), Lo, Hi, FirstBin, LastBin,
                                                  BinWidth, dist, below, above, maxCount);
            py::array_t<int32_t> d(static_cast<py::ssize_t>(dist.size()), dist.data());
            return py::make_tuple(code, d, below, above, maxCount);
        },
        py::arg("A"), py::arg("Lo"), py::arg("Hi"), py::arg("FirstBin"), py::arg("LastBin"),
        py::arg("BinWidth"), "(code, Dist, Below, Above, MaxCount).");
    m.def(
        "CountValues",
        [](const DoubleIn& A, int Lo1, int Hi1, double RangeLow, double RangeHigh) {
            return oa::CountValues(ToDoubleArray(A), Lo1, Hi1, RangeLow, RangeHigh);
        },
        py::arg("A"), py::arg("Lo1"), py::arg("Hi1"), py::arg("RangeLow"), py::arg("RangeHigh"));
    m.def(
        "FindInSortedArray",
        [](double X, const DoubleIn& A, bool Ascending) {
            return oa::FindInSortedArray(X, ToDoubleArray(A), Ascending);
        },
        py::arg("X"), py::arg("A"), py::arg("Ascending"));
    m.def(
        "VectorDotProduct",
        [](const DoubleIn& A, const DoubleIn& B) {
            double dot = 0;
            const int code = oa::VectorDotProduct(ToDoubleArray(A), ToDoubleArray(B), dot);
            return py::make_tuple(code, dot);
        },
        py::arg("A"), py::arg("B"), "(code, Dot).");
    m.def(
        "MultiplyArrays",
        [](const DoubleIn& A, const DoubleIn& B) {
            const auto a = ToDouble2DArray(A, TOuter::Columns);
            const auto b = ToDouble2DArray(B, TOuter::Columns);
            TDouble2DArray c;
            const int code = RunWithoutGIL([&] { return oa::MultiplyArrays(a, b, c); });
            return py::make_tuple(code, code == 0 ? py::object(FromDouble2DArray(c, TOuter::Columns))
                                                  : py::object(py::none()));
        },
        py::arg("A"), py::arg("B"),
        "(code, C) with C = A @ B for numpy matrices (rows x columns); C is None on failure.");
    m.def(
        "InvertArray",
        [](const DoubleIn& A) {
            auto a = ToDouble2DArray(A, TOuter::Columns);
            const int code = RunWithoutGIL([&] { return oa::InvertArray(a); });
            return py::make_tuple(code, code == 0 ? py::object(FromDouble2DArray(a, TOuter::Columns))
                                                  : py::object(py::none()));
        },
        py::arg("A"),
        "(code, inverse) of a square numpy matrix; progress through ProcStat/MathFeedBackProc, "
        "stopped by AbortMathProc (code -3).");
    m.def(
        "CalcHatMatrix",
        [](const DoubleIn& X) {
            const auto x = ToDouble2DArray(X, TOuter::Columns);
            TDouble2DArray h;
            const int code = RunWithoutGIL([&] { return oa::CalcHatMatrix(x, h); });
            return py::make_tuple(code, code == 0 ? py::object(FromDouble2DArray(h, TOuter::Columns))
                                                  : py::object(py::none()));
        },
        py::arg("X"), "(code, H) with H = X (X'X)^-1 X'.");
}

}  // namespace ozmpy
