#include "common.hpp"

#include <cstring>
#include <mutex>
#include <optional>
#include <unordered_map>

#include "ozm/base/globals.hpp"

namespace ozmpy {

TPyCallable::TPyCallable(py::object Fn)
    : FFn(new py::object(std::move(Fn)), [](py::object* Held) {
          // The last copy may die on a worker thread or with the GIL released.
          py::gil_scoped_acquire gil;
          delete Held;
      }) {}

py::object SenderObject(ozm::TObject* Sender) {
    if (Sender == nullptr) return py::none();
    // Polymorphic cast: finds the wrapper Python already has for this object (by its most
    // derived bound class), so a handler sees the very object it was assigned to.
    return py::cast(Sender, py::return_value_policy::reference);
}

// --- errors of the feedback procedure ----------------------------------------------------------

namespace {
std::mutex PendingMutex;
std::optional<py::error_already_set> PendingError;
}  // namespace

void RecordFeedbackError(py::error_already_set&& Error) {
    {
        std::lock_guard<std::mutex> lock(PendingMutex);
        if (!PendingError) PendingError.emplace(std::move(Error));
    }
    ozm::AbortMathProc.store(true);
}

void RaisePendingFeedbackError() {
    std::optional<py::error_already_set> error;
    {
        std::lock_guard<std::mutex> lock(PendingMutex);
        error.swap(PendingError);
    }
    if (error) {
        ozm::AbortMathProc.store(false);
        throw std::move(*error);
    }
}

// --- numpy views -------------------------------------------------------------------------------
// Touched only with the GIL held (buffer requests, releases and the bound routines).

namespace {
std::unordered_map<const void*, int>& Views() {
    static std::unordered_map<const void*, int> views;
    return views;
}
}  // namespace

void AddView(const void* Container) { ++Views()[Container]; }

void RemoveView(const void* Container) {
    auto it = Views().find(Container);
    if (it != Views().end() && --it->second <= 0) Views().erase(it);
}

int ViewCount(const void* Container) {
    auto it = Views().find(Container);
    return it == Views().end() ? 0 : it->second;
}

void RequireNoViews(const void* Container, const char* ClassName) {
    if (ViewCount(Container) > 0)
        throw py::buffer_error(std::string("the storage of this ") + ClassName +
                               " would be replaced while numpy views of its cells exist; "
                               "delete the views first");
}

// --- buffer protocol ---------------------------------------------------------------------------

namespace {
// The shape and strides of one exported view, owned by the view (Py_buffer::internal).
struct TViewLayout {
    const void* Container;
    Py_ssize_t Shape[kMaxViewDims];
    Py_ssize_t Strides[kMaxViewDims];
};

// True when the strides are those of a dense block in C order (last index fastest); dimensions
// of extent 1 do not matter, and an empty block is contiguous in any order.
bool IsCContiguous(int Ndim, const Py_ssize_t* Shape, const Py_ssize_t* Strides, Py_ssize_t ItemSize) {
    Py_ssize_t expected = ItemSize;
    for (int d = Ndim - 1; d >= 0; --d) {
        if (Shape[d] == 0) return true;
        if (Shape[d] > 1 && Strides[d] != expected) return false;
        expected *= Shape[d];
    }
    return true;
}
}  // namespace

int ExportCells(PyObject* Owner, const void* Container, Py_buffer* View, int Flags, void* Data,
                Py_ssize_t ItemSize, const char* Format, int Ndim, const Py_ssize_t* Shape,
                const Py_ssize_t* Strides) {
    if (Ndim < 1 || Ndim > kMaxViewDims) {
        PyErr_SetString(PyExc_BufferError, "unsupported number of dimensions");
        return -1;
    }
    // The blocks of the library are Fortran-ordered (first index fastest); a vector, a single
    // row or column, or a block with one extent above 1 is C-ordered as well.
    const bool cContiguous = IsCContiguous(Ndim, Shape, Strides, ItemSize);
    if ((Flags & PyBUF_STRIDES) != PyBUF_STRIDES && !cContiguous) {
        PyErr_SetString(PyExc_BufferError,
                        "the cells of this container are Fortran-ordered; request strides");
        return -1;
    }
    if ((Flags & PyBUF_C_CONTIGUOUS) == PyBUF_C_CONTIGUOUS && !cContiguous) {
        PyErr_SetString(PyExc_BufferError, "the cells of this container are not C-contiguous");
        return -1;
    }
    auto* layout = new TViewLayout{Container, {}, {}};
    Py_ssize_t count = 1;
    for (int d = 0; d < Ndim; ++d) {
        layout->Shape[d] = Shape[d];
        layout->Strides[d] = Strides[d];
        count *= Shape[d];
    }
    View->buf = Data;
    View->obj = Owner;
    Py_INCREF(Owner);
    View->len = count * ItemSize;
    View->readonly = 0;
    View->itemsize = ItemSize;
    View->format = (Flags & PyBUF_FORMAT) ? const_cast<char*>(Format) : nullptr;
    View->ndim = Ndim;
    View->shape = (Flags & PyBUF_ND) ? layout->Shape : nullptr;
    View->strides = (Flags & PyBUF_STRIDES) == PyBUF_STRIDES ? layout->Strides : nullptr;
    View->suboffsets = nullptr;
    View->internal = layout;
    AddView(Container);
    return 0;
}

void ReleaseCells(PyObject* /*Owner*/, Py_buffer* View) {
    auto* layout = static_cast<TViewLayout*>(View->internal);
    RemoveView(layout->Container);
    delete layout;
    View->internal = nullptr;
}

py::object AsArray(const py::object& Self) {
    return py::module_::import("numpy").attr("asarray")(Self);
}

// --- open arrays -------------------------------------------------------------------------------

ozm::TDoubleArray ToDoubleArray(const py::array_t<double, py::array::forcecast>& A) {
    if (A.ndim() != 1) throw py::value_error("a one-dimensional array is required");
    ozm::TDoubleArray out(static_cast<size_t>(A.shape(0)));
    auto r = A.unchecked<1>();
    for (py::ssize_t i = 0; i < A.shape(0); ++i) out[static_cast<size_t>(i)] = r(i);
    return out;
}

ozm::TIntArray ToIntArray(const py::array_t<int32_t, py::array::forcecast>& A) {
    if (A.ndim() != 1) throw py::value_error("a one-dimensional array is required");
    ozm::TIntArray out(static_cast<size_t>(A.shape(0)));
    auto r = A.unchecked<1>();
    for (py::ssize_t i = 0; i < A.shape(0); ++i) out[static_cast<size_t>(i)] = r(i);
    return out;
}

ozm::TDouble2DArray ToDouble2DArray(const py::array_t<double, py::array::forcecast>& M, TOuter Outer) {
    if (M.ndim() != 2) throw py::value_error("a two-dimensional array is required");
    auto r = M.unchecked<2>();
    const bool byColumn = Outer == TOuter::Columns;
    const size_t outer = static_cast<size_t>(byColumn ? M.shape(1) : M.shape(0));
    const size_t inner = static_cast<size_t>(byColumn ? M.shape(0) : M.shape(1));
    ozm::TDouble2DArray out(outer, ozm::TDoubleArray(inner));
    for (size_t i = 0; i < outer; ++i)
        for (size_t j = 0; j < inner; ++j)
            out[i][j] = byColumn ? r(static_cast<py::ssize_t>(j), static_cast<py::ssize_t>(i))
                                 : r(static_cast<py::ssize_t>(i), static_cast<py::ssize_t>(j));
    return out;
}

py::array_t<double> FromDoubleArray(const ozm::TDoubleArray& A) {
    py::array_t<double> out(static_cast<py::ssize_t>(A.size()));
    if (!A.empty()) std::memcpy(out.mutable_data(), A.data(), A.size() * sizeof(double));
    return out;
}

py::array_t<double> FromDouble2DArray(const ozm::TDouble2DArray& A, TOuter Outer) {
    const size_t outer = A.size();
    const size_t inner = outer == 0 ? 0 : A[0].size();
    for (const auto& sub : A)
        if (sub.size() != inner) throw py::value_error("a ragged array has no numpy form");
    const bool byColumn = Outer == TOuter::Columns;
    const auto rows = static_cast<py::ssize_t>(byColumn ? inner : outer);
    const auto cols = static_cast<py::ssize_t>(byColumn ? outer : inner);
    py::array_t<double> out({rows, cols});
    auto w = out.mutable_unchecked<2>();
    for (size_t i = 0; i < outer; ++i)
        for (size_t j = 0; j < inner; ++j) {
            const auto pi = static_cast<py::ssize_t>(i), pj = static_cast<py::ssize_t>(j);
            (byColumn ? w(pj, pi) : w(pi, pj)) = A[i][j];
        }
    return out;
}

}  // namespace ozmpy
