// Shared pieces of the Python bindings: Python callables as library events, the run of long
// operations without the GIL, the count of numpy views per container and the guard that keeps
// their storage in place, and numpy conversions of the open arrays.
#pragma once

#include <pybind11/functional.h>
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <cstddef>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "ozm/base/types.hpp"
#include "ozm/platform/object.hpp"

namespace ozmpy {

namespace py = pybind11;

// Registration of each part of the module (one source file each).
void BindPlatform(py::module_& m);
void BindContainers(py::module_& m);
void BindOpenArrays(py::module_& m);
void BindTransforms(py::module_& m);
void BindMath2(py::module_& m);
void BindStatistics(py::module_& m);
void BindDataTable(py::module_& m);
void BindIntMatrix(py::module_& m);
void BindStacks(py::module_& m);
void BindHypothesisTests(py::module_& m);
void BindClassifiers(py::module_& m);
void BindCluster(py::module_& m);
void BindLearning(py::module_& m);

// A Python callable held by a C++ event. The reference lives in a shared holder whose last owner
// drops it with the GIL taken, so the library may copy and destroy its handlers on any thread.
class TPyCallable {
public:
    explicit TPyCallable(py::object Fn);
    const py::object& Get() const noexcept { return *FFn; }


private:
    std::shared_ptr<py::object> FFn;
};

// The Python object of a library object passed to an event (the existing wrapper when Python
// made the object; a non-owning one otherwise). Needs the GIL.
py::object SenderObject(ozm::TObject* Sender);

// A library event that calls a Python callable: Invoke(callable, event arguments...) adapts the
// arguments and the result. The callable stays reachable from the event (EventCallable), so that
// reading an event property gives back what was assigned.
template <typename Sig>
struct TEventTarget;
template <typename R, typename... A>
struct TEventTarget<R(A...)> {
    TPyCallable Callable;
    std::function<R(const TPyCallable&, A...)> Invoke;
    R operator()(A... a) const {
        py::gil_scoped_acquire gil;
        return Invoke(Callable, std::forward<A>(a)...);
    }
};

// None gives an empty event; anything else must be callable.
template <typename Sig, typename Invoker>
std::function<Sig> MakeEvent(const py::object& Fn, Invoker&& Invoke) {
    if (Fn.is_none()) return {};
    if (!PyCallable_Check(Fn.ptr())) throw py::type_error("an event handler must be callable or None");
    return TEventTarget<Sig>{TPyCallable(Fn), std::forward<Invoker>(Invoke)};
}

// The callable behind an event made by MakeEvent; None for an empty event or one set in C++.
template <typename Sig>
py::object EventCallable(const std::function<Sig>& Event) {
    if (const auto* target = Event.template target<TEventTarget<Sig>>())
        return target->Callable.Get();
    return py::none();
}

// Runs a long library operation without the GIL. MathFeedBackProc, when set from Python, takes
// the GIL again for each call; a Python error raised in it stops the operation through
// AbortMathProc and is raised here once the operation has returned.
// Records the first Python error of the feedback procedure and asks the operation to stop.
void RecordFeedbackError(py::error_already_set&& Error);
// Raises the recorded error, if any, and clears AbortMathProc that recording had set.
void RaisePendingFeedbackError();

template <typename F>
decltype(auto) RunWithoutGIL(F&& Operation) {
    if constexpr (std::is_void_v<decltype(Operation())>) {
        {
            py::gil_scoped_release release;
            Operation();
        }
        RaisePendingFeedbackError();
    } else {
        auto result = [&] {
            py::gil_scoped_release release;
            return Operation();
        }();
        RaisePendingFeedbackError();
        return result;
    }
}

// Numpy views handed out through the buffer protocol, counted per container. A container with
// views must keep its storage: routines that would replace it raise BufferError instead.
void AddView(const void* Container);
void RemoveView(const void* Container);
int ViewCount(const void* Container);
void RequireNoViews(const void* Container, const char* ClassName);

// The buffer protocol of the containers. ExportCells fills View for Ndim (1..4) dimensional
// cells at Data with the given shape and strides (in bytes) and counts the view; ReleaseCells
// is the matching release slot. A request that needs a layout the cells do not have (C order of
// a Fortran-ordered block, no strides) raises BufferError.
inline constexpr int kMaxViewDims = 4;
int ExportCells(PyObject* Owner, const void* Container, Py_buffer* View, int Flags, void* Data,
                Py_ssize_t ItemSize, const char* Format, int Ndim, const Py_ssize_t* Shape,
                const Py_ssize_t* Strides);
void ReleaseCells(PyObject* Owner, Py_buffer* View);

// The container behind a Python object; nullptr with BufferError set when there is none (an
// instance whose __init__ did not run).
template <typename T>
T* CppObject(PyObject* Obj) {
    T* object = nullptr;
    try {
        object = py::cast<T*>(py::handle(Obj));
    } catch (const py::cast_error&) {
        object = nullptr;
    }
    if (object == nullptr) PyErr_SetString(PyExc_BufferError, "not an initialised ozmnum container");
    return object;
}

// Replaces the buffer slots pybind11 installed for py::buffer_protocol() by the counting ones.
template <typename Class>
void InstallBuffer(Class& cls, getbufferproc Get) {
    auto* type = reinterpret_cast<PyTypeObject*>(cls.ptr());
    type->tp_as_buffer->bf_getbuffer = Get;
    type->tp_as_buffer->bf_releasebuffer = &ReleaseCells;
}

// numpy.asarray(Self): the zero-copy view of a container.
py::object AsArray(const py::object& Self);

// A container argument: the object itself when it is of the class, else a new container made
// by the class's Python constructor from the argument (a numpy array or anything numpy accepts).
// The holder keeps a made container alive for the call.
template <typename T>
struct TContainerArg {
    py::object Holder;
    T* Ptr;
    T& operator*() const { return *Ptr; }
    T* operator->() const { return Ptr; }
};

template <typename T>
TContainerArg<T> ContainerArg(const py::object& Obj, const char* ClassName) {
    if (py::isinstance<T>(Obj)) return {Obj, Obj.template cast<T*>()};
    py::object made = py::module_::import("ozmnum").attr(ClassName)(Obj);
    return {made, made.template cast<T*>()};
}

// Open arrays from numpy (copies: the library's arrays own their storage) and back.
ozm::TDoubleArray ToDoubleArray(const py::array_t<double, py::array::forcecast>& A);
ozm::TIntArray ToIntArray(const py::array_t<int32_t, py::array::forcecast>& A);
py::array_t<double> FromDoubleArray(const ozm::TDoubleArray& A);
// How a 2-D open array holds a numpy matrix M (rows x columns): the unit openarrays indexes
// A[column][row], the image kernels A[row][column].
enum class TOuter { Columns, Rows };
ozm::TDouble2DArray ToDouble2DArray(const py::array_t<double, py::array::forcecast>& M, TOuter Outer);
py::array_t<double> FromDouble2DArray(const ozm::TDouble2DArray& A, TOuter Outer);

}  // namespace ozmpy
