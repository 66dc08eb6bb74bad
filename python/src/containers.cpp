// TVector, TIntVector and TMatrix. Their cells are handed to numpy through the buffer protocol
// without copies (a matrix as a Fortran-ordered rows x columns array); the views are counted so
// that no routine replaces the storage under a live view.
#include <cstring>

#include "common.hpp"
#include "ozm/matrix.hpp"
#include "ozm/vector.hpp"

namespace ozmpy {

namespace {

using namespace ozm;

// --- buffer protocol (the machinery is in common.cpp) ----------------------------------------

template <typename TVec>
int VectorGetBuffer(PyObject* Obj, Py_buffer* View, int Flags) {
    TVec* v = CppObject<TVec>(Obj);
    if (v == nullptr) return -1;
    using Cell = typename TVec::TCellType;
    const Py_ssize_t shape[1] = {v->NrOfElem()};
    const Py_ssize_t strides[1] = {static_cast<Py_ssize_t>(sizeof(Cell))};
    return ExportCells(Obj, v, View, Flags, v->Cells().data(), sizeof(Cell),
                       std::is_same_v<Cell, double> ? "d" : "i", 1, shape, strides);
}

int MatrixGetBuffer(PyObject* Obj, Py_buffer* View, int Flags) {
    TMatrix* mat = CppObject<TMatrix>(Obj);
    if (mat == nullptr) return -1;
    const Py_ssize_t rows = mat->NrOfRows();
    const Py_ssize_t shape[2] = {rows, mat->NrOfColumns()};
    const Py_ssize_t strides[2] = {sizeof(double), static_cast<Py_ssize_t>(sizeof(double)) * rows};
    return ExportCells(Obj, mat, View, Flags, mat->Data(), sizeof(double), "d", 2, shape, strides);
}

// --- vectors -----------------------------------------------------------------------------------

template <typename TVec>
std::unique_ptr<TVec> VectorFromArray(
    const py::array_t<typename TVec::TCellType, py::array::forcecast>& A) {
    if (A.ndim() != 1) throw py::value_error("a vector is made from a one-dimensional array");
    if (A.shape(0) < 1) throw py::value_error("a vector holds at least one element");
    if (A.shape(0) > INT32_MAX) throw py::value_error("too many elements for a vector");
    auto v = std::make_unique<TVec>();
    v->Resize(static_cast<int>(A.shape(0)));
    auto r = A.template unchecked<1>();
    auto cells = v->Cells();
    for (py::ssize_t i = 0; i < A.shape(0); ++i) cells[static_cast<size_t>(i)] = r(i);
    v->CellsWritten();
    return v;
}

// What TVector and TIntVector share (TVectorCore), bound once per cell type.
template <typename TVec, typename Class>
void BindVectorCore(Class& cls, const char* Name) {
    using Cell = typename TVec::TCellType;
    const auto lo = py::arg("LowElem") = 0;
    const auto hi = py::arg("HighElem") = 0;
    cls.def(py::init([] { return std::make_unique<TVec>(); }))
        .def(py::init(&VectorFromArray<TVec>), py::arg("array"),
             "A vector holding a copy of the elements of a one-dimensional array.")
        // Lambdas where the member is a noexcept one of the unbound base TVectorCore, whose
        // pointer pybind11 cannot adapt to the bound class.
        .def_property_readonly("IsEmpty", [](const TVec& v) { return v.IsEmpty(); })
        .def("__len__", [](const TVec& v) { return v.NrOfElem(); })
        .def_property_readonly("Cells", &AsArray,
                               "The elements as a numpy array sharing the vector's storage.")
        .def("CellsWritten", &TVec::CellsWritten)
        .def("Resize",
             [Name](TVec& v, int NE) {
                 if (NE != v.NrOfElem() && NE > 0) RequireNoViews(&v, Name);
                 return v.Resize(NE);
             },
             py::arg("NE"))
        .def("GetVal", [](const TVec& v, int Elem) { return v.GetVal(Elem); }, py::arg("Elem"))
        .def("SetVal", &TVec::SetVal, py::arg("Elem"), py::arg("Value"))
        .def("CRCofData", &TVec::CRCofData)
        .def("Clear", &TVec::Clear)
        .def("Fill", &TVec::Fill, py::arg("value"))
        .def("Clone",
             [Name](TVec& v, const TVec& Src) {
                 if (Src.NrOfElem() != v.NrOfElem()) RequireNoViews(&v, Name);
                 v.Clone(&Src);
             },
             py::arg("VecSource"))
        .def("CopyToArray",
             [](const TVec& v, int LowElem, int HighElem) {
                 typename TVec::TCellArray out;
                 v.CopyToArray(out, LowElem, HighElem);
                 return py::array_t<Cell>(static_cast<py::ssize_t>(out.size()), out.data());
             },
             lo, hi)
        .def("Add", [](TVec& v, const TVec& o) { v.Add(&o); }, py::arg("OtherVec"))
        .def("Subtract", [](TVec& v, const TVec& o) { v.Subtract(&o); }, py::arg("OtherVec"))
        .def("SMult", &TVec::SMult, py::arg("scalar"))
        .def("AbsVal", &TVec::AbsVal)
        .def("DotProduct", [](const TVec& v, const TVec& o) { return v.DotProduct(&o); },
             py::arg("OtherVec"))
        .def("EuclideanDistance",
             [](const TVec& v, const TVec& o) { return v.EuclideanDistance(&o); },
             py::arg("OtherVec"))
        .def("CalcVecLeng", &TVec::CalcVecLeng)
        .def("Find", &TVec::Find, py::arg("LowElem"), py::arg("HighElem"), py::arg("value"))
        .def("FindInSortedVector", &TVec::FindInSortedVector, py::arg("Ascending"), py::arg("Value"))
        .def("SortElems",
             [](TVec& v, bool Ascending, int First, int Last) {
                 RunWithoutGIL([&] { v.SortElems(Ascending, First, Last); });
             },
             py::arg("Ascending"), py::arg("RangeFirst") = 0, py::arg("RangeLast") = 0)
        .def("Mirror", &TVec::Mirror)
        .def("MinMax",
             [](const TVec& v, int LowElem, int HighElem) {
                 Cell mn, mx;
                 int mnIx, mxIx;
                 v.MinMax(LowElem, HighElem, mn, mx, mnIx, mxIx);
                 return py::make_tuple(mn, mx, mnIx, mxIx);
             },
             lo, hi, "(Minimum, Maximum, MinIx, MaxIx) of the range.")
        .def("Sum", &TVec::Sum, lo, hi)
        .def("MeanVar",
             [](const TVec& v, int LowElem, int HighElem) {
                 double mean, var;
                 v.MeanVar(LowElem, HighElem, mean, var);
                 return py::make_tuple(mean, var);
             },
             lo, hi, "(Mean, Variance) of the range.")
        .def("GeometricMean", &TVec::GeometricMean, lo, hi)
        .def("HarmonicMean", &TVec::HarmonicMean, lo, hi)
        .def("Mode", &TVec::Mode, lo, hi)
        .def("Quartiles",
             [](const TVec& v, int LowElem, int HighElem) {
                 double q1, q2, q3;
                 v.Quartiles(LowElem, HighElem, q1, q2, q3);
                 return py::make_tuple(q1, q2, q3);
             },
             lo, hi, "(Q1, Q2, Q3) of the range.")
        .def("Percentile", &TVec::Percentile, py::arg("prob"), lo, hi)
        .def("SkewKurt",
             [](const TVec& v, int LowElem, int HighElem) {
                 double s, k;
                 v.SkewKurt(LowElem, HighElem, s, k);
                 return py::make_tuple(s, k);
             },
             lo, hi, "(Skewness, Kurtosis) of the range.")
        .def("SkewKurtSample",
             [](const TVec& v, int LowElem, int HighElem) {
                 double s, k;
                 v.SkewKurtSample(LowElem, HighElem, s, k);
                 return py::make_tuple(s, k);
             },
             lo, hi, "(Skewness, Kurtosis) corrected for sample size.")
        .def("PearsonCorrCoeff", [](const TVec& v, const TVec& o) { return v.PearsonCorrCoeff(&o); },
             py::arg("OtherVec"));
}

void BindVectors(py::module_& m) {
    py::class_<TVector, TOZMContainer> vec(m, "TVector", py::buffer_protocol(),
                                           "One-dimensional container of doubles, 1-based.");
    BindVectorCore<TVector>(vec, "TVector");
    vec.def_property(
           "NrOfElem", [](const TVector& v) { return v.NrOfElem(); },
           [](TVector& v, int NE) {
               if (NE > 0 && NE != v.NrOfElem()) RequireNoViews(&v, "TVector");
               v.SetVecSize(NE);
           })
        .def("FillRandomUniform", &TVector::FillRandomUniform, py::arg("RangeLow"), py::arg("RangeHigh"))
        .def("FillRandomGauss", &TVector::FillRandomGauss, py::arg("Mean"), py::arg("StdDev"))
        .def("SetVecLeng", &TVector::SetVecLeng, py::arg("x"))
        .def("MeanCenter", &TVector::MeanCenter)
        .def("Standardize",
             [](TVector& v) {
                 double mean, sd;
                 v.Standardize(mean, sd);
                 return py::make_tuple(mean, sd);
             },
             "Standardises in place; returns (mean, stddev).")
        .def("Histogram",
             [](const TVector& v, int FirstElem, int LastElem, double FirstBin, double LastBin,
                double BinWidth, TIntVector& Histo) {
                 RequireNoViews(&Histo, "TIntVector");  // resized to the number of bins
                 int under = 0, over = 0, maxCnt = 0;
                 const bool ok = v.Histogram(FirstElem, LastElem, FirstBin, LastBin, BinWidth,
                                             &Histo, under, over, maxCnt);
                 return py::make_tuple(ok, under, over, maxCnt);
             },
             py::arg("FirstElem"), py::arg("LastElem"), py::arg("FirstBin"), py::arg("LastBin"),
             py::arg("BinWidth"), py::arg("Histo"),
             "Fills Histo; returns (ok, Underflow, Overflow, MaxCnt).")
        .def("Correlate", [](const TVector& v, const TVector& o, int Shift) { return v.Correlate(&o, Shift); },
             py::arg("OtherVec"), py::arg("ElemShift"))
        .def("Integrate", &TVector::Integrate, py::arg("BoundLow"), py::arg("BoundHigh"),
             py::arg("Method"));
    InstallBuffer(vec, &VectorGetBuffer<TVector>);

    py::enum_<TIntegMethod>(m, "TIntegMethod")
        .value("imSimple", TIntegMethod::imSimple)
        .value("imTrapezoidal", TIntegMethod::imTrapezoidal)
        .value("imSimpson", TIntegMethod::imSimpson)
        .export_values();

    py::class_<TIntVector, TOZMContainer> ivec(m, "TIntVector", py::buffer_protocol(),
                                               "One-dimensional container of 32-bit integers.");
    BindVectorCore<TIntVector>(ivec, "TIntVector");
    ivec.def_property(
            "NrOfElem", [](const TIntVector& v) { return v.NrOfElem(); },
            [](TIntVector& v, int NE) {
                if (NE > 0 && NE != v.NrOfElem()) RequireNoViews(&v, "TIntVector");
                v.SetIntVecSize(NE);
            })
        .def("FindExact", &TIntVector::FindExact, py::arg("LowElem"), py::arg("HighElem"),
             py::arg("value"));
    InstallBuffer(ivec, &VectorGetBuffer<TIntVector>);
}

// --- matrix ------------------------------------------------------------------------------------

std::unique_ptr<TMatrix> MatrixFromArray(const py::array_t<double, py::array::forcecast>& A) {
    if (A.ndim() != 2) throw py::value_error("a matrix is made from a two-dimensional array");
    if (A.shape(0) > INT32_MAX || A.shape(1) > INT32_MAX)
        throw py::value_error("too many rows or columns for a matrix");
    const int rows = static_cast<int>(A.shape(0));
    const int cols = static_cast<int>(A.shape(1));
    auto mat = std::make_unique<TMatrix>();
    mat->Resize(cols, rows);
    // Row r, column c of the array is cell (c + 1, r + 1); a Fortran-ordered array copies in one go.
    double* cells = mat->Data();
    if ((A.flags() & py::array::f_style) && A.size() > 0) {
        std::memcpy(cells, A.data(), static_cast<size_t>(A.size()) * sizeof(double));
    } else {
        auto r = A.unchecked<2>();
        for (int c = 0; c < cols; ++c)
            for (int row = 0; row < rows; ++row)
                cells[static_cast<size_t>(c) * rows + row] = r(row, c);
    }
    return mat;
}

// Guard of a matrix whose storage a routine replaces (results of products, transposes, ...).
void Replaces(const TMatrix* Mat) {
    if (Mat != nullptr) RequireNoViews(Mat, "TMatrix");
}

void BindMatrix(py::module_& m) {
    py::enum_<TNormType>(m, "TNormType")
        .value("ntColwise", TNormType::ntColwise)
        .value("ntRowwise", TNormType::ntRowwise)
        .value("ntSpectral", TNormType::ntSpectral)
        .value("ntFrobenius", TNormType::ntFrobenius)
        .export_values();
    py::enum_<TDims>(m, "TDims")
        .value("dimColumns", TDims::dimColumns)
        .value("dimRows", TDims::dimRows)
        .export_values();
    py::enum_<TOrientation>(m, "TOrientation")
        .value("orPerRow", TOrientation::orPerRow)
        .value("orPerColumn", TOrientation::orPerColumn)
        .export_values();
    py::enum_<TEdgeOp>(m, "TEdgeOp")
        .value("eoMin", TEdgeOp::eoMin)
        .value("eoMax", TEdgeOp::eoMax)
        .value("eoSum", TEdgeOp::eoSum)
        .value("eoMean", TEdgeOp::eoMean)
        .export_values();
    py::enum_<TDistMode>(m, "TDistMode")
        .value("dmTanimoto", TDistMode::dmTanimoto)
        .value("dmCityBlock", TDistMode::dmCityBlock)
        .value("dmEuclidean", TDistMode::dmEuclidean)
        .value("dmSqrEuclidean", TDistMode::dmSqrEuclidean)
        .value("dmDice", TDistMode::dmDice)
        .value("dmByEvent", TDistMode::dmByEvent)
        .export_values();

    const auto lc = py::arg("LowCol") = 0;
    const auto lr = py::arg("LowRow") = 0;
    const auto hc = py::arg("HighCol") = 0;
    const auto hr = py::arg("HighRow") = 0;
    py::class_<TMatrix, TOZMContainer> mat(
        m, "TMatrix", py::buffer_protocol(),
        "Two-dimensional container of doubles; cells (column, row), both 1-based. As a numpy "
        "array (np.asarray(m) or m.Data) it is a Fortran-ordered rows x columns view.");
    mat.def(py::init([] { return std::make_unique<TMatrix>(); }))
        .def(py::init(&MatrixFromArray), py::arg("array"),
             "A matrix holding a copy of a two-dimensional array: array[r, c] is cell (c+1, r+1).")
        .def_property(
            "NrOfColumns", [](const TMatrix& t) { return t.NrOfColumns(); },
            [](TMatrix& t, int Nc) {
                if (std::max(Nc, 0) != t.NrOfColumns()) Replaces(&t);
                t.SetNCols(Nc);
            })
        .def_property(
            "NrOfRows", [](const TMatrix& t) { return t.NrOfRows(); },
            [](TMatrix& t, int Nr) {
                if (std::max(Nr, 0) != t.NrOfRows()) Replaces(&t);
                t.SetNRows(Nr);
            })
        .def_property("DataID", [](const TMatrix& t) { return t.DataID(); },
                      [](TMatrix& t, const std::string& ID) { t.SetDataID(ID); })
        .def_property_readonly("Data", &AsArray,
                               "The cells as a Fortran-ordered numpy array sharing the storage.")
        .def("Resize",
             [](TMatrix& t, int Nc, int Nr) {
                 if (std::max(Nc, 0) != t.NrOfColumns() || std::max(Nr, 0) != t.NrOfRows())
                     Replaces(&t);
                 return t.Resize(Nc, Nr);
             },
             py::arg("Nc"), py::arg("Nr"))
        // Lambdas for members that may live in a base template pybind11 does not see.
        .def("GetVal", [](const TMatrix& t, int Nc, int Nr) { return t.GetVal(Nc, Nr); },
             py::arg("Nc"), py::arg("Nr"))
        .def("SetVal", &TMatrix::SetVal, py::arg("Nc"), py::arg("Nr"), py::arg("Value"))
        .def("Fill", py::overload_cast<double>(&TMatrix::Fill), py::arg("value"))
        .def("FillDiag", &TMatrix::FillDiag, py::arg("value"))
        .def("FillRandomUniform", py::overload_cast<double, double>(&TMatrix::FillRandomUniform),
             py::arg("RangeLow"), py::arg("RangeHigh"))
        .def("FillRandomGauss", py::overload_cast<double, double>(&TMatrix::FillRandomGauss),
             py::arg("Mean"), py::arg("StdDev"))
        .def("Clone",
             [](TMatrix& t, const TMatrix& Src) {
                 Replaces(&t);
                 t.Clone(&Src);
             },
             py::arg("MatSource"))
        .def("SAdd", &TMatrix::SAdd, py::arg("Scalar"))
        .def("SMult", &TMatrix::SMult, py::arg("Scalar"))
        .def("Add", [](TMatrix& t, const TMatrix& b) { return t.Add(&b); }, py::arg("MatB"))
        .def("Subtract", [](TMatrix& t, const TMatrix& b) { return t.Subtract(&b); }, py::arg("MatB"))
        .def("Multiply",
             [](TMatrix& t, const TMatrix& b, TMatrix& res) {
                 Replaces(&res);
                 return RunWithoutGIL([&] { return t.Multiply(&b, &res); });
             },
             py::arg("MatB"), py::arg("MatRes"))
        .def("Multiply",
             [](TMatrix& t, const TVector& b, TVector& res) {
                 if (res.NrOfElem() != t.NrOfRows()) RequireNoViews(&res, "TVector");
                 return t.Multiply(&b, &res);
             },
             py::arg("VecB"), py::arg("VecRes"))
        .def("MultiplyTransposed",
             [](TMatrix& t, const TMatrix& b, TMatrix& res) {
                 Replaces(&res);
                 return RunWithoutGIL([&] { return t.MultiplyTransposed(&b, &res); });
             },
             py::arg("MatB"), py::arg("MatRes"))
        .def("TransposeAndMultiply",
             [](TMatrix& t, const TMatrix& b, TMatrix& res) {
                 Replaces(&res);
                 return RunWithoutGIL([&] { return t.TransposeAndMultiply(&b, &res); });
             },
             py::arg("MatB"), py::arg("MatRes"))
        .def("Transpose",
             [](TMatrix& t) {
                 Replaces(&t);
                 return RunWithoutGIL([&] { return t.Transpose(); });
             })
        .def("Square",
             [](TMatrix& t, TMatrix& res, double Norm, int NThreads) {
                 Replaces(&res);
                 return RunWithoutGIL([&] { return t.Square(&res, Norm, NThreads); });
             },
             py::arg("MatRes"), py::arg("Norm"), py::arg("NThreads") = 1)
        .def("Invert", [](TMatrix& t) { return RunWithoutGIL([&] { return t.Invert(); }); })
        .def("LUdecomposition",
             [](TMatrix& t, TMatrix& L, TMatrix& U) {
                 Replaces(&L);
                 Replaces(&U);
                 int perm = 1;
                 const bool ok = RunWithoutGIL([&] { return t.LUdecomposition(&L, &U, perm); });
                 return py::make_tuple(ok, perm);
             },
             py::arg("MatL"), py::arg("MatU"), "Returns (ok, NumPerm).")
        .def("Determinant", [](const TMatrix& t) { return RunWithoutGIL([&] { return t.Determinant(); }); })
        .def("Trace", &TMatrix::Trace)
        .def("Norm", [](const TMatrix& t, TNormType nt) { return RunWithoutGIL([&] { return t.Norm(nt); }); },
             py::arg("nt"))
        .def("Sum", &TMatrix::Sum, py::arg("LoC") = 0, py::arg("LoR") = 0, py::arg("HiC") = 0,
             py::arg("HiR") = 0)
        .def("CRCofData", &TMatrix::CRCofData)
        .def("MeanVar",
             [](const TMatrix& t, int LowCol, int LowRow, int HighCol, int HighRow) {
                 double mean, var;
                 t.MeanVar(LowCol, LowRow, HighCol, HighRow, mean, var);
                 return py::make_tuple(mean, var);
             },
             lc, lr, hc, hr, "(Mean, Variance) of the rectangle.")
        .def("MeanVec",
             [](const TMatrix& t, TDims Dim, TVector& Means) {
                 RequireNoViews(&Means, "TVector");
                 t.MeanVec(Dim, &Means);
             },
             py::arg("Dim"), py::arg("Means"))
        .def("Percentile",
             py::overload_cast<double, int, int, int, int>(&TMatrix::Percentile, py::const_),
             py::arg("prob"), lc, lr, hc, hr)
        .def("MinMax",
             [](const TMatrix& t, int LowCol, int LowRow, int HighCol, int HighRow) {
                 double mn, mx;
                 t.MinMax(LowCol, LowRow, HighCol, HighRow, mn, mx);
                 return py::make_tuple(mn, mx);
             },
             lc, lr, hc, hr, "(Minimum, Maximum) of the rectangle.")
        .def("Correlate", [](const TMatrix& t, const TMatrix& o) { return t.Correlate(&o); },
             py::arg("OtherMat"))
        .def("StandardizeColumns",
             [](TMatrix& t, TVector* Means, TVector* StdDevs) { t.StandardizeColumns(Means, StdDevs); },
             py::arg("Means") = nullptr, py::arg("StdDevs") = nullptr)
        .def("MeanCenterColumns",
             [](TMatrix& t, TVector* Means) {
                 if (Means != nullptr) RequireNoViews(Means, "TVector");
                 t.MeanCenterColumns(Means);
             },
             py::arg("Means") = nullptr)
        .def("SortRows",
             [](TMatrix& t, int SortColIx, bool Ascending, int LowCol, int LowRow, int HighCol,
                int HighRow) { t.SortRows(SortColIx, Ascending, LowCol, LowRow, HighCol, HighRow); },
             py::arg("SortColIx"), py::arg("Ascending"), lc, lr, hc, hr)
        .def("EdgeVector",
             [](const TMatrix& t, TOrientation Orient, TEdgeOp Op, TVector& Dest) {
                 RequireNoViews(&Dest, "TVector");
                 t.EdgeVector(Orient, Op, &Dest);
             },
             py::arg("Orient"), py::arg("EdgeOp"), py::arg("DestVec"))
        .def("DistanceOfObjects", &TMatrix::DistanceOfObjects, py::arg("Mode"), py::arg("obj1"),
             py::arg("obj2"))
        .def("CalcDistMat",
             [](const TMatrix& t, TDistMode Mode, TMatrix& DMat) {
                 return RunWithoutGIL([&] { return t.CalcDistMat(Mode, &DMat); });
             },
             py::arg("Mode"), py::arg("DMat"))
        .def("PercDone", [](TMatrix& t, int Percent) { t.PercDone(nullptr, Percent); },
             py::arg("Percent"))
        .def_property(
            "OnCalcDistance", [](const TMatrix& t) { return EventCallable(t.OnCalcDistance); },
            [](TMatrix& t, const py::object& Fn) {
                t.OnCalcDistance = MakeEvent<void(TObject*, int, int, double&)>(
                    Fn, [](const TPyCallable& h, TObject* s, int r1, int r2, double& d) {
                        d = h.Get()(SenderObject(s), r1, r2).cast<double>();
                    });
            },
            "Called as OnCalcDistance(sender, Row1, Row2) -> distance (mode dmByEvent).")
        .def_property(
            "OnPercentDone", [](const TMatrix& t) { return EventCallable(t.OnPercentDone); },
            [](TMatrix& t, const py::object& Fn) {
                t.OnPercentDone = MakeEvent<void(TObject*, int)>(
                    Fn, [](const TPyCallable& h, TObject* s, int p) { h.Get()(SenderObject(s), p); });
            },
            "Called as OnPercentDone(sender, PercentDone).");
    InstallBuffer(mat, &MatrixGetBuffer);
}

}  // namespace

void BindContainers(py::module_& m) {
    BindVectors(m);
    BindMatrix(m);
}

}  // namespace ozmpy
