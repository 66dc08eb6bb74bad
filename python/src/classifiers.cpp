// TCFEvaluator (evaluation of a two-class classifier) and TCrossValidator, whose models Python
// builds and applies in its event handlers.
#include "common.hpp"
#include "ozm/statis/classifier.hpp"
#include "ozm/statis/crossval.hpp"

namespace ozmpy {

namespace {
using namespace ozm;
using DoubleIn = py::array_t<double, py::array::forcecast>;

py::array_t<double> VectorCells(const TVector& V) {
    const auto cells = V.Cells();
    return py::array_t<double>(static_cast<py::ssize_t>(cells.size()), cells.data());
}

// Fills one of the evaluator's arrays from numpy; both arrays take its length.
void SetArray(TCFEvaluator& e, const DoubleIn& A, void (TCFEvaluator::*Set)(int, double)) {
    if (A.ndim() != 1 || A.shape(0) < 1)
        throw py::value_error("a non-empty one-dimensional array is required");
    if (A.shape(0) > INT32_MAX) throw py::value_error("too many objects");
    const int n = static_cast<int>(A.shape(0));
    if (e.NData() != n) e.SetNData(n);
    auto r = A.unchecked<1>();
    for (int i = 0; i < n; ++i) (e.*Set)(i + 1, r(i));
}

void BindEvaluator(py::module_& m) {
    py::class_<TCFEvaluator, TComponent>(
        m, "TCFEvaluator",
        "Evaluation of a two-class classifier from true classes and continuous estimates.")
        .def(py::init([] { return std::make_unique<TCFEvaluator>(); }))
        .def_property("NData", &TCFEvaluator::NData, &TCFEvaluator::SetNData)
        .def("GetTrueData", &TCFEvaluator::GetTrueData, py::arg("ix"))
        .def("GetEstimData", &TCFEvaluator::GetEstimData, py::arg("ix"))
        .def("SetTrueData", &TCFEvaluator::SetTrueData, py::arg("ix"), py::arg("value"))
        .def("SetEstimData", &TCFEvaluator::SetEstimData, py::arg("ix"), py::arg("value"))
        .def(
            "SetTrueDataArray",
            [](TCFEvaluator& e, const DoubleIn& A) { SetArray(e, A, &TCFEvaluator::SetTrueData); },
            py::arg("values"), "SetTrueData for every element (NData becomes the array's length).")
        .def(
            "SetEstimDataArray",
            [](TCFEvaluator& e, const DoubleIn& A) { SetArray(e, A, &TCFEvaluator::SetEstimData); },
            py::arg("values"), "SetEstimData for every element (NData becomes the array's length).")
        .def(
            "CopyTrueFromMatrix",
            [](TCFEvaluator& e, int Col, const TMatrix& Src) { return e.CopyTrueFromMatrix(Col, &Src); },
            py::arg("Col"), py::arg("SrcMat"))
        .def(
            "CopyEstFromMatrix",
            [](TCFEvaluator& e, int Col, const TMatrix& Src) { return e.CopyEstFromMatrix(Col, &Src); },
            py::arg("Col"), py::arg("SrcMat"))
        .def(
            "GetActualDichoValues",
            [](const TCFEvaluator& e) {
                double v1 = 0, v2 = 0;
                const bool ok = e.GetActualDichoValues(v1, v2);
                return py::make_tuple(ok, v1, v2);
            },
            "(ok, v1, v2).")
        .def_property_readonly("IsDicho", &TCFEvaluator::IsDicho)
        .def_property_readonly("DichoV1", &TCFEvaluator::DichoV1)
        .def_property_readonly("DichoV2", &TCFEvaluator::DichoV2)
        .def_property_readonly("Threshold", &TCFEvaluator::Threshold)
        .def("SortEstimated", &TCFEvaluator::SortEstimated)
        .def("CalcConfusionMatrix", &TCFEvaluator::CalcConfusionMatrix, py::arg("CFThresh"))
        .def(
            "GetConfMatValues",
            [](const TCFEvaluator& e) {
                int32_t tp = 0, fp = 0, tn = 0, fn = 0;
                double thresh = 0;
                const int code = e.GetConfMatValues(tp, fp, tn, fn, thresh);
                return py::make_tuple(code, tp, fp, tn, fn, thresh);
            },
            "(code, tp, fp, tn, fn, Thresh).")
        .def("TpRate", &TCFEvaluator::TpRate)
        .def("FnRate", &TCFEvaluator::FnRate)
        .def("TnRate", &TCFEvaluator::TnRate)
        .def("FpRate", &TCFEvaluator::FpRate)
        .def("Precision", &TCFEvaluator::Precision)
        .def("NegPredVal", &TCFEvaluator::NegPredVal)
        .def("ThreatScore", &TCFEvaluator::ThreatScore)
        .def("Accuracy", &TCFEvaluator::Accuracy)
        .def("F1Score", &TCFEvaluator::F1Score)
        .def("Informedness", &TCFEvaluator::Informedness)
        .def("MatthewsCorr", &TCFEvaluator::MatthewsCorr)
        .def("UncertCoeff", &TCFEvaluator::UncertCoeff)
        .def(
            "OptimizeThresholds",
            [](TCFEvaluator& e) {
                TDouble2DArray roc;
                int best = 0;
                double auc = 0, tMcc = 0, tAcc = 0, tInf = 0;
                const int code = RunWithoutGIL(
                    [&] { return e.OptimizeThresholds(roc, best, auc, tMcc, tAcc, tInf); });
                py::object coords = code == 0 ? py::object(FromDouble2DArray(roc, TOuter::Rows))
                                              : py::object(py::none());
                return py::make_tuple(code, coords, best, auc, tMcc, tAcc, tInf);
            },
            "(code, ROCCoords, BestROC, AUC, ThreshMMC, ThreshAccuracy, ThreshInformedness); "
            "ROCCoords is a (3, k) array of false positive rates, true positive rates and "
            "estimates, BestROC a 0-based index of its columns.");
}

void BindCrossValidator(py::module_& m) {
    m.def("MatthewsCorrOfCounts", &statis::MatthewsCorrOfCounts, py::arg("tp"), py::arg("fp"),
          py::arg("tn"), py::arg("fn"));

    py::class_<TCrossValidator, TComponent>(
        m, "TCrossValidator",
        "Repeated hold-out cross-validation of a model built and applied by Python handlers.")
        .def(py::init([] { return std::make_unique<TCrossValidator>(); }))
        .def_property("SizeTestSet", &TCrossValidator::SizeTestSet, &TCrossValidator::SetTestSize)
        .def_property("MaxCreateFailures", &TCrossValidator::MaxCreateFailures,
                      &TCrossValidator::SetMaxCreateFailures)
        .def_property_readonly("CreateFailed", &TCrossValidator::CreateFailed)
        .def_property_readonly("IsExecuting", &TCrossValidator::IsExecuting)
        .def_property_readonly(
            "XMat", [](TCrossValidator& c) { return c.XMat(); },
            py::return_value_policy::reference_internal,
            "The predictors (one row per object), owned by the validator.")
        .def_property_readonly(
            "YMat", [](TCrossValidator& c) { return c.YMat(); },
            py::return_value_policy::reference_internal,
            "The responses (one row per object), owned by the validator.")
        .def("Execute", &TCrossValidator::Execute,
             "Runs the validation; the handlers are called on this thread with the GIL held.")
        .def("GetRMSEP", &TCrossValidator::GetRMSEP, py::arg("ix"))
        .def("GetTPRate", &TCrossValidator::GetTPRate, py::arg("ix"))
        .def("GetFPRate", &TCrossValidator::GetFPRate, py::arg("ix"))
        .def_property_readonly("Press", [](const TCrossValidator& c) { return VectorCells(c.Press()); })
        .def_property_readonly("TPCount",
                               [](const TCrossValidator& c) { return VectorCells(c.TPCount()); })
        .def_property_readonly("FPCount",
                               [](const TCrossValidator& c) { return VectorCells(c.FPCount()); })
        .def_property_readonly("TNCount",
                               [](const TCrossValidator& c) { return VectorCells(c.TNCount()); })
        .def_property_readonly("FNCount",
                               [](const TCrossValidator& c) { return VectorCells(c.FNCount()); })
        .def_property(
            "OnModelCreateRequest",
            [](const TCrossValidator& c) { return EventCallable(c.OnModelCreateRequest); },
            [](TCrossValidator& c, const py::object& Fn) {
                c.OnModelCreateRequest = MakeEvent<void(TObject*, int, const TIntArray&, bool&)>(
                    Fn,
                    [](const TPyCallable& h, TObject* s, int pct, const TIntArray& objects, bool& ok) {
                        py::array_t<int32_t> list(static_cast<py::ssize_t>(objects.size()),
                                                  objects.data());
                        ok = py::bool_(h.Get()(SenderObject(s), pct, list));
                    });
            },
            "Called as OnModelCreateRequest(sender, PercentDone, ObjectList) -> success; ObjectList "
            "holds the 1-based rows of the training objects.")
        .def_property(
            "OnModelApplyRequest",
            [](const TCrossValidator& c) { return EventCallable(c.OnModelApplyRequest); },
            [](TCrossValidator& c, const py::object& Fn) {
                c.OnModelApplyRequest =
                    MakeEvent<void(TObject*, int, const TDoubleArray&, TDoubleArray&)>(
                        Fn, [](const TPyCallable& h, TObject* s, int pct, const TDoubleArray& x,
                               TDoubleArray& y) {
                            py::array_t<double> predictors(static_cast<py::ssize_t>(x.size()), x.data());
                            const auto estimate = py::array_t<double, py::array::forcecast>::ensure(
                                h.Get()(SenderObject(s), pct, predictors));
                            if (!estimate || estimate.ndim() > 1 ||
                                static_cast<size_t>(estimate.size()) != y.size())
                                throw py::value_error("OnModelApplyRequest must return " +
                                                      std::to_string(y.size()) +
                                                      " estimates, one per response column");
                            const double* e = estimate.data();
                            for (size_t i = 0; i < y.size(); ++i) y[i] = e[i];
                        });
            },
            "Called as OnModelApplyRequest(sender, PercentDone, Predictors) -> estimates (one per "
            "response column).")
        .def_property(
            "OnCheckAbort", [](const TCrossValidator& c) { return EventCallable(c.OnCheckAbort); },
            [](TCrossValidator& c, const py::object& Fn) {
                c.OnCheckAbort = MakeEvent<void(TObject*, bool&)>(
                    Fn, [](const TPyCallable& h, TObject* s, bool& abort) {
                        abort = py::bool_(h.Get()(SenderObject(s)));
                    });
            },
            "Called as OnCheckAbort(sender) -> True to stop the validation.");
}
}  // namespace

void BindClassifiers(py::module_& m) {
    BindEvaluator(m);
    BindCrossValidator(m);
}

}  // namespace ozmpy
