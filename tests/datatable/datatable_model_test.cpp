// TDataTable model: sizes and default names, insertion and removal, cells and states, names,
// identifiers, checksums, the borrowed matrix and the events each operation fires.
#include <gtest/gtest.h>

#include <stdexcept>

#include "datatable_test_support.hpp"
#include "ozm/base/crc32.hpp"

namespace ozm {
namespace {

using Events = std::vector<std::string>;
using ozm::testing::EventLog;

TEST(DataTableModel, FreshTableResizeAndDefaultNames) {
    TDataTable t;
    EXPECT_EQ(t.NrOfColumns(), 1);
    EXPECT_EQ(t.NrOfRows(), 1);
    EXPECT_EQ(t.GetColName(1), "C-1");
    EXPECT_EQ(t.GetRowName(1), "R-1");
    EXPECT_EQ(t.GetMScaleType(1), TMScaleType::stInterval);
    EXPECT_EQ(t.GetMScaleType(2), TMScaleType::stUnknown);
    t.SetColName(1, "Height");
    EventLog log(t);
    t.Resize(3, 12);
    EXPECT_EQ(log.Take(), Events{"resize 1x1->3x12"});
    EXPECT_EQ(t.GetColName(1), "Height");
    EXPECT_EQ(t.GetColName(3), "C-3");
    EXPECT_EQ(t.GetRowName(12), "R-12");
    EXPECT_EQ(t.NumericData()->NrOfColumns(), 3);
    t.Resize(3, 12);  // same size: nothing
    t.SetNrRows(2);
    EXPECT_EQ(log.Take(), Events{"resize 3x12->3x2"});
    EXPECT_EQ(t.GetRowName(3), "");
    EXPECT_EQ(t.GetElem(4, 1), 0.0);
    t.SetElem(4, 1, 5);  // outside: ignored, no event
    EXPECT_TRUE(log.Take().empty());
}

TEST(DataTableModel, InsertAndRemoveMoveEverythingOfARowOrColumn) {
    TDataTable t;
    t.Resize(2, 3);
    for (int r = 1; r <= 3; ++r) {
        t.SetElem(1, r, r);
        t.SetElem(2, r, 10 * r);
        t.SetCellState(2, r, static_cast<uint8_t>(r));
        t.SetRowAttrib(r, 100 + r);
    }
    EventLog log(t);
    t.InsertRow(2);
    EXPECT_EQ(log.Take(), (Events{"resize 2x3->2x4", "setup"}));
    EXPECT_EQ(t.GetRowName(2), "");
    EXPECT_EQ(t.GetRowName(3), "R-2");
    EXPECT_EQ(t.GetElem(2, 3), 20.0);
    EXPECT_EQ(t.GetCellState(2, 3), 2);
    EXPECT_EQ(t.GetElem(2, 2), 0.0);
    EXPECT_EQ(t.GetCellState(2, 2), 0);
    EXPECT_EQ(t.GetRowAttrib(4), 103);
    t.RemoveRow(3);
    EXPECT_EQ(t.NrOfRows(), 3);
    EXPECT_EQ(t.GetElem(2, 3), 30.0);
    EXPECT_EQ(t.GetRowName(3), "R-3");
    t.InsertRow(0);  // invalid
    t.InsertRow(5);
    EXPECT_EQ(t.NrOfRows(), 3);
    log.Take();

    t.SetMScaleType(2, TMScaleType::stNominal);
    t.SetNominalID(2, 1, "low");
    t.SetColAttrib(2, 7);
    t.InsertColumn(1);
    EXPECT_EQ(t.NrOfColumns(), 3);
    EXPECT_EQ(t.GetColName(1), "");
    EXPECT_EQ(t.GetNominalID(3, 1), "low");
    EXPECT_EQ(t.GetColAttrib(3), 7);
    EXPECT_EQ(t.GetCellState(3, 3), 3);
    // A column that is interval at the moment keeps its identifiers when it moves.
    t.SetMScaleType(3, TMScaleType::stInterval);
    t.RemoveColumn(1);
    t.SetMScaleType(2, TMScaleType::stNominal);
    EXPECT_EQ(t.GetNominalID(2, 1), "low");
    EXPECT_EQ(t.GetElem(1, 2), 0.0);
    EXPECT_EQ(t.GetElem(1, 3), 3.0);

    TDataTable one;
    one.RemoveRow(1);
    one.RemoveColumn(1);
    EXPECT_EQ(one.NrOfRows(), 1);
    EXPECT_EQ(one.NrOfColumns(), 1);
}

TEST(DataTableModel, RemoveMarkedRows) {
    TDataTable t;
    t.Resize(2, 6);
    for (int r = 1; r <= 6; ++r) {
        t.SetElem(1, r, r);
        t.SetRowName(r, "row" + std::to_string(r));
    }
    t.SetCellState(2, 2, datatable::csMark1);
    t.SetCellState(1, 5, datatable::csMark1 | datatable::csEmpty);
    t.SetCellState(1, 6, datatable::csMark2);
    EXPECT_EQ(t.RemoveMarkedRows(0, 7, datatable::csMark1), -1);
    EventLog log(t);
    EXPECT_EQ(t.RemoveMarkedRows(0, 0, datatable::csMark1), 2);
    EXPECT_EQ(log.Take(), (Events{"resize 2x6->2x4", "setup"}));
    ASSERT_EQ(t.NrOfRows(), 4);
    const double kept[] = {1, 3, 4, 6};
    for (int r = 1; r <= 4; ++r) EXPECT_EQ(t.GetElem(1, r), kept[r - 1]);
    EXPECT_EQ(t.GetRowName(4), "row6");
    EXPECT_EQ(t.GetCellState(1, 4), datatable::csMark2);
    EXPECT_EQ(t.RemoveMarkedRows(1, 3, datatable::csMark2), 0);  // row 4 lies outside
    EXPECT_TRUE(log.Take().empty());
}

TEST(DataTableModel, CellsStatesAndTheirEvents) {
    TDataTable t;
    t.Resize(2, 2);
    EventLog log(t);
    t.SetCellState(1, 1, 0);  // unchanged byte: no event
    t.SetCellState(1, 1, 0x44);
    t.SetIsEmpty(1, 2, true);
    EXPECT_EQ(log.Take(), (Events{"states", "states", "data"}));
    EXPECT_TRUE(t.GetIsEmpty(1, 2));
    EXPECT_FALSE(t.GetIsNumber(1, 2));
    EXPECT_TRUE(t.GetIsNumber(1, 1));
    t.SetIsImputed(2, 2, true);
    EXPECT_TRUE(t.GetIsImputed(2, 2));
    log.Take();
    t.ExchangeMarkings();
    EXPECT_EQ(t.GetCellState(1, 1), 0x84);
    t.InvertCellStates(0x0F);
    EXPECT_EQ(t.GetCellState(1, 1), 0x8B);
    t.UnmarkAllCells();
    EXPECT_EQ(t.GetCellState(1, 1), 0x0B);
    EXPECT_EQ(log.Take(), (Events{"states", "states", "states"}));
    EXPECT_TRUE(t.IfRowHasCellState(1, 0x08));
    EXPECT_FALSE(t.IfRowHasCellState(3, 0xFF));
    EXPECT_TRUE(t.IfColHasCellState(2, 0x20));
    EXPECT_TRUE(t.IfAnyCellHasCellState(2, 2, 0, 0, 0x20));  // reversed bounds are swapped
    EXPECT_EQ(t.CountMarkedCellsInColumn(1, 0x0F), 2);
    EXPECT_EQ(t.CountMarkedCellsInRow(2, 0x20), 1);
    t.SetAllCellStates(0);
    EXPECT_EQ(t.CountMarkedCellsInRow(2, 0xFF), 0);

    // Values changed through the public matrix reach the table's OnChange.
    t.NumericData()->SetVal(1, 1, 4.5);
    EXPECT_EQ(log.Take(), (Events{"states", "data"}));
}

TEST(DataTableModel, CategoriesByText) {
    TDataTable t;
    t.Resize(1, 3);
    t.SetMScaleType(1, TMScaleType::stNominal);
    t.SetElemNominal(1, 1, "abc");
    t.SetElemNominal(1, 2, "ABC");
    t.SetElemNominal(1, 3, "a very long identifier");
    EXPECT_EQ(t.GetElem(1, 1), 1.0);
    EXPECT_EQ(t.GetElem(1, 2), 1.0);
    EXPECT_EQ(t.GetElemNominal(1, 3), "a very lon");
    EXPECT_EQ(t.OrdinalOfNominalID(1, "ABC", false), 0);
    EXPECT_EQ(t.OrdinalOfNominalID(1, "ABC", true), 1);
    EXPECT_EQ(t.CountNominalIDs(1), 2);
    t.SetElem(1, 1, 2.5);  // rounds half to even
    EXPECT_EQ(t.GetElem(1, 1), 2.0);
    t.SetElem(1, 1, 151);
    EXPECT_EQ(t.GetElemNominal(1, 1), "151");
    t.SetElem(1, 1, 0);
    EXPECT_EQ(t.GetElemNominal(1, 1), "0");
    for (int k = 3; k <= kMaxNominalIDs; ++k) t.SetElemNominal(1, 2, "id" + std::to_string(k));
    try {
        t.SetElemNominal(1, 2, "one more");
        FAIL() << "no error for the 151st identifier";
    } catch (const EOZMDataTableError& e) {
        EXPECT_EQ(e.message(), "Component \"\": number of available nominal values exceeded");
    }
    EXPECT_EQ(t.AddNominalID(1, "another"), 0);
    EXPECT_EQ(t.AddNominalID(1, "ID7"), 7);  // present: its slot, case ignored
    t.SetNominalID(1, 2, "");                // frees slot 2
    EXPECT_EQ(t.AddNominalID(1, "another"), 2);

    TDataTable o;
    o.Resize(2, 1);
    o.SetMScaleType(2, TMScaleType::stOrdinal);
    EXPECT_EQ(o.AddNominalID(1, "x"), 1);
    EXPECT_EQ(o.GetMScaleType(1), TMScaleType::stNominal);
    EXPECT_EQ(o.AddNominalID(2, "low"), 1);
    EXPECT_EQ(o.GetMScaleType(2), TMScaleType::stOrdinal);  // stays ordinal
    EXPECT_EQ(o.ListOfCategorialVars(), (TIntArray{1, 2}));
    o.SetMScaleType(1, TMScaleType::stUnknown);
    EXPECT_EQ(o.FindHighestMLevel(1, 1), TMScaleType::stNominal);
    EXPECT_EQ(o.FindLowestMLevel(0, 0), TMScaleType::stUnknown);
}

TEST(DataTableModel, NamesAttributesAndComment) {
    TDataTable t;
    t.Resize(3, 2);
    t.SetColName(2, "  Weight ");
    EXPECT_EQ(t.FindColIndex("WEIGHT"), 2);
    EXPECT_EQ(t.FindColIndex("height"), 0);
    t.SetColName(1, std::string(60, 'x'));
    EXPECT_EQ(t.GetColName(1).size(), 50u);
    EXPECT_EQ(t.MaxColNameLength(), 50);
    t.SetColAttributes(0x0F);
    t.SetColAttributes(0x30, 0x3C);
    EXPECT_EQ(t.GetColAttrib(3), 0x33);
    t.SetRowAttrib(1, 300);
    t.SetRowAttrib(2, -4);
    int ix = 0;
    EXPECT_EQ(t.MaxRowAttrib(0, 0, ix), 300);
    EXPECT_EQ(ix, 1);
    EXPECT_EQ(t.MinRowAttrib(0, 0, ix), -4);
    EXPECT_EQ(t.RowAttribLevels(), 0);  // only 0..255 count
    EXPECT_EQ(t.ColAttribLevels(), 1);
    EventLog log(t);
    t.SetFComment("line 1\r\nline\t2");
    EXPECT_EQ(t.Comment(), "line 1line2");
    EXPECT_EQ(log.Take(), Events{"setup"});
    t.Clear();
    EXPECT_EQ(log.Take(), (Events{"data", "names", "attrib", "states", "setup"}));
    EXPECT_EQ(t.GetColName(1), "C-1");
    EXPECT_EQ(t.Comment(), "");
}

TEST(DataTableModel, Checksums) {
    TDataTable t;
    // One state byte 0 at position 1: lane 1 has seen it, the other lanes nothing.
    const uint32_t lane1 = ~CalcNextCRC32(0, 0xFFFFFFFFu);
    char hex[9];
    std::snprintf(hex, sizeof hex, "%08X", lane1);
    EXPECT_EQ(t.CRCofCellStates(), "00000000" + std::string(hex) + std::string(48, '0'));
    const std::string states = t.CRCofCellStates();
    const std::string names = t.CRCofNamesAndAttributes();
    t.SetCellState(1, 1, 1);
    EXPECT_NE(t.CRCofCellStates(), states);
    t.SetNominalID(1, 1, "x");  // not categorical: not stored, nothing changes
    EXPECT_EQ(t.CRCofNamesAndAttributes(), names);
    t.SetRowName(1, "R-2");
    EXPECT_NE(t.CRCofNamesAndAttributes(), names);
    // Comment and names feed by position: the name "ab" equals comment "a" + name "b" only if
    // positions restart, which they do per text, so the two differ.
    TDataTable a, b;
    a.SetColName(1, "ab");
    b.SetFComment("a");
    b.SetColName(1, "b");
    EXPECT_NE(a.CRCofNamesAndAttributes(), b.CRCofNamesAndAttributes());
}

TEST(DataTableModel, BorrowedMatrixAndAssign) {
    TMatrix m;
    m.Resize(3, 4);
    m.SetVal(3, 4, 9);
    {
        TDataTable t;
        t.SetMScaleType(1, TMScaleType::stNominal);
        t.SetNominalID(1, 1, "kept");
        EventLog log(t);
        t.AssignAnotherDataMatrix(&m);
        EXPECT_EQ(log.Take(),
                  (Events{"resize 1x1->3x4", "data", "setup", "names", "attrib", "states"}));
        EXPECT_EQ(t.GetElem(3, 4), 9.0);
        EXPECT_EQ(t.GetMScaleType(1), TMScaleType::stInterval);
        m.SetVal(1, 1, 2);
        EXPECT_EQ(log.Take(), Events{"data"});

        TDataTable copy;
        copy.Assign(&t);
        EXPECT_EQ(copy.GetElem(3, 4), 9.0);
        EXPECT_EQ(copy.NrOfRows(), 4);
        EXPECT_NE(copy.NumericData(), &m);
        copy.SetElem(1, 2, 5);  // copy's handlers were taken from t: they log
        EXPECT_EQ(log.Take(), Events{"data"});
        EXPECT_EQ(m.GetVal(1, 2), 0.0);
        EXPECT_THROW(copy.Assign(&m), EConvertError);
    }
    // The table is gone; the matrix stays with its data and without the table's handlers.
    EXPECT_FALSE(m.OnChange);
    EXPECT_EQ(m.GetVal(3, 4), 9.0);
}

TEST(DataTableModel, SuspendedEventsComeBackWhenAHandlerThrows) {
    TDataTable t;
    TMatrix m;
    m.Resize(2, 2);
    int changes = 0;
    t.OnChange = [&](TObject*) { ++changes; };
    t.OnResize = [](TObject*, int, int, int, int) { throw std::runtime_error("viewer failed"); };
    EXPECT_THROW(t.AssignAnotherDataMatrix(&m), std::runtime_error);
    ASSERT_TRUE(t.OnChange);
    t.SetElem(1, 1, 1);
    EXPECT_EQ(changes, 1);
}

}  // namespace
}  // namespace ozm
