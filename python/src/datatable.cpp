// TDataTable: typed columns, cell states, names and attributes over a numeric TMatrix. The
// values are reachable as that matrix (NumericData) and so as a numpy view without copies.
#include "common.hpp"
#include "ozm/datatable.hpp"
#include "ozm/vector.hpp"

namespace ozmpy {

namespace {
using namespace ozm;
namespace dt = ozm::datatable;

// Operations that change the size of a table replace the storage of its numeric matrix.
TDataTable& Sized(TDataTable& t) {
    RequireNoViews(t.NumericData(), "TDataTable's NumericData");
    return t;
}

TCsvOptions CsvOptions(const std::string& Separator, const std::string& DecimalPoint, bool HasHeader,
                       bool HasRowNames) {
    if (Separator.size() != 1 || DecimalPoint.size() != 1)
        throw py::value_error("Separator and DecimalPoint are single characters");
    return {Separator[0], DecimalPoint[0], HasHeader, HasRowNames};
}

template <typename Class>
void NotifyProperty(Class& cls, const char* Name, TNotifyEvent TDataTable::*Member, const char* Doc) {
    cls.def_property(
        Name, [Member](const TDataTable& t) { return EventCallable(t.*Member); },
        [Member](TDataTable& t, const py::object& Fn) {
            t.*Member = MakeEvent<void(TObject*)>(
                Fn, [](const TPyCallable& h, TObject* s) { h.Get()(SenderObject(s)); });
        },
        Doc);
}
}  // namespace

void BindDataTable(py::module_& m) {
    py::enum_<TMScaleType>(m, "TMScaleType")
        .value("stUnknown", TMScaleType::stUnknown)
        .value("stNominal", TMScaleType::stNominal)
        .value("stOrdinal", TMScaleType::stOrdinal)
        .value("stInterval", TMScaleType::stInterval)
        .value("stRatio", TMScaleType::stRatio)
        .export_values();
    m.attr("csInvalid") = dt::csInvalid;
    m.attr("csEmpty") = dt::csEmpty;
    m.attr("csImputed") = dt::csImputed;
    m.attr("csMark1") = dt::csMark1;
    m.attr("csMark2") = dt::csMark2;
    m.attr("csMarkBits") = dt::csMarkBits;

    const auto lc = py::arg("LowCol") = 0;
    const auto lr = py::arg("LowRow") = 0;
    const auto hc = py::arg("HighCol") = 0;
    const auto hr = py::arg("HighRow") = 0;
    py::class_<TDataTable, TOZMContainer> cls(
        m, "TDataTable",
        "Observations in rows, typed variables in columns, a state byte per cell; 1-based.");
    cls.def(py::init([] { return std::make_unique<TDataTable>(); }))
        .def(py::init([](const py::array_t<double, py::array::forcecast>& A) {
                 auto t = std::make_unique<TDataTable>();
                 const auto cells = ToDouble2DArray(A, TOuter::Columns);
                 t->Resize(static_cast<int>(A.shape(1)), static_cast<int>(A.shape(0)));
                 t->CopyDataFromArray(cells);
                 return t;
             }),
             py::arg("array"), "A table holding a copy of a rows x columns array.")
        .def_property_readonly("NumericData", &TDataTable::NumericData,
                               py::return_value_policy::reference_internal,
                               "The TMatrix of the values (owned by the table).")
        .def_property_readonly(
            "Data",
            [](const py::object& Self) {
                // The matrix wrapper keeps the table, which owns the matrix, alive; the view
                // keeps the wrapper.
                const auto& t = Self.cast<const TDataTable&>();
                py::object mat =
                    py::cast(t.NumericData(), py::return_value_policy::reference_internal, Self);
                return py::module_::import("numpy").attr("asarray")(mat);
            },
            "The values as a Fortran-ordered numpy view (rows x columns) of NumericData.")
        .def_property("NrOfColumns", &TDataTable::NrOfColumns,
                      [](TDataTable& t, int Nc) { Sized(t).SetNrCols(Nc); })
        .def_property("NrOfRows", &TDataTable::NrOfRows,
                      [](TDataTable& t, int Nr) { Sized(t).SetNrRows(Nr); })
        .def_property("Comment", &TDataTable::Comment, &TDataTable::SetFComment)
        .def("Resize", [](TDataTable& t, int Nc, int Nr) { Sized(t).Resize(Nc, Nr); },
             py::arg("NrCols"), py::arg("NrRows"))
        .def("Clear", &TDataTable::Clear)
        .def("InsertRow", [](TDataTable& t, int ix) { Sized(t).InsertRow(ix); }, py::arg("ix"))
        .def("RemoveRow", [](TDataTable& t, int ix) { Sized(t).RemoveRow(ix); }, py::arg("ix"))
        .def("InsertColumn", [](TDataTable& t, int ix) { Sized(t).InsertColumn(ix); }, py::arg("ix"))
        .def("RemoveColumn", [](TDataTable& t, int ix) { Sized(t).RemoveColumn(ix); }, py::arg("ix"))
        .def("RemoveMarkedRows",
             [](TDataTable& t, int First, int Last, uint8_t CState) {
                 return Sized(t).RemoveMarkedRows(First, Last, CState);
             },
             py::arg("FirstRow"), py::arg("LastRow"), py::arg("CState"))
        .def("GetElem", &TDataTable::GetElem, py::arg("ACol"), py::arg("ARow"))
        .def("SetElem", &TDataTable::SetElem, py::arg("ACol"), py::arg("ARow"), py::arg("Value"))
        .def("GetElemNominal", &TDataTable::GetElemNominal, py::arg("ACol"), py::arg("ARow"))
        .def("SetElemNominal", &TDataTable::SetElemNominal, py::arg("ACol"), py::arg("ARow"), py::arg("Value"))
        .def("GetCellState", &TDataTable::GetCellState, py::arg("ACol"), py::arg("ARow"))
        .def("SetCellState", &TDataTable::SetCellState, py::arg("ACol"), py::arg("ARow"), py::arg("Value"))
        .def("GetIsEmpty", &TDataTable::GetIsEmpty, py::arg("ACol"), py::arg("ARow"))
        .def("GetIsNumber", &TDataTable::GetIsNumber, py::arg("ACol"), py::arg("ARow"))
        .def("SetIsEmpty", &TDataTable::SetIsEmpty, py::arg("ACol"), py::arg("ARow"), py::arg("Value"))
        .def(
            "CellStates",
            [](const TDataTable& t) {
                py::array_t<uint8_t, py::array::f_style> out({t.NrOfRows(), t.NrOfColumns()});
                auto w = out.mutable_unchecked<2>();
                for (int c = 1; c <= t.NrOfColumns(); ++c)
                    for (int r = 1; r <= t.NrOfRows(); ++r) w(r - 1, c - 1) = t.GetCellState(c, r);
                return out;
            },
            "A copy of the cell states as a rows x columns uint8 array.")
        .def("SetAllCellStates", &TDataTable::SetAllCellStates, py::arg("CellState"))
        .def("CountNumCells", &TDataTable::CountNumCells, lc, lr, hc, hr)
        .def("CountEmptyCells", &TDataTable::CountEmptyCells, lc, lr, hc, hr)
        .def("GetColName", &TDataTable::GetColName, py::arg("ColNr"))
        .def("GetRowName", &TDataTable::GetRowName, py::arg("RowNr"))
        .def("SetColName", &TDataTable::SetColName, py::arg("ColNr"), py::arg("HLine"))
        .def("SetRowName", &TDataTable::SetRowName, py::arg("RowNr"), py::arg("HLine"))
        .def("FindColIndex", &TDataTable::FindColIndex, py::arg("ColID"))
        .def("FindRowIndex", &TDataTable::FindRowIndex, py::arg("RowID"))
        .def("GetColAttrib", &TDataTable::GetColAttrib, py::arg("ColNr"))
        .def("GetRowAttrib", &TDataTable::GetRowAttrib, py::arg("RowNr"))
        .def("SetColAttrib", &TDataTable::SetColAttrib, py::arg("ColNr"), py::arg("Attrib"))
        .def("SetRowAttrib", &TDataTable::SetRowAttrib, py::arg("RowNr"), py::arg("Attrib"))
        .def("GetMScaleType", &TDataTable::GetMScaleType, py::arg("ColNr"))
        .def("SetMScaleType", &TDataTable::SetMScaleType, py::arg("ColNr"), py::arg("MScaleType"))
        .def("AddNominalID", &TDataTable::AddNominalID, py::arg("Col"), py::arg("MScaleID"))
        .def("GetNominalID", &TDataTable::GetNominalID, py::arg("ColIx"), py::arg("OrdVal"))
        .def("CountNominalIDs", &TDataTable::CountNominalIDs, py::arg("Col"))
        .def("ListOfCategorialVars", &TDataTable::ListOfCategorialVars)
        .def("MeanVarOfNumCells",
             [](const TDataTable& t, int LowCol, int LowRow, int HighCol, int HighRow) {
                 double mean = 0, var = 0;
                 const int n = t.MeanVarOfNumCells(LowCol, LowRow, HighCol, HighRow, mean, var);
                 return py::make_tuple(n, mean, var);
             },
             lc, lr, hc, hr, "(n, Mean, Variance) of the numeric cells.")
        .def("MeanVarOfMarkedCells",
             [](const TDataTable& t, int LowCol, int LowRow, int HighCol, int HighRow, uint8_t State) {
                 double mean = 0, var = 0;
                 const int n = t.MeanVarOfMarkedCells(LowCol, LowRow, HighCol, HighRow, State, mean, var);
                 return py::make_tuple(n, mean, var);
             },
             py::arg("LowCol"), py::arg("LowRow"), py::arg("HighCol"), py::arg("HighRow"),
             py::arg("CellState"), "(n, Mean, Variance) of the marked numeric cells.")
        .def("MinMaxOfNumCells",
             [](const TDataTable& t, int LowCol, int LowRow, int HighCol, int HighRow) {
                 double mn = 0, mx = 0;
                 const int n = t.MinMaxOfNumCells(LowCol, LowRow, HighCol, HighRow, mn, mx);
                 return py::make_tuple(n, mn, mx);
             },
             lc, lr, hc, hr, "(n, Minimum, Maximum).")
        .def("PercentileOfNumCells",
             [](const TDataTable& t, double prob, int LowCol, int LowRow, int HighCol, int HighRow) {
                 int n = 0;
                 const double p = t.PercentileOfNumCells(prob, LowCol, LowRow, HighCol, HighRow, n);
                 return py::make_tuple(n, p);
             },
             py::arg("prob"), lc, lr, hc, hr, "(n, percentile).")
        .def("QuartilesOfNumCells",
             [](const TDataTable& t, int LowCol, int LowRow, int HighCol, int HighRow) {
                 double q1 = 0, q2 = 0, q3 = 0;
                 int n = 0;
                 t.QuartilesOfNumCells(LowCol, LowRow, HighCol, HighRow, q1, q2, q3, n);
                 return py::make_tuple(n, q1, q2, q3);
             },
             lc, lr, hc, hr, "(n, Q1, Q2, Q3).")
        .def("SortRows",
             [](TDataTable& t, int SortColIx, bool Ascending, int LowCol, int LowRow, int HighCol,
                int HighRow, bool IncludeHeaders) {
                 t.SortRows(SortColIx, Ascending, LowCol, LowRow, HighCol, HighRow, IncludeHeaders);
             },
             py::arg("SortColIx"), py::arg("Ascending"), lc, lr, hc, hr, py::arg("IncludeHeaders") = true)
        .def("CalcCovar",
             [](TDataTable& t, TMatrix& Covar, int LoC, int HiC, int LoR, int HiR, int Mode) {
                 return RunWithoutGIL([&] { return t.CalcCovar(&Covar, LoC, HiC, LoR, HiR, Mode); });
             },
             py::arg("CovarMat"), py::arg("LoC"), py::arg("HiC"), py::arg("LoR"), py::arg("HiR"),
             py::arg("Mode"))
        .def("CreateContingencyTable",
             [](TDataTable& t, int Col1, int Col2, int LowRow, int HighRow) {
                 TInt2DArray tab;
                 const int code = t.CreateContingencyTable(Col1, Col2, LowRow, HighRow, tab);
                 py::list rows;
                 for (const auto& col : tab) rows.append(py::cast(col));
                 return py::make_tuple(code, rows);
             },
             py::arg("Col1"), py::arg("Col2"), py::arg("LowRow") = 0, py::arg("HighRow") = 0,
             "(code, ContTab as a list of lists, outer index as the library's).")
        .def("CopyDataColumnToArray",
             [](const TDataTable& t, int Col) {
                 TDoubleArray a;
                 t.CopyDataColumnToArray(Col, a);
                 return FromDoubleArray(a);
             },
             py::arg("Col"))
        .def("SaveAsXMLFile", &TDataTable::SaveAsXMLFile, py::arg("FName"))
        .def("LoadFromXMLFile", [](TDataTable& t, const std::string& F) { return Sized(t).LoadFromXMLFile(F); },
             py::arg("FName"))
        .def("ExportAsASC", py::overload_cast<const std::string&>(&TDataTable::ExportAsASC, py::const_),
             py::arg("FName"))
        .def("ImportASC", [](TDataTable& t, const std::string& F) { return Sized(t).ImportASC(F); },
             py::arg("FName"))
        .def("ExportAsCSV",
             [](const TDataTable& t, const std::string& F, const std::string& Sep, const std::string& Dec,
                bool HasHeader, bool HasRowNames) {
                 return t.ExportAsCSV(F, CsvOptions(Sep, Dec, HasHeader, HasRowNames));
             },
             py::arg("FName"), py::arg("Separator") = ",", py::arg("DecimalPoint") = ".",
             py::arg("HasHeader") = true, py::arg("HasRowNames") = false)
        .def("ImportFromCSV",
             [](TDataTable& t, const std::string& F, const std::string& Sep, const std::string& Dec,
                bool HasHeader, bool HasRowNames) {
                 return Sized(t).ImportFromCSV(F, CsvOptions(Sep, Dec, HasHeader, HasRowNames));
             },
             py::arg("FName"), py::arg("Separator") = ",", py::arg("DecimalPoint") = ".",
             py::arg("HasHeader") = true, py::arg("HasRowNames") = false,
             "Reads a CSV file; 0 (kCsvOk) or a negative kCsv... code, the table unchanged then.")
        .def("ReadFromCSVString",
             [](TDataTable& t, const std::string& Text, const std::string& Sep, const std::string& Dec,
                bool HasHeader, bool HasRowNames) {
                 return Sized(t).ReadFromCSVString(Text, CsvOptions(Sep, Dec, HasHeader, HasRowNames));
             },
             py::arg("CsvText"), py::arg("Separator") = ",", py::arg("DecimalPoint") = ".",
             py::arg("HasHeader") = true, py::arg("HasRowNames") = false)
        .def_property(
            "OnResize", [](const TDataTable& t) { return EventCallable(t.OnResize); },
            [](TDataTable& t, const py::object& Fn) {
                t.OnResize = MakeEvent<void(TObject*, int, int, int, int)>(
                    Fn, [](const TPyCallable& h, TObject* s, int oc, int orw, int nc, int nr) {
                        h.Get()(SenderObject(s), oc, orw, nc, nr);
                    });
            },
            "Called as OnResize(sender, OldColumns, OldRows, NewColumns, NewRows).");
    NotifyProperty(cls, "OnChangeSetup", &TDataTable::OnChangeSetup, "Structure changed.");
    NotifyProperty(cls, "OnChangeNames", &TDataTable::OnChangeNames, "Names changed.");
    NotifyProperty(cls, "OnChangeCellState", &TDataTable::OnChangeCellState, "Cell states changed.");
    NotifyProperty(cls, "OnChangeAttrib", &TDataTable::OnChangeAttrib, "Attributes changed.");
}

}  // namespace ozmpy
