// The learning machines: TMemBasedLearner (k nearest neighbours over a model table).
// Objects (sensors) are numpy vectors with one entry per model column; results that the library
// writes into its arguments come back as arrays. The searches run without the GIL; the events
// take it again.
#include <cstring>

#include "common.hpp"
#include "ozm/membl.hpp"

namespace ozmpy {

namespace {
using namespace ozm;
using DoubleIn = py::array_t<double, py::array::forcecast>;
using IntIn = py::array_t<int32_t, py::array::forcecast>;

// --- memory-based learner ---------------------------------------------------------------------

// Loading a model replaces the storage of the model table's matrix.
void RequireTableWithoutViews(const TMemBasedLearner& L) {
    RequireNoViews(L.ModelData()->NumericData(), "TDataTable's NumericData");
}

py::array_t<int32_t> IntCells(const int32_t* Data, size_t Count) {
    py::array_t<int32_t> out(static_cast<py::ssize_t>(Count));
    if (Count > 0) std::memcpy(out.mutable_data(), Data, Count * sizeof(int32_t));
    return out;
}

py::array_t<double> DoubleCells(const double* Data, size_t Count) {
    py::array_t<double> out(static_cast<py::ssize_t>(Count));
    if (Count > 0) std::memcpy(out.mutable_data(), Data, Count * sizeof(double));
    return out;
}

// The number of model objects whose neighbour lists CalcNNOfModelData left current: the lists
// cover objects 1..n without gaps.
int CurrentNNObjects(const TMemBasedLearner& L) {
    int n = 0;
    while (L.GetkNNofModelData(1, n + 1) != -1) ++n;
    return n;
}

template <size_t N>
py::list IdList(const std::array<std::string_view, N>& Ids) {
    py::list out;
    for (const auto id : Ids) out.append(py::str(id.data(), id.size()));
    return out;
}

void BindLearnerEnums(py::module_& m) {
    py::enum_<TMBLVarType>(m, "TMBLVarType")
        .value("mblVarIgnore", TMBLVarType::mblVarIgnore)
        .value("mblVarIndep", TMBLVarType::mblVarIndep)
        .value("mblVarTarget", TMBLVarType::mblVarTarget)
        .export_values();
    py::enum_<TMBLDistMode>(m, "TMBLDistMode")
        .value("mblDistEuclid", TMBLDistMode::mblDistEuclid)
        .value("mblDistManhattan", TMBLDistMode::mblDistManhattan)
        .value("mblDistMahalanobis", TMBLDistMode::mblDistMahalanobis)
        .export_values();
    py::enum_<TMBLScalingMode>(m, "TMBLScalingMode")
        .value("mblUnscaled", TMBLScalingMode::mblUnscaled)
        .value("mblStandardized", TMBLScalingMode::mblStandardized)
        .export_values();
    py::enum_<TMBLLocalModel>(m, "TMBLLocalModel")
        .value("mblLMAverage", TMBLLocalModel::mblLMAverage)
        .value("mblLMWgtGauss", TMBLLocalModel::mblLMWgtGauss)
        .value("mblLMMajority", TMBLLocalModel::mblLMMajority)
        .value("mblLMRegress", TMBLLocalModel::mblLMRegress)
        .export_values();

    // The names and result codes of the namespace membl, in a submodule of the same name so that
    // the generic code names (kXmlOk, kBinOk, ...) stay apart from those of other units.
    py::module_ sub = m.def_submodule("membl", "Names and result codes of TMemBasedLearner.");
    sub.attr("MBLDistModeID") = IdList(membl::MBLDistModeID);
    sub.attr("MBLScalingModeID") = IdList(membl::MBLScalingModeID);
    sub.attr("MBLLocalModelID") = IdList(membl::MBLLocalModelID);
    sub.attr("MBLxmlTags") = IdList(membl::MBLxmlTags);
    sub.attr("kMaxNeighbours") = membl::kMaxNeighbours;
    sub.attr("kApplyOk") = membl::kApplyOk;
    sub.attr("kApplyTooFewObjects") = membl::kApplyTooFewObjects;
    sub.attr("kApplyBadSensor") = membl::kApplyBadSensor;
    sub.attr("kApplyNoNeighbour") = membl::kApplyNoNeighbour;
    sub.attr("kContTabOk") = membl::kContTabOk;
    sub.attr("kContTabBadColumn") = membl::kContTabBadColumn;
    sub.attr("kContTabNotCategorical") = membl::kContTabNotCategorical;
    sub.attr("kContTabBadCount") = membl::kContTabBadCount;
    sub.attr("kContTabBadMinimum") = membl::kContTabBadMinimum;
    sub.attr("kXmlOk") = membl::kXmlOk;
    sub.attr("kXmlNoModelData") = membl::kXmlNoModelData;
    sub.attr("kXmlBadModelData") = membl::kXmlBadModelData;
    sub.attr("kBinOk") = membl::kBinOk;
    sub.attr("kBinBadSignature") = membl::kBinBadSignature;
    sub.attr("kBinReadError") = membl::kBinReadError;
}

void BindMemBasedLearner(py::module_& m) {
    BindLearnerEnums(m);
    py::class_<TMemBasedLearner, TComponent> cls(
        m, "TMemBasedLearner",
        "k-nearest-neighbour learner over the model table ModelData; rows and columns 1-based.");
    cls.def(py::init([] { return std::make_unique<TMemBasedLearner>(); }))
        .def_property_readonly(
            "ModelData", &TMemBasedLearner::ModelData, py::return_value_policy::reference_internal,
            "The model objects: a TDataTable owned by the learner (the object keeps the learner "
            "alive). Column attributes hold the roles. After writing through its Data view call "
            "ModelData.Changed(); do not assign its OnChange, which keeps the learner informed.")
        .def_property("ModelName", &TMemBasedLearner::ModelName, &TMemBasedLearner::SetModelName)
        .def_property("Comment", &TMemBasedLearner::Comment, &TMemBasedLearner::SetComment)
        .def_property("NumNearestNb", &TMemBasedLearner::NumNearestNb,
                      &TMemBasedLearner::SetNumNearestNb,
                      "k; setting cuts it to the model rows and to 100, then raises it to 1.")
        .def_property("LocalModel", &TMemBasedLearner::LocalModel, &TMemBasedLearner::SetLocalModel)
        .def_property("DistMode", &TMemBasedLearner::DistMode, &TMemBasedLearner::SetDistMode)
        .def_property("ScalingMode", &TMemBasedLearner::ScalingMode,
                      &TMemBasedLearner::SetScalingMode)
        .def("GetVarType", &TMemBasedLearner::GetVarType, py::arg("ix"))
        .def("SetVarType", &TMemBasedLearner::SetVarType, py::arg("ix"), py::arg("Value"))
        .def("SetAllVars", &TMemBasedLearner::SetAllVars, py::arg("VarType"))
        .def("CountIndependentVars", &TMemBasedLearner::CountIndependentVars)
        .def("CountTargetVars", &TMemBasedLearner::CountTargetVars)
        .def(
            "MeanVarRange",
            [](TMemBasedLearner& L) {
                const TMatrix& s = L.MeanVarRange();
                const int cols = s.NrOfColumns(), rows = s.NrOfRows();
                py::array_t<double, py::array::f_style> out({rows, cols});
                auto w = out.mutable_unchecked<2>();
                for (int c = 1; c <= cols; ++c)
                    for (int r = 1; r <= rows; ++r) w(r - 1, c - 1) = s.GetVal(c, r);
                return out;
            },
            "A copy of the column statistics as a (4, columns) array: mean, variance, smallest "
            "and largest value of each model column.")
        .def(
            "CalcDist",
            [](TMemBasedLearner& L, const DoubleIn& Sensor, int obj) {
                const TDoubleArray s = ToDoubleArray(Sensor);
                return L.CalcDist(s, obj);
            },
            py::arg("Sensor"), py::arg("obj"),
            "Distance of Sensor (one entry per model column) to model row obj; -1 for a sensor "
            "of another length or a row outside the table.")
        .def(
            "ApplyModel",
            [](TMemBasedLearner& L, const DoubleIn& Sensor, int ExcludeObj, int Tag) {
                TDoubleArray s = ToDoubleArray(Sensor);
                const int code = RunWithoutGIL([&] { return L.ApplyModel(s, ExcludeObj, Tag); });
                return py::make_tuple(code, FromDoubleArray(s));
            },
            py::arg("Sensor"), py::arg("ExcludeObj") = 0, py::arg("Tag") = 0,
            "(code, Sensor): the sensor is copied in and comes back with its target entries "
            "estimated (membl.kApplyOk) or as the library leaves it for the other codes. "
            "OnModelApplied fires as in the library.")
        .def(
            "ApplyModelArray",
            [](TMemBasedLearner& L, const DoubleIn& Sensors, const py::object& ExcludeObjs) {
                if (Sensors.ndim() != 2)
                    throw py::value_error("sensors are a two-dimensional array (one row each)");
                const py::ssize_t n = Sensors.shape(0), cols = Sensors.shape(1);
                if (n > INT32_MAX) throw py::value_error("too many sensors");
                std::vector<int32_t> exclude(static_cast<size_t>(n), 0);
                if (!ExcludeObjs.is_none()) {
                    const IntIn ex = ExcludeObjs.cast<IntIn>();
                    if (ex.ndim() != 1 || ex.shape(0) != n)
                        throw py::value_error("ExcludeObjs needs one entry per sensor");
                    auto e = ex.unchecked<1>();
                    for (py::ssize_t i = 0; i < n; ++i) exclude[static_cast<size_t>(i)] = e(i);
                }
                py::array_t<int32_t> codes(n);
                py::array_t<double> out({n, cols});
                auto in = Sensors.unchecked<2>();
                auto w = out.mutable_unchecked<2>();
                auto c = codes.mutable_unchecked<1>();
                RunWithoutGIL([&] {
                    TDoubleArray s(static_cast<size_t>(cols));
                    for (py::ssize_t i = 0; i < n; ++i) {
                        for (py::ssize_t j = 0; j < cols; ++j) s[static_cast<size_t>(j)] = in(i, j);
                        c(i) = L.ApplyModel(s, exclude[static_cast<size_t>(i)],
                                            static_cast<int>(i) + 1);
                        for (py::ssize_t j = 0; j < cols; ++j) w(i, j) = s[static_cast<size_t>(j)];
                    }
                });
                return py::make_tuple(codes, out);
            },
            py::arg("Sensors"), py::arg("ExcludeObjs") = py::none(),
            "ApplyModel for every row of a (n, columns) array without the GIL: (codes, "
            "estimates), codes an int32 array and estimates the rows as ApplyModel leaves them. "
            "Row i (1-based) is applied with Tag i and leaves out model row ExcludeObjs[i - 1] "
            "(none when ExcludeObjs is None): ExcludeObjs = arange(1, n + 1) over the model's "
            "own rows is a leave-one-out run.")
        .def("CalcNNOfModelData",
             [](TMemBasedLearner& L) { RunWithoutGIL([&] { L.CalcNNOfModelData(); }); },
             "The 100 nearest rows of every model row (itself included), without the GIL.")
        .def("GetkNNofModelData", &TMemBasedLearner::GetkNNofModelData, py::arg("k"), py::arg("obj"))
        .def("GetkNNDistofModelData", &TMemBasedLearner::GetkNNDistofModelData, py::arg("k"),
             py::arg("obj"))
        .def(
            "GetkNNArraysOfModelData",
            [](const TMemBasedLearner& L) {
                const int n = CurrentNNObjects(L);
                const int kk = membl::kMaxNeighbours;
                py::array_t<int32_t> rows({n, kk});
                py::array_t<double> dist({n, kk});
                auto r = rows.mutable_unchecked<2>();
                auto d = dist.mutable_unchecked<2>();
                for (int obj = 1; obj <= n; ++obj)
                    for (int k = 1; k <= kk; ++k) {
                        r(obj - 1, k - 1) = L.GetkNNofModelData(k, obj);
                        d(obj - 1, k - 1) = L.GetkNNDistofModelData(k, obj);
                    }
                return py::make_tuple(rows, dist);
            },
            "(Rows, Distances), (n, 100) arrays of the lists of CalcNNOfModelData: row obj - 1 "
            "holds the 1-based neighbour rows of model row obj and their distances; n is 0 when "
            "no current lists exist.")
        .def(
            "CalcContingencyTable",
            [](TMemBasedLearner& L, int VarIx, int NumNb) {
                TInt2DArray tab;
                const int code = RunWithoutGIL([&] { return L.CalcContingencyTable(VarIx, NumNb, tab); });
                if (code != membl::kContTabOk) return py::make_tuple(code, py::none());
                const auto p = static_cast<py::ssize_t>(tab.size());
                py::array_t<int32_t> out({p, p});
                auto w = out.mutable_unchecked<2>();
                for (py::ssize_t a = 0; a < p; ++a)
                    for (py::ssize_t b = 0; b < p; ++b)
                        w(a, b) = tab[static_cast<size_t>(a)][static_cast<size_t>(b)];
                return py::make_tuple(code, py::object(out));
            },
            py::arg("VarIx"), py::arg("NumNb"),
            "(code, ContTab): ContTab an int32 (p + 1, p + 1) array whose [a, b] counts rows of "
            "category min + a with a neighbour of category min + b, the totals in the last row "
            "and column; None unless code is membl.kContTabOk.")
        .def(
            "StoreModelXML",
            [](const TMemBasedLearner& L, const std::string& FName, const std::string& DataID) {
                RunWithoutGIL([&] { L.StoreModelXML(FName, DataID); });
            },
            py::arg("FName"), py::arg("DataID") = "")
        .def(
            "LoadModelXML",
            [](TMemBasedLearner& L, const std::string& FName) {
                RequireTableWithoutViews(L);
                std::string id;
                const int code = RunWithoutGIL([&] { return L.LoadModelXML(FName, id); });
                return py::make_tuple(code, id);
            },
            py::arg("FName"), "(code, DataId).")
        .def(
            "LoadModelXMLFromString",
            [](TMemBasedLearner& L, const std::string& Text) {
                RequireTableWithoutViews(L);
                std::string id;
                const int code = RunWithoutGIL([&] { return L.LoadModelXMLFromString(Text, id); });
                return py::make_tuple(code, id);
            },
            py::arg("Text"), "(code, DataId) from the text of an XML model file.")
        .def(
            "StoreModelBin",
            [](const TMemBasedLearner& L, const std::string& FName, const std::string& DataID) {
                RunWithoutGIL([&] { L.StoreModelBin(FName, DataID); });
            },
            py::arg("FName"), py::arg("DataID") = "")
        .def(
            "LoadModelBin",
            [](TMemBasedLearner& L, const std::string& FName) {
                RequireTableWithoutViews(L);
                std::string id;
                const int code = RunWithoutGIL([&] { return L.LoadModelBin(FName, id); });
                return py::make_tuple(code, id);
            },
            py::arg("FName"), "(code, DataId).")
        .def_property(
            "OnModelApplied", [](const TMemBasedLearner& L) { return EventCallable(L.OnModelApplied); },
            [](TMemBasedLearner& L, const py::object& Fn) {
                L.OnModelApplied =
                    MakeEvent<void(TObject*, int, const TIntArray&, const TDoubleArray&, int)>(
                        Fn, [](const TPyCallable& h, TObject* s, int Tag, const TIntArray& Nix,
                               const TDoubleArray& Dist, int errnum) {
                            h.Get()(SenderObject(s), Tag, IntCells(Nix.data(), Nix.size()),
                                    DoubleCells(Dist.data(), Dist.size()), errnum);
                        });
            },
            "Called as OnModelApplied(sender, Tag, NearNix, NearNDist, errnum) with the 100 "
            "neighbour rows (int32) and distances (copies).")
        .def_property(
            "OnPercentDone", [](const TMemBasedLearner& L) { return EventCallable(L.OnPercentDone); },
            [](TMemBasedLearner& L, const py::object& Fn) {
                L.OnPercentDone = MakeEvent<void(TObject*, int)>(
                    Fn, [](const TPyCallable& h, TObject* s, int p) { h.Get()(SenderObject(s), p); });
            },
            "Called as OnPercentDone(sender, PercentDone) by CalcNNOfModelData and the model "
            "table's long operations (the learner as sender).");
}
}  // namespace

void BindLearning(py::module_& m) { BindMemBasedLearner(m); }

}  // namespace ozmpy
