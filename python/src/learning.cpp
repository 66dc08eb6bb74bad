// The learning machines: TMemBasedLearner (k nearest neighbours over a model table) and TKohonen
// (the self-organising map). Objects are numpy vectors; results that the library writes into its
// arguments come back as arrays. Searches and training run without the GIL; the events take it
// again.
#include <typeindex>
#include <vector>

#include "common.hpp"
#include "ozm/kohonen.hpp"
#include "ozm/matrix.hpp"
#include "ozm/membl.hpp"
#include "ozm/platform/stream.hpp"
#include "ozm/vector.hpp"

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

// The learner hears of changes of its table through the table's OnChange. Python can assign that
// event (it is a property of every container); the learner would then work on statistics and a
// search copy of the table as it was. When the learner's handler is gone, its caches are marked
// out of date before every operation that uses them, so results stay those of the current table.
void SyncModelTable(TMemBasedLearner& L) {
    static const std::type_index own = [] {
        const TMemBasedLearner probe;
        return std::type_index(probe.ModelData()->OnChange.target_type());
    }();
    TDataTable* t = L.ModelData();
    if (std::type_index(t->OnChange.target_type()) != own) L.DataTableChanged(t);
}

// A numpy copy of a library array.
template <typename T>
py::array_t<T> ArrayCopy(const std::vector<T>& A) {
    return py::array_t<T>(static_cast<py::ssize_t>(A.size()), A.data());
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
            "ModelData.Changed(). Its OnChange keeps the learner informed: once it is assigned, "
            "the learner recomputes its statistics at every operation.")
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
                SyncModelTable(L);
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
                SyncModelTable(L);
                return L.CalcDist(s, obj);
            },
            py::arg("Sensor"), py::arg("obj"),
            "Distance of Sensor (one entry per model column) to model row obj; -1 for a sensor "
            "of another length or a row outside the table.")
        .def(
            "ApplyModel",
            [](TMemBasedLearner& L, const DoubleIn& Sensor, int ExcludeObj, int Tag) {
                TDoubleArray s = ToDoubleArray(Sensor);
                SyncModelTable(L);
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
                SyncModelTable(L);
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
             [](TMemBasedLearner& L) {
                 SyncModelTable(L);
                 RunWithoutGIL([&] { L.CalcNNOfModelData(); });
             },
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
                SyncModelTable(L);
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
                            h.Get()(SenderObject(s), Tag, ArrayCopy(Nix), ArrayCopy(Dist), errnum);
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
// --- self-organising map ----------------------------------------------------------------------

auto MatrixArg(const py::object& Obj) { return ContainerArg<TMatrix>(Obj, "TMatrix"); }
auto VectorArg(const py::object& Obj) { return ContainerArg<TVector>(Obj, "TVector"); }

// The map replaces its weight block (new objects) when the grid changes, and the block and its
// data matrix when the inputs or the data change and when a map is read; read-only numpy views of
// both are handed out, so those calls are refused while views of what they replace exist.
void RequireWeightsWithoutViews(const TKohonen& k) {
    RequireNoViews(&k.WeightMatrix(), "TKohonen's WeightMatrix");
}
void RequireMapWithoutViews(const TKohonen& k) {
    RequireWeightsWithoutViews(k);
    RequireNoViews(&k.TrainData(), "TKohonen's TrainData");
}

// A read-only numpy view of a container the map owns; the view keeps the map alive.
py::object ReadOnlyView(const py::object& Self, const TOZMContainer* Container) {
    py::object wrapper = py::cast(Container, py::return_value_policy::reference_internal, Self);
    py::object view = AsArray(wrapper);
    view.attr("flags").attr("writeable") = false;
    return view;
}

py::array_t<double> VectorCopy(const TVector& V) {
    const auto cells = V.Cells();
    return py::array_t<double>(static_cast<py::ssize_t>(cells.size()), cells.data());
}

// Python class of EOZMKohonenError, derived from ozmnum.EOZMError.
PyObject* KohonenErrorClass = nullptr;

void BindKohonen(py::module_& m) {
    KohonenErrorClass = PyErr_NewExceptionWithDoc("ozmnum.EOZMKohonenError",
                                                  "Error of the self-organising map.",
                                                  m.attr("EOZMError").ptr(), nullptr);
    if (KohonenErrorClass == nullptr) throw py::error_already_set();
    m.add_object("EOZMKohonenError", py::handle(KohonenErrorClass));
    // Tried before the translator of the other library errors (registered earlier).
    py::register_exception_translator([](std::exception_ptr p) {
        try {
            if (p) std::rethrow_exception(p);
        } catch (const EOZMKohonenError& e) {
            PyErr_SetString(KohonenErrorClass, e.what());
        }
    });

    py::module_ sub = m.def_submodule("kohonen", "Names of the self-organising map's XML format.");
    sub.attr("KohonenXMLTags") = IdList(kohonen::KohonenXMLTags);
    sub.attr("kRootElement") = std::string(kohonen::kRootElement);
    sub.attr("kSignature") = std::string(kohonen::kSignature);
    sub.attr("kFormatVersion") = std::string(kohonen::kFormatVersion);

    // Setters that replace the weight block (and, with Data, the data matrix).
    auto structural = [](void (TKohonen::*Set)(int), bool Data) {
        return [Set, Data](TKohonen& k, int Value) {
            if (Data)
                RequireMapWithoutViews(k);
            else
                RequireWeightsWithoutViews(k);
            (k.*Set)(Value);
        };
    };

    py::class_<TKohonen, TComponent> cls(
        m, "TKohonen",
        "Kohonen self-organising map of SizeX x SizeY neurons with NrOfInSens weights each; "
        "neurons (ix, iy) and inputs 1-based.");
    cls.def(py::init([] { return std::make_unique<TKohonen>(); }))
        .def_property("SizeX", &TKohonen::SizeX, structural(&TKohonen::SetSizeX, false),
                      "Neurons along x; setting a new value makes every weight 0.")
        .def_property("SizeY", &TKohonen::SizeY, structural(&TKohonen::SetSizeY, false),
                      "Neurons along y; setting a new value makes every weight 0.")
        .def_property("NrOfInSens", &TKohonen::NrOfInSens, structural(&TKohonen::SetNumInsens, true),
                      "Inputs per neuron (SetNumInsens: weights 0, data zeros of as many rows).")
        .def_property("InitialNeighbors", &TKohonen::InitialNeighbors,
                      &TKohonen::SetInitialNeighbors)
        .def_property("NrOfTrnSteps", &TKohonen::NrOfTrnSteps, &TKohonen::SetNrOfTrnSteps)
        .def_property("InitialAlpha", &TKohonen::InitialAlpha, &TKohonen::SetInitialAlpha)
        .def_property("Cyclic", &TKohonen::Cyclic, &TKohonen::SetCyclic)
        .def_property("Comment", &TKohonen::Comment, &TKohonen::SetComment)
        .def_property("DataID", &TKohonen::DataID, &TKohonen::SetDataID)
        .def_property_readonly("NrOfTrnObj", &TKohonen::NrOfTrnObj)
        .def_property_readonly("CurrentStep", &TKohonen::CurrentStep)
        .def_property_readonly("CurrentNeighbors", &TKohonen::CurrentNeighbors)
        .def_property_readonly("CurrentAlpha", &TKohonen::CurrentAlpha)
        .def_property_readonly("LastXMLError", &TKohonen::LastXMLError)
        .def_property(
            "TrainData",
            [](const py::object& Self) {
                return ReadOnlyView(Self, &Self.cast<const TKohonen&>().TrainData());
            },
            [](TKohonen& k, const py::object& Value) {
                auto data = MatrixArg(Value);
                RequireMapWithoutViews(k);
                k.SetDataMat(*data);
            },
            "The training data, one row per object: reading gives a read-only numpy view "
            "(objects x inputs), setting copies a TMatrix or a 2-D array (SetDataMat).")
        .def(
            "SetDataMat",
            [](TKohonen& k, const py::object& Value) {
                auto data = MatrixArg(Value);
                RequireMapWithoutViews(k);
                k.SetDataMat(*data);
            },
            py::arg("Value"))
        .def_property_readonly(
            "MeanVec", [](const TKohonen& k) { return VectorCopy(k.MeanVec()); },
            "The means the data were standardised with (a copy).")
        .def_property_readonly(
            "StdDevVec", [](const TKohonen& k) { return VectorCopy(k.StdDevVec()); },
            "The standard deviations the data were standardised with (a copy).")
        .def("StandardizeData", &TKohonen::StandardizeData)
        .def("SetWeigtsToRandom", &TKohonen::SetWeigtsToRandom)
        .def("Trainit", [](TKohonen& k) { RunWithoutGIL([&] { k.Trainit(); }); },
             "CurrentStep 1, random weights, then ContinueTraining (without the GIL).")
        .def("ContinueTraining", [](TKohonen& k) { RunWithoutGIL([&] { k.ContinueTraining(); }); },
             "Trains the steps CurrentStep .. NrOfTrnSteps - 1 without the GIL; OnFeedback takes "
             "it again.")
        .def("AbortTraining", &TKohonen::AbortTraining,
             "Stops the running training after its current step (from OnFeedback or any thread).")
        .def_property(
            "OnFeedback", [](const TKohonen& k) { return EventCallable(k.OnFeedback); },
            [](TKohonen& k, const py::object& Fn) {
                k.OnFeedback = MakeEvent<void(TObject*, int)>(
                    Fn, [](const TPyCallable& h, TObject* s, int p) { h.Get()(SenderObject(s), p); });
            },
            "Called as OnFeedback(sender, Percent) after every training step.")
        .def(
            "ApplyIt",
            [](const TKohonen& k, const py::object& InData) {
                auto in = VectorArg(InData);
                int bx = 0, by = 0;
                double dist = 0;
                k.ApplyIt(*in, bx, by, dist);
                return py::make_tuple(bx, by, dist);
            },
            py::arg("InData"),
            "(BestIx, BestIy, Distance) of an input in data units; Distance the squared "
            "Euclidean distance in training units.")
        .def(
            "ApplyItArray",
            [](const TKohonen& k, const DoubleIn& Inputs) {
                if (Inputs.ndim() != 2)
                    throw py::value_error("inputs are a two-dimensional array (one row each)");
                const py::ssize_t n = Inputs.shape(0), nin = Inputs.shape(1);
                if (nin != k.NrOfInSens())
                    throw py::value_error("the inputs need one column per input of the map");
                py::array_t<int32_t> bx(n), by(n);
                py::array_t<double> dist(n);
                auto in = Inputs.unchecked<2>();
                auto x = bx.mutable_unchecked<1>();
                auto y = by.mutable_unchecked<1>();
                auto d = dist.mutable_unchecked<1>();
                RunWithoutGIL([&] {
                    TVector row;
                    row.Resize(static_cast<int>(nin));
                    for (py::ssize_t i = 0; i < n; ++i) {
                        for (py::ssize_t j = 0; j < nin; ++j)
                            row.SetVal(static_cast<int>(j) + 1, in(i, j));
                        int ix = 0, iy = 0;
                        k.ApplyIt(row, ix, iy, d(i));
                        x(i) = ix;
                        y(i) = iy;
                    }
                });
                return py::make_tuple(bx, by, dist);
            },
            py::arg("Inputs"),
            "ApplyIt for every row of an (n, NrOfInSens) array without the GIL: (BestIx, BestIy, "
            "Distance) as arrays.")
        .def("GetWeight", &TKohonen::GetWeight, py::arg("ix"), py::arg("iy"), py::arg("wi"))
        .def_property_readonly(
            "Weights",
            [](const TKohonen& k) {
                const int sx = k.SizeX(), sy = k.SizeY(), nin = k.NrOfInSens();
                py::array_t<double, py::array::f_style> out({sx, sy, nin});
                auto w = out.mutable_unchecked<3>();
                for (int i = 1; i <= nin; ++i)
                    for (int y = 1; y <= sy; ++y)
                        for (int x = 1; x <= sx; ++x) w(x - 1, y - 1, i - 1) = k.GetWeight(x, y, i);
                return out;
            },
            "The weights in data units as a (SizeX, SizeY, NrOfInSens) array (a copy): "
            "[ix - 1, iy - 1, wi - 1] is GetWeight(ix, iy, wi).")
        .def_property_readonly(
            "WeightMatrix",
            [](const py::object& Self) {
                return ReadOnlyView(Self, &Self.cast<const TKohonen&>().WeightMatrix());
            },
            "The weights in training units: a read-only numpy view (SizeX, SizeY, NrOfInSens) of "
            "the map's TMat3D, Fortran-ordered as TMat3D views are.")
        .def("QuantizationError",
             [](const TKohonen& k) { return RunWithoutGIL([&] { return k.QuantizationError(); }); })
        .def("TopographicError",
             [](const TKohonen& k) { return RunWithoutGIL([&] { return k.TopographicError(); }); })
        .def(
            "SaveAsXMLFile",
            [](const TKohonen& k, const std::string& FName) {
                return RunWithoutGIL([&] { return k.SaveAsXMLFile(FName); });
            },
            py::arg("FName"))
        .def(
            "LoadFromXMLFile",
            [](TKohonen& k, const std::string& FName) {
                RequireMapWithoutViews(k);
                return RunWithoutGIL([&] { return k.LoadFromXMLFile(FName); });
            },
            py::arg("FName"), "False (the map unchanged, LastXMLError saying why) on failure.")
        .def(
            "WriteToXMLString",
            [](const TKohonen& k, bool CreateHeader) {
                TMemoryStream out;
                k.WriteToXMLStream(out, CreateHeader);
                return py::bytes(reinterpret_cast<const char*>(out.Memory()),
                                 static_cast<size_t>(out.Size()))
                    .attr("decode")("utf-8");
            },
            py::arg("CreateHeader") = true, "The map element as WriteToXMLStream writes it.")
        .def(
            "ReadFromXMLString",
            [](TKohonen& k, const std::string& Text) {
                RequireMapWithoutViews(k);
                TMemoryStream in;
                in.Write(Text.data(), static_cast<int64_t>(Text.size()));
                in.Seek(0, TSeekOrigin::soBeginning);
                return k.ReadFromXMLStream(in);
            },
            py::arg("Text"), "ReadFromXMLStream over the text (after an optional XML declaration).");
}

}  // namespace

void BindLearning(py::module_& m) {
    BindMemBasedLearner(m);
    BindKohonen(m);
}

}  // namespace ozmpy
