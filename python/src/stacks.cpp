// TMat3D and TMat4D. Their cells are one contiguous buffer with the column fastest, handed to
// numpy without a copy as an array whose index order is the order of GetVal's arguments:
// arr[x - 1, y - 1, z - 1(, t - 1)] is GetVal(x, y, z(, t)), a Fortran-ordered array of shape
// (columns, rows, layers(, time slots)). Two-dimensional arrays of one layer follow the same
// rule (arr[x - 1, y - 1], shape (columns, rows)), as the library's [column][row] arrays do.
#include <algorithm>
#include <array>
#include <cstring>
#include <optional>

#include "common.hpp"
#include "ozm/matrix.hpp"
#include "ozm/matrix/tmat3d.hpp"
#include "ozm/matrix/tmat4d.hpp"
#include "ozm/vector.hpp"

namespace ozmpy {

namespace {

using namespace ozm;
using DoubleIn = py::array_t<double, py::array::forcecast>;

// Exports the Ndim extents of a column-fastest block as a Fortran-ordered view.
int ExportBlock(PyObject* Obj, const void* Container, Py_buffer* View, int Flags, double* Data, int Ndim,
                const int* Extents) {
    Py_ssize_t shape[kMaxViewDims];
    Py_ssize_t strides[kMaxViewDims];
    Py_ssize_t step = sizeof(double);
    for (int d = 0; d < Ndim; ++d) {
        shape[d] = Extents[d];
        strides[d] = step;
        step *= Extents[d];
    }
    return ExportCells(Obj, Container, View, Flags, Data, sizeof(double), "d", Ndim, shape, strides);
}

int Mat3DGetBuffer(PyObject* Obj, Py_buffer* View, int Flags) {
    TMat3D* mat = CppObject<TMat3D>(Obj);
    if (mat == nullptr) return -1;
    const int extents[3] = {mat->NrOfColumns(), mat->NrOfRows(), mat->NrOfLayers()};
    return ExportBlock(Obj, mat, View, Flags, mat->Data(), 3, extents);
}

int Mat4DGetBuffer(PyObject* Obj, Py_buffer* View, int Flags) {
    TMat4D* mat = CppObject<TMat4D>(Obj);
    if (mat == nullptr) return -1;
    const int extents[4] = {mat->NrOfColumns(), mat->NrOfRows(), mat->NrOfLayers(),
                            mat->NrOfTimeSlots()};
    return ExportBlock(Obj, mat, View, Flags, mat->Data(), 4, extents);
}

// The extents of an N-dimensional array for a block: every one at least 1 and within int.
template <int N>
std::array<int, N> BlockExtents(const DoubleIn& A) {
    if (A.ndim() != N)
        throw py::value_error(std::string("a ") + (N == 3 ? "TMat3D" : "TMat4D") + " is made from a " +
                              std::to_string(N) + "-dimensional array");
    std::array<int, N> e{};
    for (int d = 0; d < N; ++d) {
        if (A.shape(d) < 1) throw py::value_error("every extent of a block must be at least 1");
        if (A.shape(d) > INT32_MAX) throw py::value_error("an extent is too large for a block");
        e[d] = static_cast<int>(A.shape(d));
    }
    return e;
}

// Copies A (index order of the block) into the column-fastest cells.
void CopyBlockIn(const DoubleIn& A, double* Cells) {
    if (A.flags() & py::array::f_style) {
        std::memcpy(Cells, A.data(), static_cast<size_t>(A.size()) * sizeof(double));
        return;
    }
    // Any other layout: numpy writes it in Fortran order into a view of the cells.
    std::vector<py::ssize_t> strides(static_cast<size_t>(A.ndim()));
    py::ssize_t step = sizeof(double);
    for (py::ssize_t d = 0; d < A.ndim(); ++d) {
        strides[static_cast<size_t>(d)] = step;
        step *= A.shape(d);
    }
    std::vector<py::ssize_t> shape(A.shape(), A.shape() + A.ndim());
    py::array_t<double> target(shape, strides, Cells, py::none());
    py::module_::import("numpy").attr("copyto")(target, A);
}

// A two-dimensional [column][row] array of the library as a numpy (columns, rows) array and back.
TDouble2DArray ToColumnRowArray(const DoubleIn& A) { return ToDouble2DArray(A, TOuter::Rows); }
py::array_t<double> FromColumnRowArray(const TDouble2DArray& A) {
    return FromDouble2DArray(A, TOuter::Rows);
}

TOnPercentDoneEvent PercentEvent(const py::object& Fn) {
    return MakeEvent<void(TObject*, int)>(
        Fn, [](const TPyCallable& h, TObject* s, int p) { h.Get()(SenderObject(s), p); });
}

template <typename T>
void Replaces(const T* Mat, const char* Name) {
    if (Mat != nullptr) RequireNoViews(Mat, Name);
}

void BindMat3D(py::module_& m) {
    const char* const name = "TMat3D";
    py::class_<TMat3D, TOZMContainer> cls(
        m, "TMat3D", py::buffer_protocol(),
        "Three-dimensional block of doubles, cells (column, row, layer), 1-based. As a numpy array "
        "(np.asarray(b) or b.Data) a Fortran-ordered view of shape (columns, rows, layers): "
        "arr[x-1, y-1, z-1] is GetVal(x, y, z).");
    const auto lc = py::arg("LowCol") = 0, hc = py::arg("HighCol") = 0;
    const auto lr = py::arg("LowRow") = 0, hr = py::arg("HighRow") = 0;
    const auto ll = py::arg("LowLayer") = 0, hl = py::arg("HighLayer") = 0;
    cls.def(py::init([] { return std::make_unique<TMat3D>(); }))
        .def(py::init([](const DoubleIn& A) {
                 const auto e = BlockExtents<3>(A);
                 auto b = std::make_unique<TMat3D>();
                 b->Resize(e[0], e[1], e[2]);
                 CopyBlockIn(A, b->Data());
                 return b;
             }),
             py::arg("array"),
             "A block holding a copy of a 3-D array: array[x-1, y-1, z-1] is cell (x, y, z).")
        .def_property("NrOfColumns", &TMat3D::NrOfColumns,
                      [name](TMat3D& b, int v) {
                          if (std::max(v, 1) != b.NrOfColumns()) Replaces(&b, name);
                          b.SetNrOfColumns(v);
                      })
        .def_property("NrOfRows", &TMat3D::NrOfRows,
                      [name](TMat3D& b, int v) {
                          if (std::max(v, 1) != b.NrOfRows()) Replaces(&b, name);
                          b.SetNrOfRows(v);
                      })
        .def_property("NrOfLayers", &TMat3D::NrOfLayers,
                      [name](TMat3D& b, int v) {
                          if (std::max(v, 1) != b.NrOfLayers()) Replaces(&b, name);
                          b.SetNrOfLayers(v);
                      })
        .def_property("DataID", &TMat3D::DataID, &TMat3D::SetDataID)
        .def_property_readonly("Data", &AsArray, "The cells as a numpy view (columns, rows, layers).")
        .def(
            "Resize",
            [name](TMat3D& b, int Nc, int Nr, int Nl) {
                if (Nc >= 1 && Nr >= 1 && Nl >= 1 &&
                    (Nc != b.NrOfColumns() || Nr != b.NrOfRows() || Nl != b.NrOfLayers()))
                    Replaces(&b, name);
                return b.Resize(Nc, Nr, Nl);
            },
            py::arg("Nc"), py::arg("Nr"), py::arg("Nl"))
        .def(
            "ResizeAndClear",
            [name](TMat3D& b, int Nc, int Nr, int Nl) {
                if (Nc >= 1 && Nr >= 1 && Nl >= 1 &&
                    (Nc != b.NrOfColumns() || Nr != b.NrOfRows() || Nl != b.NrOfLayers()))
                    Replaces(&b, name);
                return b.ResizeAndClear(Nc, Nr, Nl);
            },
            py::arg("Nc"), py::arg("Nr"), py::arg("Nl"))
        .def("GetVal", &TMat3D::GetVal, py::arg("Nx"), py::arg("Ny"), py::arg("Nz"))
        .def("SetVal", &TMat3D::SetVal, py::arg("Nx"), py::arg("Ny"), py::arg("Nz"), py::arg("Value"))
        .def("Fill", &TMat3D::Fill, py::arg("value"))
        .def("FillDiag", &TMat3D::FillDiag, py::arg("value"))
        .def("FillRandomUniform", &TMat3D::FillRandomUniform, py::arg("RangeLow"), py::arg("RangeHigh"))
        .def("FillRandomGauss", &TMat3D::FillRandomGauss, py::arg("Mean"), py::arg("StdDev"))
        .def(
            "Clone",
            [name](TMat3D& b, const TMat3D& Src) {
                Replaces(&b, name);
                b.Clone(&Src);
            },
            py::arg("MatSource"))
        .def(
            "Find",
            [](const TMat3D& b, double Value, int LowCol, int HighCol, int LowRow, int HighRow,
               int LowLayer, int HighLayer) {
                int c = 0, r = 0, l = 0;
                b.Find(LowCol, HighCol, LowRow, HighRow, LowLayer, HighLayer, Value, c, r, l);
                return py::make_tuple(c, r, l);
            },
            py::arg("Value"), lc, hc, lr, hr, ll, hl,
            "(ColIx, RowIx, LayerIx) of the cell nearest to Value.")
        .def(
            "MinMax",
            [](const TMat3D& b, int LowCol, int HighCol, int LowRow, int HighRow, int LowLayer,
               int HighLayer) {
                double mn = 0, mx = 0;
                b.MinMax(LowCol, HighCol, LowRow, HighRow, LowLayer, HighLayer, mn, mx);
                return py::make_tuple(mn, mx);
            },
            lc, hc, lr, hr, ll, hl, "(Minimum, Maximum) of the block.")
        .def(
            "MeanVar",
            [](const TMat3D& b, int LowCol, int HighCol, int LowRow, int HighRow, int LowLayer,
               int HighLayer) {
                double mean = 0, var = 0;
                b.MeanVar(LowCol, HighCol, LowRow, HighRow, LowLayer, HighLayer, mean, var);
                return py::make_tuple(mean, var);
            },
            lc, hc, lr, hr, ll, hl, "(Mean, Variance) of the block.")
        .def(
            "Percentile",
            [](const TMat3D& b, double prob, int LowCol, int HighCol, int LowRow, int HighRow,
               int LowLayer, int HighLayer, int SampleSize) {
                return RunWithoutGIL([&] {
                    return b.Percentile(prob, LowCol, HighCol, LowRow, HighRow, LowLayer, HighLayer,
                                        SampleSize);
                });
            },
            py::arg("prob"), lc, hc, lr, hr, ll, hl, py::arg("SampleSize") = 0)
        .def("CRCofData", [](const TMat3D& b) { return RunWithoutGIL([&] { return b.CRCofData(); }); })
        .def(
            "CopyLayerToMatrix",
            [](const TMat3D& b, TMatrix& Dest, int Layer, int LowCol, int HighCol, int LowRow,
               int HighRow) {
                RequireNoViews(&Dest, "TMatrix");
                b.CopyLayerToMatrix(&Dest, LowCol, HighCol, LowRow, HighRow, Layer);
            },
            py::arg("DestMat"), py::arg("Layer"), lc, hc, lr, hr,
            "DestMat := the block of one layer; DestMat(c, r) is cell (c, r) of the layer.")
        .def(
            "CopyMatrixToLayer",
            [](TMat3D& b, const TMatrix& Src, int SrcLowCol, int SrcHighCol, int SrcLowRow,
               int SrcHighRow, int Layer, int LayLowCol, int LayLowRow) {
                b.CopyMatrixToLayer(&Src, SrcLowCol, SrcHighCol, SrcLowRow, SrcHighRow, Layer, LayLowCol,
                                    LayLowRow);
            },
            py::arg("SrcMat"), py::arg("SrcLowCol"), py::arg("SrcHighCol"), py::arg("SrcLowRow"),
            py::arg("SrcHighRow"), py::arg("Layer"), py::arg("LayLowCol") = 1, py::arg("LayLowRow") = 1)
        .def("SaveAsXMLFile", &TMat3D::SaveAsXMLFile, py::arg("FName"))
        .def(
            "LoadFromXMLFile",
            [name](TMat3D& b, const std::string& FName) {
                Replaces(&b, name);
                return RunWithoutGIL([&] { return b.LoadFromXMLFile(FName); });
            },
            py::arg("FName"))
        .def(
            "ReadBinaryHeader",
            [](const TMat3D& b, const std::string& FName) {
                int nc = 0, nr = 0, nl = 0, nt = 0, fmt = 0;
                std::string id;
                const bool ok = b.ReadBinaryHeader(FName, nc, nr, nl, nt, id, fmt);
                return py::make_tuple(ok, nc, nr, nl, nt, id, fmt);
            },
            py::arg("FName"), "(ok, NrColumns, NrRows, NrLayers, NrTimeSlots, DataID, Format).")
        .def(
            "SaveBinary",
            [](const TMat3D& b, const std::string& FName) {
                return RunWithoutGIL([&] { return b.SaveBinary(FName); });
            },
            py::arg("FName"))
        .def(
            "LoadBinary",
            [name](TMat3D& b, const std::string& FName) {
                Replaces(&b, name);
                return RunWithoutGIL([&] { return b.LoadBinary(FName); });
            },
            py::arg("FName"), "Reads a record file of one time slot; kBinaryOk (0) or a negative code.")
        .def_property(
            "OnPercentDone", [](const TMat3D& b) { return EventCallable(b.OnPercentDone); },
            [](TMat3D& b, const py::object& Fn) { b.OnPercentDone = PercentEvent(Fn); },
            "Called as OnPercentDone(sender, PercentDone).");
    InstallBuffer(cls, &Mat3DGetBuffer);
}

void BindMat4D(py::module_& m) {
    const char* const name = "TMat4D";
    py::class_<TMat4D, TOZMContainer> cls(
        m, "TMat4D", py::buffer_protocol(),
        "Four-dimensional block of doubles, cells (column, row, layer, time slot), 1-based. As a "
        "numpy array (np.asarray(b) or b.Data) a Fortran-ordered view of shape (columns, rows, "
        "layers, time slots): arr[x-1, y-1, z-1, t-1] is GetVal(x, y, z, t).");
    const auto lc = py::arg("LowCol") = 0, hc = py::arg("HighCol") = 0;
    const auto lr = py::arg("LowRow") = 0, hr = py::arg("HighRow") = 0;
    const auto ll = py::arg("LowLayer") = 0, hl = py::arg("HighLayer") = 0;
    const auto lt = py::arg("LowTimeSlot") = 0, ht = py::arg("HighTimeSlot") = 0;
    auto extentSetter = [name](void (TMat4D::*Set)(int), int (TMat4D::*Get)() const noexcept) {
        return [name, Set, Get](TMat4D& b, int v) {
            if (std::max(v, 1) != (b.*Get)()) Replaces(&b, name);
            (b.*Set)(v);
        };
    };
    auto needsResize = [](const TMat4D& b, int Nc, int Nr, int Nl, int Nt) {
        return Nc >= 1 && Nr >= 1 && Nl >= 1 && Nt >= 1 &&
               (Nc != b.NrOfColumns() || Nr != b.NrOfRows() || Nl != b.NrOfLayers() ||
                Nt != b.NrOfTimeSlots());
    };
    cls.def(py::init([] { return std::make_unique<TMat4D>(); }))
        .def(py::init([](const DoubleIn& A) {
                 const auto e = BlockExtents<4>(A);
                 auto b = std::make_unique<TMat4D>();
                 b->Resize(e[0], e[1], e[2], e[3]);
                 CopyBlockIn(A, b->Data());
                 return b;
             }),
             py::arg("array"),
             "A block holding a copy of a 4-D array: array[x-1, y-1, z-1, t-1] is cell (x, y, z, t).")
        .def_property("NrOfColumns", &TMat4D::NrOfColumns,
                      extentSetter(&TMat4D::SetNrOfColumns, &TMat4D::NrOfColumns))
        .def_property("NrOfRows", &TMat4D::NrOfRows,
                      extentSetter(&TMat4D::SetNrOfRows, &TMat4D::NrOfRows))
        .def_property("NrOfLayers", &TMat4D::NrOfLayers,
                      extentSetter(&TMat4D::SetNrOfLayers, &TMat4D::NrOfLayers))
        .def_property("NrOfTimeSlots", &TMat4D::NrOfTimeSlots,
                      extentSetter(&TMat4D::SetNrOfTimeSlots, &TMat4D::NrOfTimeSlots))
        .def_property("DataID", &TMat4D::DataID, &TMat4D::SetDataID)
        .def_property_readonly("Data", &AsArray,
                               "The cells as a numpy view (columns, rows, layers, time slots).")
        .def_property_readonly("MemoryConsumed", &TMat4D::MemoryConsumed,
                               "Size of the cells in megabytes.")
        .def(
            "Resize",
            [name, needsResize](TMat4D& b, int Nc, int Nr, int Nl, int Nt) {
                if (needsResize(b, Nc, Nr, Nl, Nt)) Replaces(&b, name);
                return b.Resize(Nc, Nr, Nl, Nt);
            },
            py::arg("Nc"), py::arg("Nr"), py::arg("Nl"), py::arg("Nt"))
        .def(
            "ResizeAndClear",
            [name, needsResize](TMat4D& b, int Nc, int Nr, int Nl, int Nt) {
                if (needsResize(b, Nc, Nr, Nl, Nt)) Replaces(&b, name);
                return b.ResizeAndClear(Nc, Nr, Nl, Nt);
            },
            py::arg("Nc"), py::arg("Nr"), py::arg("Nl"), py::arg("Nt"))
        .def("GetVal", &TMat4D::GetVal, py::arg("Nx"), py::arg("Ny"), py::arg("Nz"), py::arg("Nt"))
        .def("SetVal", &TMat4D::SetVal, py::arg("Nx"), py::arg("Ny"), py::arg("Nz"), py::arg("Nt"),
             py::arg("Value"))
        .def("Lin3DAddr", &TMat4D::Lin3DAddr, py::arg("ix"), py::arg("iy"), py::arg("il"))
        .def(
            "ConvertLinTo3DAddr",
            [](const TMat4D& b, int LinAddr) {
                int x = 0, y = 0, l = 0;
                const bool ok = b.ConvertLinTo3DAddr(LinAddr, x, y, l);
                return py::make_tuple(ok, x, y, l);
            },
            py::arg("LinAddr"), "(ok, ix, iy, il).")
        .def(
            "Clone",
            [name](TMat4D& b, const TMat4D& Src) {
                Replaces(&b, name);
                RunWithoutGIL([&] { b.Clone(&Src); });
            },
            py::arg("MatSource"))
        .def("Fill", &TMat4D::Fill, py::arg("value"))
        .def("FillDiag", &TMat4D::FillDiag, py::arg("value"))
        .def("FillLayer", py::overload_cast<int, double>(&TMat4D::FillLayer), py::arg("Layer"),
             py::arg("value"))
        .def("FillLayer", py::overload_cast<int, int, int, double, double>(&TMat4D::FillLayer),
             py::arg("Layer"), py::arg("TimeSlot"), py::arg("Mode"), py::arg("par1"), py::arg("par2"))
        .def("FillRandomUniform", &TMat4D::FillRandomUniform, py::arg("RangeLow"), py::arg("RangeHigh"))
        .def("FillRandomGauss", &TMat4D::FillRandomGauss, py::arg("Mean"), py::arg("StdDev"))
        .def(
            "AccumulateLayer",
            [](TMat4D& b, int Layer, int TimeSlot, const DoubleIn& Src) {
                return b.AccumulateLayer(Layer, TimeSlot, ToColumnRowArray(Src));
            },
            py::arg("Layer"), py::arg("TimeSlot"), py::arg("Src"),
            "Adds Src[x-1, y-1] (shape (columns, rows)) to the layer; 0 or a negative code.")
        // Block statistics.
        .def(
            "MinMax",
            [](const TMat4D& b, int c0, int c1, int r0, int r1, int l0, int l1, int t0, int t1) {
                double mn = 0, mx = 0;
                RunWithoutGIL([&] { b.MinMax(c0, c1, r0, r1, l0, l1, t0, t1, mn, mx); });
                return py::make_tuple(mn, mx);
            },
            lc, hc, lr, hr, ll, hl, lt, ht, "(Minimum, Maximum) of the block.")
        .def(
            "MeanVar",
            [](const TMat4D& b, int c0, int c1, int r0, int r1, int l0, int l1, int t0, int t1) {
                double mean = 0, var = 0;
                RunWithoutGIL([&] { b.MeanVar(c0, c1, r0, r1, l0, l1, t0, t1, mean, var); });
                return py::make_tuple(mean, var);
            },
            lc, hc, lr, hr, ll, hl, lt, ht, "(Mean, Variance) of the block.")
        .def(
            "Sum",
            [](const TMat4D& b, int c0, int c1, int r0, int r1, int l0, int l1, int t0, int t1) {
                return RunWithoutGIL([&] { return b.Sum(c0, c1, r0, r1, l0, l1, t0, t1); });
            },
            lc, hc, lr, hr, ll, hl, lt, ht)
        .def(
            "SquaredSum",
            [](const TMat4D& b, int c0, int c1, int r0, int r1, int l0, int l1, int t0, int t1) {
                return RunWithoutGIL([&] { return b.SquaredSum(c0, c1, r0, r1, l0, l1, t0, t1); });
            },
            lc, hc, lr, hr, ll, hl, lt, ht)
        .def(
            "CountValues",
            [](const TMat4D& b, double Lo, double Hi, int c0, int c1, int r0, int r1, int l0, int l1,
               int t0, int t1) {
                return RunWithoutGIL(
                    [&] { return b.CountValues(c0, c1, r0, r1, l0, l1, t0, t1, Lo, Hi); });
            },
            py::arg("RangeLow"), py::arg("RangeHigh"), lc, hc, lr, hr, ll, hl, lt, ht)
        .def(
            "Find",
            [](const TMat4D& b, double Value, int c0, int c1, int r0, int r1, int l0, int l1, int t0,
               int t1) {
                int c = 0, r = 0, l = 0, t = 0;
                RunWithoutGIL([&] { b.Find(c0, c1, r0, r1, l0, l1, t0, t1, Value, c, r, l, t); });
                return py::make_tuple(c, r, l, t);
            },
            py::arg("Value"), lc, hc, lr, hr, ll, hl, lt, ht,
            "(ColIx, RowIx, LayerIx, TimeSlotIx) of the cell nearest to Value.")
        .def(
            "Percentile",
            [](const TMat4D& b, double prob, int c0, int c1, int r0, int r1, int l0, int l1, int t0,
               int t1, int SampleSize) {
                return RunWithoutGIL(
                    [&] { return b.Percentile(prob, c0, c1, r0, r1, l0, l1, t0, t1, SampleSize); });
            },
            py::arg("prob"), lc, hc, lr, hr, ll, hl, lt, ht, py::arg("SampleSize") = 0)
        .def(
            "CRCofData",
            [](const TMat4D& b, int Sample) {
                return RunWithoutGIL([&] { return b.CRCofData(Sample); });
            },
            py::arg("Sample") = 1)
        // Reshaping.
        .def(
            "Cut",
            [name](TMat4D& b, int c0, int c1, int r0, int r1, int l0, int l1, int t0, int t1) {
                Replaces(&b, name);
                RunWithoutGIL([&] { b.Cut(c0, c1, r0, r1, l0, l1, t0, t1); });
            },
            lc, hc, lr, hr, ll, hl, py::arg("LowTimeslot") = 0, py::arg("HighTimeslot") = 0)
        .def(
            "Resample",
            [name](TMat4D& b, int XDiv, int XOffset, int YDiv, int YOffset, int ZDiv, int ZOffset,
                   int TDiv, int TOffset, bool Average) {
                Replaces(&b, name);
                RunWithoutGIL([&] {
                    b.Resample(XDiv, XOffset, YDiv, YOffset, ZDiv, ZOffset, TDiv, TOffset, Average);
                });
            },
            py::arg("XDiv"), py::arg("XOffset"), py::arg("YDiv"), py::arg("YOffset"), py::arg("ZDiv"),
            py::arg("ZOffset"), py::arg("TDiv"), py::arg("TOffset"), py::arg("Average"))
        .def("Transpose",
             [name](TMat4D& b) {
                 Replaces(&b, name);
                 return RunWithoutGIL([&] { return b.Transpose(); });
             })
        .def("MirrorColumns", &TMat4D::MirrorColumns)
        .def("MirrorRows", &TMat4D::MirrorRows)
        .def("MirrorLayers", &TMat4D::MirrorLayers)
        .def("MirrorTimeSlots", &TMat4D::MirrorTimeSlots)
        // Copying between containers.
        .def(
            "CopyFrom",
            [](TMat4D& b, const TMat4D& Src, int DestCol, int DestRow, int DestLayer, int DestTSlot,
               int c0, int c1, int r0, int r1, int l0, int l1, int t0, int t1) {
                RunWithoutGIL([&] {
                    b.CopyFrom(&Src, c0, c1, r0, r1, l0, l1, t0, t1, DestCol, DestRow, DestLayer,
                               DestTSlot);
                });
            },
            py::arg("MatSource"), py::arg("DestCol"), py::arg("DestRow"), py::arg("DestLayer"),
            py::arg("DestTSlot"), py::arg("SrcLowCol") = 0, py::arg("SrcHighCol") = 0,
            py::arg("SrcLowRow") = 0, py::arg("SrcHighRow") = 0, py::arg("SrcLowLayer") = 0,
            py::arg("SrcHighLayer") = 0, py::arg("SrcLowTSlot") = 0, py::arg("SrcHighTSlot") = 0,
            "Source block to (DestCol, DestRow, DestLayer, DestTSlot); the source range comes last "
            "and defaults to the whole source.")
        .def(
            "CopyLayerToMatrix",
            [](const TMat4D& b, TMatrix& Dest, int Layer, int TimeSlot, int c0, int c1, int r0, int r1) {
                RequireNoViews(&Dest, "TMatrix");
                b.CopyLayerToMatrix(&Dest, c0, c1, r0, r1, Layer, TimeSlot);
            },
            py::arg("DestMat"), py::arg("Layer"), py::arg("TimeSlot"), lc, hc, lr, hr)
        .def(
            "CopyLayerToArray",
            [](const TMat4D& b, int Layer, int TimeSlot, int c0, int c1, int r0, int r1) {
                TDouble2DArray a;
                const int code = b.CopyLayerToArray(a, c0, c1, r0, r1, Layer, TimeSlot);
                return py::make_tuple(
                    code, code == 0 ? py::object(FromColumnRowArray(a)) : py::object(py::none()));
            },
            py::arg("Layer"), py::arg("TimeSlot"), lc, hc, lr, hr,
            "(code, array of shape (columns, rows) of the block, or None).")
        .def(
            "CopyMatrixToLayer",
            [](TMat4D& b, const TMatrix& Src, int Layer, int TimeSlot, int SrcLowCol, int SrcHighCol,
               int SrcLowRow, int SrcHighRow, int LayLowCol, int LayLowRow) {
                b.CopyMatrixToLayer(&Src, SrcLowCol, SrcHighCol, SrcLowRow, SrcHighRow, Layer, TimeSlot,
                                    LayLowCol, LayLowRow);
            },
            py::arg("SrcMat"), py::arg("Layer"), py::arg("TimeSlot"), py::arg("SrcLowCol") = 0,
            py::arg("SrcHighCol") = 0, py::arg("SrcLowRow") = 0, py::arg("SrcHighRow") = 0,
            py::arg("LayLowCol") = 1, py::arg("LayLowRow") = 1)
        .def(
            "CopyArrayToLayer",
            [](TMat4D& b, const DoubleIn& Src, int Layer, int TimeSlot, int Col, int Row) {
                return b.CopyArrayToLayer(ToColumnRowArray(Src), Col, Row, Layer, TimeSlot);
            },
            py::arg("SrcArray"), py::arg("Layer"), py::arg("TimeSlot"), py::arg("Col") = 1,
            py::arg("Row") = 1,
            "SrcArray[i, j] to cell (Col + i, Row + j) of the layer; 0 or a negative code.")
        .def(
            "CopyTimeSlotToMat3D",
            [](const TMat4D& b, TMat3D& Dest, int TimeSlot, int c0, int c1, int r0, int r1, int l0,
               int l1) {
                RequireNoViews(&Dest, "TMat3D");
                RunWithoutGIL([&] { b.CopyTimeSlotToMat3D(&Dest, c0, c1, r0, r1, l0, l1, TimeSlot); });
            },
            py::arg("DestMat"), py::arg("TimeSlot"), lc, hc, lr, hr, py::arg("LowLay") = 0,
            py::arg("HighLay") = 0)
        .def(
            "CopyMat3DToTimeSlot",
            [](TMat4D& b, const TMat3D& Src, int TimeSlot, int DestCol, int DestRow, int DestLayer,
               int c0, int c1, int r0, int r1, int l0, int l1) {
                RunWithoutGIL([&] {
                    b.CopyMat3DToTimeSlot(&Src, c0, c1, r0, r1, l0, l1, TimeSlot, DestCol, DestRow,
                                          DestLayer);
                });
            },
            py::arg("SrcMat"), py::arg("TimeSlot"), py::arg("DestCol") = 1, py::arg("DestRow") = 1,
            py::arg("DestLayer") = 1, py::arg("SrcLowCol") = 0, py::arg("SrcHighCol") = 0,
            py::arg("SrcLowRow") = 0, py::arg("SrcHighRow") = 0, py::arg("SrcLowLay") = 0,
            py::arg("SrcHighLay") = 0)
        .def(
            "CopyPixelToVector",
            [](const TMat4D& b, TVector& Dest, int Col, int Row, int TimeSlot) {
                if (Dest.NrOfElem() != b.NrOfLayers()) RequireNoViews(&Dest, "TVector");
                return b.CopyPixelToVector(&Dest, Col, Row, TimeSlot);
            },
            py::arg("Dest"), py::arg("Col"), py::arg("Row"), py::arg("TimeSlot"))
        .def(
            "CopyVectorToPixel",
            [](TMat4D& b, const TVector& Src, int Col, int Row, int FirstLayer, int TimeSlot) {
                return b.CopyVectorToPixel(&Src, Col, Row, FirstLayer, TimeSlot);
            },
            py::arg("Src"), py::arg("Col"), py::arg("Row"), py::arg("FirstLayer"), py::arg("TimeSlot"));

    // Layer reductions: the GIL is released, the workers run, MathFeedBackProc takes the GIL for
    // each call. NThreads None uses every processor.
    using Reduction = bool (TMat4D::*)(TMatrix*, int, int, int, int, int, int, int, int, int) const;
    using ReductionAll = bool (TMat4D::*)(TMatrix*, int, int, int, int, int, int, int, int) const;
    struct TReductionEntry {
        const char* Name;
        Reduction WithThreads;
        ReductionAll AllThreads;
    };
    const TReductionEntry reductions[] = {
        {"MeanOfLayersToMatrix", &TMat4D::MeanOfLayersToMatrix, &TMat4D::MeanOfLayersToMatrix},
        {"MaximumOfLayersToMatrix", &TMat4D::MaximumOfLayersToMatrix, &TMat4D::MaximumOfLayersToMatrix},
        {"MinimumOfLayersToMatrix", &TMat4D::MinimumOfLayersToMatrix, &TMat4D::MinimumOfLayersToMatrix},
        {"StdDevOfLayersToMatrix", &TMat4D::StdDevOfLayersToMatrix, &TMat4D::StdDevOfLayersToMatrix}};
    for (const auto& [fname, withThreads, allThreads] : reductions)
        cls.def(
            fname,
            [withThreads = withThreads, allThreads = allThreads](
                const TMat4D& b, TMatrix& Dest, int c0, int c1, int r0, int r1, int l0, int l1, int t0,
                int t1, std::optional<int> NThreads) {
                RequireNoViews(&Dest, "TMatrix");
                return RunWithoutGIL([&] {
                    return NThreads ? (b.*withThreads)(&Dest, c0, c1, r0, r1, l0, l1, t0, t1, *NThreads)
                                    : (b.*allThreads)(&Dest, c0, c1, r0, r1, l0, l1, t0, t1);
                });
            },
            py::arg("DestMat"), lc, hc, lr, hr, ll, hl, lt, ht, py::arg("NThreads") = py::none(),
            "DestMat(c, r) := the reduction of position (c, r) over the block's layers and time "
            "slots; False after an abort.");

    // Files.
    cls.def(
           "SaveAsXMLFile",
           [](const TMat4D& b, const std::string& FName) {
               return RunWithoutGIL([&] { return b.SaveAsXMLFile(FName); });
           },
           py::arg("FName"))
        .def(
            "LoadFromXMLFile",
            [name](TMat4D& b, const std::string& FName) {
                Replaces(&b, name);
                return RunWithoutGIL([&] { return b.LoadFromXMLFile(FName); });
            },
            py::arg("FName"))
        .def(
            "ReadBinaryHeader",
            [](const TMat4D& b, const std::string& FName) {
                int nc = 0, nr = 0, nl = 0, nt = 0, fmt = 0;
                std::string id;
                const bool ok = b.ReadBinaryHeader(FName, nc, nr, nl, nt, id, fmt);
                return py::make_tuple(ok, nc, nr, nl, nt, id, fmt);
            },
            py::arg("FName"), "(ok, NrColumns, NrRows, NrLayers, NrTimeSlots, DataID, Format).")
        .def(
            "ReadBinary",
            [](TMat4D& b, const std::string& FName, int TSlotStart, int TSlotEnd) {
                return RunWithoutGIL([&] { return b.ReadBinary(FName, TSlotStart, TSlotEnd); });
            },
            py::arg("FName"), py::arg("TSlotStart") = 0, py::arg("TSlotEnd") = 0,
            "Streams the cells of the file to OnReadElement; 0, or -1 when TSlotStart lies beyond the "
            "file.")
        .def(
            "ReadLayer",
            [](TMat4D& b, const std::string& FName, int Layer, int TSlot) {
                return RunWithoutGIL([&] { return b.ReadLayer(FName, Layer, TSlot); });
            },
            py::arg("FName"), py::arg("Layer"), py::arg("TSlot"))
        .def(
            "SaveBinary",
            [](const TMat4D& b, const std::string& FName) {
                return RunWithoutGIL([&] { return b.SaveBinary(FName); });
            },
            py::arg("FName"))
        .def(
            "AppendToBinaryFile",
            [](const TMat4D& b, const std::string& FName) {
                return RunWithoutGIL([&] { return b.AppendToBinaryFile(FName); });
            },
            py::arg("FName"))
        .def(
            "LoadBinary",
            [name](TMat4D& b, const std::string& FName) {
                Replaces(&b, name);
                return RunWithoutGIL([&] { return b.LoadBinary(FName); });
            },
            py::arg("FName"))
        .def(
            "LoadBinaryNoFmtCheck",
            [name](TMat4D& b, const std::string& FName) {
                Replaces(&b, name);
                return RunWithoutGIL([&] { return b.LoadBinaryNoFmtCheck(FName); });
            },
            py::arg("FName"))
        .def_property(
            "OnPercentDone", [](const TMat4D& b) { return EventCallable(b.OnPercentDone); },
            [](TMat4D& b, const py::object& Fn) { b.OnPercentDone = PercentEvent(Fn); },
            "Called as OnPercentDone(sender, PercentDone).")
        .def_property(
            "OnReadElement", [](const TMat4D& b) { return EventCallable(b.OnReadElement); },
            [](TMat4D& b, const py::object& Fn) {
                b.OnReadElement = MakeEvent<void(TObject*, int, int, int, int, double)>(
                    Fn, [](const TPyCallable& h, TObject* s, int x, int y, int l, int t, double v) {
                        h.Get()(SenderObject(s), x, y, l, t, v);
                    });
            },
            "Called as OnReadElement(sender, ix, iy, il, it, Value) by ReadBinary.");
    InstallBuffer(cls, &Mat4DGetBuffer);

    m.attr("kBinaryOk") = matrix::kBinaryOk;
    m.attr("kBinaryCannotOpen") = matrix::kBinaryCannotOpen;
    m.attr("kBinaryWrongKind") = matrix::kBinaryWrongKind;
    m.attr("kBinaryTruncated") = matrix::kBinaryTruncated;
    m.attr("kBinaryShapeMismatch") = matrix::kBinaryShapeMismatch;
    m.def(
        "Read4DLayer",
        [](const std::string& FName, int Layer, int TSlot) {
            TDouble2DArray d;
            const int code = RunWithoutGIL([&] { return matrix::Read4DLayer(FName, Layer, TSlot, d); });
            return py::make_tuple(
                code, code == 0 ? py::object(FromColumnRowArray(d)) : py::object(py::none()));
        },
        py::arg("FName"), py::arg("Layer"), py::arg("TSlot"),
        "(code, the layer as an array of shape (columns, rows), or None).");
    m.def(
        "Read4DLayerAndAccumulate",
        [](const std::string& FName, int Layer, int TSlot, const DoubleIn& Dest) {
            TDouble2DArray d = ToColumnRowArray(Dest);
            const int code =
                RunWithoutGIL([&] { return matrix::Read4DLayerAndAccumulate(FName, Layer, TSlot, d); });
            return py::make_tuple(code, FromColumnRowArray(d));
        },
        py::arg("FName"), py::arg("Layer"), py::arg("TSlot"), py::arg("Dest"),
        "(code, Dest plus the layer); Dest of shape (columns, rows).");
}

}  // namespace

void BindStacks(py::module_& m) {
    BindMat3D(m);
    BindMat4D(m);
}

}  // namespace ozmpy
