// The platform and base essentials: the exception classes, the object model and the progress
// hooks ProcStat, MathFeedBackProc and AbortMathProc.
#include <typeindex>
#include <unordered_map>

#include "common.hpp"
#include "ozm/base/globals.hpp"
#include "ozm/frame.hpp"
#include "ozm/platform/exceptions.hpp"

namespace ozmpy {

namespace {

// Python class per library exception class, looked up by the dynamic type of the exception.
std::unordered_map<std::type_index, PyObject*>& ExceptionClasses() {
    static std::unordered_map<std::type_index, PyObject*> classes;
    return classes;
}

template <typename E>
PyObject* AddException(py::module_& m, const char* Name, PyObject* Base, const char* Doc) {
    const std::string qualified = std::string("ozmnum.") + Name;
    PyObject* cls = PyErr_NewExceptionWithDoc(qualified.c_str(), Doc, Base, nullptr);
    if (cls == nullptr) throw py::error_already_set();
    m.add_object(Name, py::handle(cls));  // the module keeps the reference
    ExceptionClasses()[std::type_index(typeid(E))] = cls;
    return cls;
}

void RegisterExceptions(py::module_& m) {
    using namespace ozm;
    PyObject* base = AddException<ozm::Exception>(
        m, "Exception", PyExc_Exception, "Base class of every error the library raises.");
    AddException<EMathError>(m, "EMathError", base, "Floating-point math error.");
    AddException<EInOutError>(m, "EInOutError", base, "Input/output error.");
    AddException<EConvertError>(m, "EConvertError", base, "Conversion or assignment error.");
    AddException<EOZMSLineError>(m, "EOZMSLineError", base, "Error of the straight-line class.");
    PyObject* ozmError = AddException<EOZMError>(m, "EOZMError", base, "Base of the units' errors.");
    AddException<EOZMMath1Error>(m, "EOZMMath1Error", ozmError, "Error of the unit math1.");
    AddException<EOZMComplexError>(m, "EOZMComplexError", ozmError, "Error of complex numbers.");
    AddException<EOZMVectorError>(m, "EOZMVectorError", ozmError, "Error of the vectors.");
    AddException<EOZMMatrixError>(m, "EOZMMatrixError", ozmError, "Error of the matrices.");
    AddException<EOZMDataTableError>(m, "EOZMDataTableError", ozmError, "Error of the data table.");
    AddException<EOZMStatisError>(m, "EOZMStatisError", ozmError, "Error of the statistics.");
    AddException<EOZMMath2Error>(m, "EOZMMath2Error", ozmError, "Error of the unit math2.");
    AddException<EOZMMathExp>(m, "EOZMMathExp", ozmError, "Error of the expression parser.");
    AddException<EOZMFourierError>(m, "EOZMFourierError", ozmError, "Error of the Fourier transform.");
    AddException<EOZMWaveletError>(m, "EOZMWaveletError", ozmError, "Error of the wavelet transform.");

    py::register_exception_translator([](std::exception_ptr p) {
        try {
            if (p) std::rethrow_exception(p);
        } catch (const ozm::Exception& e) {
            // The most derived bound class; a class added to the library later falls back to
            // the nearest one pybind11 can see, the base class.
            auto it = ExceptionClasses().find(std::type_index(typeid(e)));
            PyObject* cls = it != ExceptionClasses().end()
                                ? it->second
                                : ExceptionClasses().at(std::type_index(typeid(ozm::Exception)));
            PyErr_SetString(cls, e.what());
        }
    });
}

void BindProgress(py::module_& m) {
    m.def("GetProcStat", [] { return ozm::ProcStat.load(); },
          "The progress counter of long operations.");
    m.def("SetProcStat", [](double Value) { ozm::ProcStat.store(Value); },
          "Sets the progress counter (usually to 0 before an operation).");
    m.def("GetAbortMathProc", [] { return ozm::AbortMathProc.load(); },
          "True when running operations are asked to stop.");
    m.def("SetAbortMathProc", [](bool Value) { ozm::AbortMathProc.store(Value); },
          "Asks running operations to stop (True) or allows them to run (False).");
    m.def("IncProcStat",
          [] {
              ozm::IncProcStat();
              RaisePendingFeedbackError();
          },
          "Adds 1 to ProcStat and calls MathFeedBackProc with the new value.");
    m.def(
        "SetMathFeedBackProc",
        [](const py::object& Fn) {
            ozm::MathFeedBackProc = MakeEvent<void(double)>(
                Fn, [](const TPyCallable& c, double Stat) {
                    try {
                        c.Get()(Stat);
                    } catch (py::error_already_set& e) {
                        // The operation must not unwind through worker threads; it is stopped
                        // and the error raised when it returns to Python.
                        RecordFeedbackError(std::move(e));
                    }
                });
        },
        py::arg("Proc"),
        "Sets the procedure called with ProcStat during long operations (None removes it). It "
        "runs on the thread of the operation with the GIL taken; an exception raised in it stops "
        "the operation and is raised by the operation's call.");
    m.def("GetMathFeedBackProc", [] { return EventCallable(ozm::MathFeedBackProc); },
          "The procedure set by SetMathFeedBackProc, or None.");
    // The callable must go before the interpreter does.
    auto atexit = py::module_::import("atexit");
    atexit.attr("register")(py::cpp_function([] { ozm::MathFeedBackProc = nullptr; }));
}

void BindObjects(py::module_& m) {
    using namespace ozm;
    py::class_<TObject>(m, "TObject")
        .def("ClassName", &TObject::ClassName)
        .def("__repr__", [](const TObject& o) { return std::string("<ozmnum.") + o.ClassName() + ">"; });
    py::class_<TPersistent, TObject>(m, "TPersistent")
        .def("Assign", &TPersistent::Assign, py::arg("Source"))
        .def("AssignTo", &TPersistent::AssignTo, py::arg("Dest"));
    py::class_<TComponent, TPersistent>(m, "TComponent")
        .def_property("Name", &TComponent::Name, &TComponent::SetName);
    py::class_<TOZMContainer, TComponent>(m, "TOZMContainer")
        .def("Changed", &TOZMContainer::Changed, "Fires OnChange (after writes through a numpy view).")
        .def_property(
            "OnChange", [](const TOZMContainer& c) { return EventCallable(c.OnChange); },
            [](TOZMContainer& c, const py::object& Fn) {
                c.OnChange = MakeEvent<void(TObject*)>(Fn, [](const TPyCallable& h, TObject* s) {
                    h.Get()(SenderObject(s));
                });
            },
            "Called as OnChange(sender) after every change of the cells.")
        .def_property(
            "OnSortExchange", [](const TOZMContainer& c) { return EventCallable(c.OnSortExchange); },
            [](TOZMContainer& c, const py::object& Fn) {
                c.OnSortExchange = MakeEvent<void(TObject*, uint8_t, int, int, int, int)>(
                    Fn, [](const TPyCallable& h, TObject* s, uint8_t What, int I1, int I2, int F,
                           int L) { h.Get()(SenderObject(s), What, I1, I2, F, L); });
            },
            "Called as OnSortExchange(sender, ExchgWhat, Index1, Index2, First, Last) by the sorts.");
}

}  // namespace

void BindPlatform(py::module_& m) {
    RegisterExceptions(m);
    BindProgress(m);
    BindObjects(m);
}

}  // namespace ozmpy
