// TIntMatrix, dense and sparse. The dense cells are handed to numpy like TMatrix's: a
// Fortran-ordered int32 array of shape (rows, columns) sharing the storage. A sparse matrix has
// no cells to share; its entries are read as an (n, 3) array of (column, row, value).
#include <algorithm>
#include <cstring>

#include "common.hpp"
#include "ozm/matrix.hpp"
#include "ozm/vector.hpp"

namespace ozmpy {

namespace {

using namespace ozm;
using IntIn = py::array_t<int32_t, py::array::forcecast>;

int IntMatrixGetBuffer(PyObject* Obj, Py_buffer* View, int Flags) {
    TIntMatrix* mat = CppObject<TIntMatrix>(Obj);
    if (mat == nullptr) return -1;
    if (mat->IsSparse()) {
        PyErr_SetString(PyExc_BufferError,
                        "a sparse TIntMatrix has no dense cells to share; call SparseToArray first");
        return -1;
    }
    const Py_ssize_t rows = mat->NrOfRows();
    const Py_ssize_t item = sizeof(int32_t);
    const Py_ssize_t shape[2] = {rows, mat->NrOfColumns()};
    const Py_ssize_t strides[2] = {item, item * rows};
    return ExportCells(Obj, mat, View, Flags, mat->Data(), item, "i", 2, shape, strides);
}

// Guard of a matrix whose storage a routine replaces or releases.
void Replaces(const TIntMatrix* Mat) {
    if (Mat != nullptr) RequireNoViews(Mat, "TIntMatrix");
}

std::unique_ptr<TIntMatrix> IntMatrixFromArray(const IntIn& A) {
    if (A.ndim() != 2) throw py::value_error("a matrix is made from a two-dimensional array");
    if (A.shape(0) > INT32_MAX || A.shape(1) > INT32_MAX)
        throw py::value_error("too many rows or columns for a matrix");
    const int rows = static_cast<int>(A.shape(0));
    const int cols = static_cast<int>(A.shape(1));
    auto mat = std::make_unique<TIntMatrix>();
    mat->Resize(cols, rows);
    int32_t* cells = mat->Data();
    if ((A.flags() & py::array::f_style) && A.size() > 0) {
        std::memcpy(cells, A.data(), static_cast<size_t>(A.size()) * sizeof(int32_t));
    } else {
        auto r = A.unchecked<2>();
        for (int c = 0; c < cols; ++c)
            for (int row = 0; row < rows; ++row) cells[static_cast<size_t>(c) * rows + row] = r(row, c);
    }
    return mat;
}

py::array_t<int32_t> Entries(const TIntMatrix& t) {
    const auto entries = t.SparseEntries();
    py::array_t<int32_t> out({static_cast<py::ssize_t>(entries.size()), py::ssize_t{3}});
    auto w = out.mutable_unchecked<2>();
    for (size_t i = 0; i < entries.size(); ++i) {
        const auto k = static_cast<py::ssize_t>(i);
        w(k, 0) = entries[i].colidx;
        w(k, 1) = entries[i].rowidx;
        w(k, 2) = entries[i].value;
    }
    return out;
}

}  // namespace

void BindIntMatrix(py::module_& m) {
    const auto lc = py::arg("LowCol") = 0;
    const auto lr = py::arg("LowRow") = 0;
    const auto hc = py::arg("HighCol") = 0;
    const auto hr = py::arg("HighRow") = 0;
    py::class_<TIntMatrix, TOZMContainer> mat(
        m, "TIntMatrix", py::buffer_protocol(),
        "Two-dimensional container of 32-bit integers, dense or sparse; cells (column, row), both "
        "1-based. A dense matrix is a Fortran-ordered int32 numpy view of rows x columns.");
    mat.def(py::init([] { return std::make_unique<TIntMatrix>(); }))
        .def(py::init(&IntMatrixFromArray), py::arg("array"),
             "A dense matrix holding a copy of a two-dimensional array: array[r, c] is cell "
             "(c+1, r+1).")
        .def_static(
            "CreateSparse",
            [](int AllocBy) { return std::make_unique<TIntMatrix>(nullptr, CreateSparse, AllocBy); },
            py::arg("AllocBy") = 1, "An empty sparse matrix growing by AllocBy entries.")
        .def_property(
            "NrOfColumns", [](const TIntMatrix& t) { return t.NrOfColumns(); },
            [](TIntMatrix& t, int Nc) {
                if (std::max(Nc, 0) != t.NrOfColumns()) Replaces(&t);
                t.SetNCols(Nc);
            })
        .def_property(
            "NrOfRows", [](const TIntMatrix& t) { return t.NrOfRows(); },
            [](TIntMatrix& t, int Nr) {
                if (std::max(Nr, 0) != t.NrOfRows()) Replaces(&t);
                t.SetNRows(Nr);
            })
        .def_property(
            "DataID", [](const TIntMatrix& t) { return t.DataID(); },
            [](TIntMatrix& t, const std::string& ID) { t.SetDataID(ID); })
        .def_property_readonly(
            "Data",
            [](const py::object& Self) {
                // numpy would wrap a refused buffer into an object array.
                if (Self.cast<const TIntMatrix&>().IsSparse())
                    throw py::buffer_error(
                        "a sparse TIntMatrix has no dense cells to share; "
                        "call SparseToArray first");
                return AsArray(Self);
            },
            "The dense cells as a Fortran-ordered int32 numpy array sharing the "
            "storage (BufferError for a sparse matrix).")
        // The sparse form.
        .def_property_readonly("IsSparse", &TIntMatrix::IsSparse)
        .def_property_readonly("NumAllocated", &TIntMatrix::NumAllocated)
        .def_property_readonly("AllocBy", &TIntMatrix::AllocBy)
        .def_property_readonly("SparseNumElem", &TIntMatrix::SparseNumElem)
        .def_property_readonly("SparseLowCol", &TIntMatrix::SparseLowCol)
        .def_property_readonly("SparseHighCol", &TIntMatrix::SparseHighCol)
        .def_property_readonly("SparseLowRow", &TIntMatrix::SparseLowRow)
        .def_property_readonly("SparseHighRow", &TIntMatrix::SparseHighRow)
        .def_property_readonly("SparseEntries", &Entries,
                               "The entries as an (n, 3) int32 array of (column, row, value), in "
                               "their order (a copy; empty in dense form).")
        .def(
            "ArrayToSparse",
            [](TIntMatrix& t, int AllocBy) {
                if (!t.IsSparse()) Replaces(&t);
                t.ArrayToSparse(AllocBy);
            },
            py::arg("AllocBy") = 1)
        .def("SparseToArray", &TIntMatrix::SparseToArray)
        .def("StoreSparseMat", &TIntMatrix::StoreSparseMat, py::arg("FName"))
        .def(
            "LoadSparseMat",
            [](TIntMatrix& t, const std::string& FName) {
                Replaces(&t);
                return RunWithoutGIL([&] { return t.LoadSparseMat(FName); });
            },
            py::arg("FName"))
        // Both forms.
        .def(
            "Resize",
            [](TIntMatrix& t, int Nc, int Nr) {
                if (std::max(Nc, 0) != t.NrOfColumns() || std::max(Nr, 0) != t.NrOfRows()) Replaces(&t);
                return t.Resize(Nc, Nr);
            },
            py::arg("Nc"), py::arg("Nr"))
        .def(
            "ResizeAndClear",
            [](TIntMatrix& t, int Nc, int Nr) {
                if (std::max(Nc, 0) != t.NrOfColumns() || std::max(Nr, 0) != t.NrOfRows()) Replaces(&t);
                return t.ResizeAndClear(Nc, Nr);
            },
            py::arg("Nc"), py::arg("Nr"))
        .def(
            "GetVal", [](const TIntMatrix& t, int Nc, int Nr) { return t.GetVal(Nc, Nr); },
            py::arg("Nc"), py::arg("Nr"))
        .def(
            "SetVal", [](TIntMatrix& t, int Nc, int Nr, int32_t v) { t.SetVal(Nc, Nr, v); },
            py::arg("Nc"), py::arg("Nr"), py::arg("Value"))
        .def(
            "Fill", [](TIntMatrix& t, int32_t v) { t.Fill(v); }, py::arg("value"))
        .def(
            "FillRange",
            [](TIntMatrix& t, int LowCol, int HighCol, int LowRow, int HighRow, int32_t v) {
                t.Fill(LowCol, HighCol, LowRow, HighRow, v);
            },
            py::arg("LowCol"), py::arg("HighCol"), py::arg("LowRow"), py::arg("HighRow"),
            py::arg("value"), "Fill of a rectangle (the library's Fill with a range).")
        .def(
            "FillDiag", [](TIntMatrix& t, int32_t v) { t.FillDiag(v); }, py::arg("value"))
        .def(
            "Clone",
            [](TIntMatrix& t, const TIntMatrix& Src) {
                Replaces(&t);
                t.Clone(&Src);
            },
            py::arg("MatSource"))
        .def("Transpose",
             [](TIntMatrix& t) {
                 Replaces(&t);
                 return RunWithoutGIL([&] { return t.Transpose(); });
             })
        .def(
            "Sum",
            [](const TIntMatrix& t, int LoC, int LoR, int HiC, int HiR) {
                return t.Sum(LoC, LoR, HiC, HiR);
            },
            py::arg("LoC") = 0, py::arg("LoR") = 0, py::arg("HiC") = 0, py::arg("HiR") = 0)
        .def("Trace", [](const TIntMatrix& t) { return t.Trace(); })
        .def(
            "MeanVar",
            [](const TIntMatrix& t, int LowCol, int LowRow, int HighCol, int HighRow) {
                double mean, var;
                t.MeanVar(LowCol, LowRow, HighCol, HighRow, mean, var);
                return py::make_tuple(mean, var);
            },
            lc, lr, hc, hr, "(Mean, Variance) of the rectangle.")
        .def(
            "SkewKurt",
            [](const TIntMatrix& t, int LowCol, int LowRow, int HighCol, int HighRow) {
                double s, k;
                t.SkewKurt(LowCol, LowRow, HighCol, HighRow, s, k);
                return py::make_tuple(s, k);
            },
            lc, lr, hc, hr, "(Skewness, Kurtosis) of the rectangle.")
        .def(
            "SkewKurtSample",
            [](const TIntMatrix& t, int LowCol, int LowRow, int HighCol, int HighRow) {
                double s, k;
                t.SkewKurtSample(LowCol, LowRow, HighCol, HighRow, s, k);
                return py::make_tuple(s, k);
            },
            lc, lr, hc, hr, "(Skewness, Kurtosis) corrected for sample size.")
        .def(
            "MinMax",
            [](const TIntMatrix& t, int LowCol, int LowRow, int HighCol, int HighRow) {
                int32_t mn, mx;
                t.MinMax(LowCol, LowRow, HighCol, HighRow, mn, mx);
                return py::make_tuple(mn, mx);
            },
            lc, lr, hc, hr, "(Minimum, Maximum) of the rectangle.")
        .def(
            "Add", [](TIntMatrix& t, const TIntMatrix& b) { return t.Add(&b); }, py::arg("MatB"))
        // Dense form only (a sparse matrix raises EOZMMatrixError).
        .def(
            "Subtract", [](TIntMatrix& t, const TIntMatrix& b) { return t.Subtract(&b); },
            py::arg("MatB"))
        .def(
            "SAdd", [](TIntMatrix& t, int32_t s) { t.SAdd(s); }, py::arg("Scalar"))
        .def(
            "SMult", [](TIntMatrix& t, int32_t s) { t.SMult(s); }, py::arg("Scalar"))
        .def(
            "EMult",
            [](TIntMatrix& t, const TIntMatrix& b, TIntMatrix& res) {
                if (res.NrOfColumns() != t.NrOfColumns() || res.NrOfRows() != t.NrOfRows())
                    Replaces(&res);
                return t.EMult(&b, &res);
            },
            py::arg("MatB"), py::arg("MatRes"))
        .def(
            "Multiply",
            [](TIntMatrix& t, const TIntMatrix& b, TIntMatrix& res) {
                Replaces(&res);
                return RunWithoutGIL([&] { return t.Multiply(&b, &res); });
            },
            py::arg("MatB"), py::arg("MatRes"))
        .def(
            "Multiply",
            [](TIntMatrix& t, const TIntVector& b, TIntVector& res) {
                if (res.NrOfElem() != t.NrOfRows()) RequireNoViews(&res, "TIntVector");
                return t.Multiply(&b, &res);
            },
            py::arg("VecB"), py::arg("VecRes"))
        .def(
            "MultiplyTransposed",
            [](TIntMatrix& t, const TIntMatrix& b, TIntMatrix& res) {
                Replaces(&res);
                return RunWithoutGIL([&] { return t.MultiplyTransposed(&b, &res); });
            },
            py::arg("MatB"), py::arg("MatRes"))
        .def(
            "TransposeAndMultiply",
            [](TIntMatrix& t, const TIntMatrix& b, TIntMatrix& res) {
                Replaces(&res);
                return RunWithoutGIL([&] { return t.TransposeAndMultiply(&b, &res); });
            },
            py::arg("MatB"), py::arg("MatRes"))
        .def(
            "CopyFrom",
            [](TIntMatrix& t, const TIntMatrix& Src, int ColLo, int RowLo, int ColHi, int RowHi,
               int DestCol,
               int DestRow) { t.CopyFrom(&Src, ColLo, RowLo, ColHi, RowHi, DestCol, DestRow); },
            py::arg("MatSource"), py::arg("SourceColLo"), py::arg("SourceRowLo"), py::arg("SourceColHi"),
            py::arg("SourceRowHi"), py::arg("DestCol"), py::arg("DestRow"))
        .def("CountMaskedZeros", &TIntMatrix::CountMaskedZeros, py::arg("LowCol"), py::arg("HighCol"),
             py::arg("LowRow"), py::arg("HighRow"), py::arg("Bitmask"))
        .def(
            "CountValues",
            [](const TIntMatrix& t, int LowCol, int HighCol, int LowRow, int HighRow, int32_t Lo,
               int32_t Hi) { return t.CountValues(LowCol, HighCol, LowRow, HighRow, Lo, Hi); },
            py::arg("LowCol"), py::arg("HighCol"), py::arg("LowRow"), py::arg("HighRow"),
            py::arg("RangeLow"), py::arg("RangeHigh"))
        .def(
            "Find",
            [](const TIntMatrix& t, int LowCol, int HighCol, int LowRow, int HighRow, int32_t Value) {
                int c = 0, r = 0;
                t.Find(LowCol, HighCol, LowRow, HighRow, Value, c, r);
                return py::make_tuple(c, r);
            },
            py::arg("LowCol"), py::arg("HighCol"), py::arg("LowRow"), py::arg("HighRow"),
            py::arg("Value"), "(ColIx, RowIx) of the cell nearest to Value.")
        .def(
            "Percentile",
            [](const TIntMatrix& t, double prob, int LowCol, int LowRow, int HighCol, int HighRow) {
                return t.Percentile(prob, LowCol, LowRow, HighCol, HighRow);
            },
            py::arg("prob"), lc, lr, hc, hr)
        .def(
            "Quartiles",
            [](const TIntMatrix& t, int LowCol, int LowRow, int HighCol, int HighRow) {
                double q1 = 0, q2 = 0, q3 = 0;
                const bool ok = t.Quartiles(LowCol, LowRow, HighCol, HighRow, q1, q2, q3);
                return py::make_tuple(ok, q1, q2, q3);
            },
            lc, lr, hc, hr, "(ok, Q1, Q2, Q3) of the rectangle.")
        .def("CRCofData", [](const TIntMatrix& t) { return t.CRCofData(); })
        .def(
            "RemoveColumn",
            [](TIntMatrix& t, int col) {
                Replaces(&t);
                return t.RemoveColumn(col);
            },
            py::arg("col"))
        .def(
            "RemoveRow",
            [](TIntMatrix& t, int row) {
                Replaces(&t);
                return t.RemoveRow(row);
            },
            py::arg("row"))
        .def(
            "ExchangeColumns", [](TIntMatrix& t, int a, int b) { t.ExchangeColumns(a, b); },
            py::arg("c1"), py::arg("c2"))
        .def(
            "ExchangeRows", [](TIntMatrix& t, int a, int b) { t.ExchangeRows(a, b); }, py::arg("r1"),
            py::arg("r2"))
        .def("MirrorColumns", [](TIntMatrix& t) { t.MirrorColumns(); })
        .def("MirrorRows", [](TIntMatrix& t) { t.MirrorRows(); })
        .def(
            "SortRows",
            [](TIntMatrix& t, int SortColIx, bool Ascending, int LowCol, int LowRow, int HighCol,
               int HighRow) { t.SortRows(SortColIx, Ascending, LowCol, LowRow, HighCol, HighRow); },
            py::arg("SortColIx"), py::arg("Ascending"), lc, lr, hc, hr)
        .def(
            "SortCols",
            [](TIntMatrix& t, int SortRowIx, bool Ascending, int LowCol, int LowRow, int HighCol,
               int HighRow) { t.SortCols(SortRowIx, Ascending, LowCol, LowRow, HighCol, HighRow); },
            py::arg("SortRowIx"), py::arg("Ascending"), lc, lr, hc, hr);
    InstallBuffer(mat, &IntMatrixGetBuffer);
}

}  // namespace ozmpy
