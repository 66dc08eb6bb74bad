// TDataTable: statistics over rectangles of selected cells, standardisation and centring, the
// covariance-type matrices, contingency tables and the column and attribute queries.
#include <algorithm>
#include <bitset>
#include <cmath>

#include "datatable/datatable_internal.hpp"
#include "matrices/matrix_internal.hpp"
#include "ozm/datatable.hpp"
#include "ozm/platform/rounding.hpp"
#include "ozm/vector.hpp"

namespace ozm {

using datatable::detail::IsCategoricalType;
using datatable::detail::IsMetric;
using datatable::detail::IsNumberState;
using datatable::detail::TSuspendedEvents;

// Which cells a statistic takes.
enum class TCellSelection { Num, Marked, MarkedAnyScale, Valid };

struct TDataTableAccess {
    // Visits the selected cells of the normalised rectangle, column by column.
    template <typename F>
    static void Visit(const TDataTable& T, TCellSelection Sel, uint8_t Mask, int LowCol, int LowRow,
                      int HighCol, int HighRow, F&& visit) {
        T.MakeValidColRange(LowCol, HighCol);
        T.MakeValidRowRange(LowRow, HighRow);
        const size_t rows = static_cast<size_t>(T.FNrOfRows);
        const double* data = T.FNumericData->Data();
        const uint8_t marks = Mask & datatable::csMarkBits;
        for (int c = LowCol; c <= HighCol; ++c) {
            const size_t ci = static_cast<size_t>(c - 1);
            const bool metric = IsMetric(T.FVType[ci].MScaleType);
            if ((Sel == TCellSelection::Num || Sel == TCellSelection::Marked) && !metric) continue;
            const double* col = data + ci * rows;
            const uint8_t* st = T.FCState[ci].data();
            for (int r = LowRow - 1; r < HighRow; ++r) {
                if (!IsNumberState(st[r])) continue;
                if ((Sel == TCellSelection::Marked || Sel == TCellSelection::MarkedAnyScale) &&
                    (st[r] & marks) == 0)
                    continue;
                visit(col[r]);
            }
        }
    }

    template <typename E>
    static std::vector<double> Gather(const TDataTable& T, TCellSelection Sel, uint8_t Mask,
                                      int LowCol, int LowRow, int HighCol, int HighRow) {
        return GuardAllocation<E>(T, [&] {
            std::vector<double> cells;
            Visit(T, Sel, Mask, LowCol, LowRow, HighCol, HighRow,
                  [&cells](double x) { cells.push_back(x); });
            return cells;
        });
    }
};

namespace {

using Access = TDataTableAccess;

int SumOf(const TDataTable& T, TCellSelection Sel, uint8_t Mask, int LowCol, int LowRow,
          int HighCol, int HighRow, bool Squared, double& Sum) {
    int n = 0;
    double s = 0.0;
    Access::Visit(T, Sel, Mask, LowCol, LowRow, HighCol, HighRow, [&](double x) {
        s += Squared ? x * x : x;
        ++n;
    });
    Sum = s;
    return n;
}

int MinMaxOf(const TDataTable& T, TCellSelection Sel, uint8_t Mask, int LowCol, int LowRow,
             int HighCol, int HighRow, double& Minimum, double& Maximum) {
    int n = 0;
    double lo = 0.0, hi = 0.0;
    Access::Visit(T, Sel, Mask, LowCol, LowRow, HighCol, HighRow, [&](double x) {
        if (n == 0) {
            lo = hi = x;
        } else {
            lo = std::min(lo, x);
            hi = std::max(hi, x);
        }
        ++n;
    });
    Minimum = lo;
    Maximum = hi;
    return n;
}

// The (n + 1)p rule on sorted cells.
double QuartileOfSorted(const std::vector<double>& s, double p) {
    const size_t n = s.size();
    const double h = static_cast<double>(n + 1) * p;
    int64_t k = Trunc(h);
    double f = Frac(h);
    if (k < 1) {
        k = 1;
        f = 0.0;
    }
    if (k > static_cast<int64_t>(n) - 1) {
        k = static_cast<int64_t>(n) - 1;
        f = 0.0;
    }
    const double lo = s[static_cast<size_t>(k - 1)];
    return f == 0.0 ? lo : lo + (s[static_cast<size_t>(k)] - lo) * f;
}

bool QuartilesOf(std::vector<double> cells, double& Q1, double& Q2, double& Q3) {
    Q1 = Q2 = Q3 = 0.0;
    if (cells.empty()) return true;
    std::sort(cells.begin(), cells.end(), matrix::detail::NaNLastLess);
    if (cells.size() == 1) {
        Q1 = Q2 = Q3 = cells[0];
        return true;
    }
    Q1 = QuartileOfSorted(cells, 0.25);
    Q2 = QuartileOfSorted(cells, 0.5);
    Q3 = QuartileOfSorted(cells, 0.75);
    return true;
}

double PercentileOf(std::vector<double> cells, double prob) {
    const size_t n = cells.size();
    if (n == 0) return 0.0;
    if (std::isnan(prob)) prob = 0.0;
    prob = std::clamp(prob, 0.0, 100.0);
    std::sort(cells.begin(), cells.end(), matrix::detail::NaNLastLess);
    if (n == 1) return cells[0];
    if (prob == 100.0) return cells[n - 1];
    const double h = static_cast<double>(n - 1) * prob / 100.0;
    const size_t i = static_cast<size_t>(Trunc(h));
    const double f = Frac(h);
    if (i + 1 >= n || f == 0.0) return cells[std::min(i, n - 1)];
    return cells[i] + (cells[i + 1] - cells[i]) * f;
}

}  // namespace

int TDataTable::SumOfNumCells(int LowCol, int LowRow, int HighCol, int HighRow, double& Sum) const {
    return SumOf(*this, TCellSelection::Num, 0, LowCol, LowRow, HighCol, HighRow, false, Sum);
}
int TDataTable::SumOfMarkedCells(int LowCol, int LowRow, int HighCol, int HighRow,
                                 uint8_t CellState, double& Sum) const {
    return SumOf(*this, TCellSelection::Marked, CellState, LowCol, LowRow, HighCol, HighRow, false,
                 Sum);
}
int TDataTable::SumOfSquaredNumCells(int LowCol, int LowRow, int HighCol, int HighRow,
                                     double& Sum) const {
    return SumOf(*this, TCellSelection::Num, 0, LowCol, LowRow, HighCol, HighRow, true, Sum);
}
int TDataTable::SumOfSquaredMarkedCells(int LowCol, int LowRow, int HighCol, int HighRow,
                                        uint8_t CellState, double& Sum) const {
    return SumOf(*this, TCellSelection::Marked, CellState, LowCol, LowRow, HighCol, HighRow, true,
                 Sum);
}

int TDataTable::MeanVarOfNumCells(int LowCol, int LowRow, int HighCol, int HighRow, double& Mean,
                                  double& Variance) const {
    const auto cells = Access::Gather<EOZMDataTableError>(*this, TCellSelection::Num, 0, LowCol,
                                                          LowRow, HighCol, HighRow);
    matrix::detail::MeanVarOf(cells, Mean, Variance);
    return static_cast<int>(cells.size());
}

int TDataTable::MeanVarOfMarkedCells(int LowCol, int LowRow, int HighCol, int HighRow,
                                     uint8_t CellState, double& Mean, double& Variance) const {
    const auto cells = Access::Gather<EOZMDataTableError>(*this, TCellSelection::Marked, CellState,
                                                          LowCol, LowRow, HighCol, HighRow);
    matrix::detail::MeanVarOf(cells, Mean, Variance);
    return static_cast<int>(cells.size());
}

int TDataTable::MinMaxOfNumCells(int LowCol, int LowRow, int HighCol, int HighRow, double& Minimum,
                                 double& Maximum) const {
    return MinMaxOf(*this, TCellSelection::Num, 0, LowCol, LowRow, HighCol, HighRow, Minimum,
                    Maximum);
}
int TDataTable::MinMaxOfMarkedCells(int LowCol, int LowRow, int HighCol, int HighRow,
                                    uint8_t CellState, double& Minimum, double& Maximum) const {
    return MinMaxOf(*this, TCellSelection::MarkedAnyScale, CellState, LowCol, LowRow, HighCol,
                    HighRow, Minimum, Maximum);
}
int TDataTable::MinMaxOfValidCells(int LowCol, int LowRow, int HighCol, int HighRow,
                                   double& Minimum, double& Maximum) const {
    return MinMaxOf(*this, TCellSelection::Valid, 0, LowCol, LowRow, HighCol, HighRow, Minimum,
                    Maximum);
}

double TDataTable::GeometricMeanOfNumCells(int LowCol, int LowRow, int HighCol, int HighRow,
                                           int& NumData) const {
    bool negative = false, zero = false;
    double log_sum = 0.0;
    int n = 0;
    Access::Visit(*this, TCellSelection::Num, 0, LowCol, LowRow, HighCol, HighRow, [&](double x) {
        if (x < 0.0) negative = true;
        if (x == 0.0) {
            zero = true;
        } else {
            log_sum += std::log(x);
            ++n;
        }
    });
    if (negative)
        RaiseComponentError<EOZMMatrixError>(*this, ": negative argument passed to GeometricMean");
    NumData = n;
    if (zero || n == 0) return 0.0;
    return std::exp(log_sum / n);
}

double TDataTable::HarmonicMeanOfNumCells(int LowCol, int LowRow, int HighCol, int HighRow,
                                          int& NumData) const {
    bool bad = false;
    double inv_sum = 0.0;
    int n = 0;
    Access::Visit(*this, TCellSelection::Num, 0, LowCol, LowRow, HighCol, HighRow, [&](double x) {
        if (!(x > 0.0)) bad = true;
        inv_sum += 1.0 / x;
        ++n;
    });
    if (bad)
        RaiseComponentError<EOZMMatrixError>(*this,
                                             ": negative or zero argument passed to HarmonicMean");
    NumData = n;
    return n == 0 ? 0.0 : n / inv_sum;
}

bool TDataTable::QuartilesOfNumCells(int LowCol, int LowRow, int HighCol, int HighRow, double& Q1,
                                     double& Q2, double& Q3, int& NumData) const {
    auto cells = Access::Gather<EOZMDataTableError>(*this, TCellSelection::Num, 0, LowCol, LowRow,
                                                    HighCol, HighRow);
    NumData = static_cast<int>(cells.size());
    return QuartilesOf(std::move(cells), Q1, Q2, Q3);
}

bool TDataTable::QuartilesOfMarkedCells(int LowCol, int LowRow, int HighCol, int HighRow,
                                        uint8_t CellState, double& Q1, double& Q2, double& Q3,
                                        int& NumData) const {
    auto cells = Access::Gather<EOZMDataTableError>(*this, TCellSelection::Marked, CellState,
                                                    LowCol, LowRow, HighCol, HighRow);
    NumData = static_cast<int>(cells.size());
    return QuartilesOf(std::move(cells), Q1, Q2, Q3);
}

double TDataTable::PercentileOfNumCells(double prob, int LowCol, int LowRow, int HighCol,
                                        int HighRow, int& NumData) const {
    auto cells = Access::Gather<EOZMMatrixError>(*this, TCellSelection::Num, 0, LowCol, LowRow,
                                                 HighCol, HighRow);
    NumData = static_cast<int>(cells.size());
    return PercentileOf(std::move(cells), prob);
}

double TDataTable::PercentileOfMarkedCells(double prob, int LowCol, int LowRow, int HighCol,
                                           int HighRow, uint8_t CellState, int& NumData) const {
    auto cells = Access::Gather<EOZMMatrixError>(*this, TCellSelection::Marked, CellState, LowCol,
                                                 LowRow, HighCol, HighRow);
    NumData = static_cast<int>(cells.size());
    return PercentileOf(std::move(cells), prob);
}

int TDataTable::CountNumCells(int LowCol, int LowRow, int HighCol, int HighRow) const {
    int n = 0;
    Access::Visit(*this, TCellSelection::Num, 0, LowCol, LowRow, HighCol, HighRow,
                  [&n](double) { ++n; });
    return n;
}

int TDataTable::CountValidCells(int LowCol, int LowRow, int HighCol, int HighRow) const {
    int n = 0;
    Access::Visit(*this, TCellSelection::Valid, 0, LowCol, LowRow, HighCol, HighRow,
                  [&n](double) { ++n; });
    return n;
}

namespace {
int CountStateBit(const std::vector<std::vector<uint8_t>>& States, int LowCol, int LowRow,
                  int HighCol, int HighRow, uint8_t Bit) {
    int n = 0;
    for (int c = LowCol; c <= HighCol; ++c)
        for (int r = LowRow; r <= HighRow; ++r)
            n += (States[static_cast<size_t>(c - 1)][static_cast<size_t>(r - 1)] & Bit) != 0;
    return n;
}
}  // namespace

int TDataTable::CountEmptyCells(int LowCol, int LowRow, int HighCol, int HighRow) const {
    MakeValidColRange(LowCol, HighCol);
    MakeValidRowRange(LowRow, HighRow);
    return CountStateBit(FCState, LowCol, LowRow, HighCol, HighRow, datatable::csEmpty);
}

int TDataTable::CountImputedCells(int LowCol, int LowRow, int HighCol, int HighRow) const {
    MakeValidColRange(LowCol, HighCol);
    MakeValidRowRange(LowRow, HighRow);
    return CountStateBit(FCState, LowCol, LowRow, HighCol, HighRow, datatable::csImputed);
}

int TDataTable::CopyCellsToVector(int LowCol, int LowRow, int HighCol, int HighRow,
                                  uint8_t CellState, TVector* DestVect) const {
    if (DestVect == nullptr) return 0;
    MakeValidColRange(LowCol, HighCol);
    MakeValidRowRange(LowRow, HighRow);
    std::vector<double> cells = GuardAllocation<EOZMDataTableError>(*this, [&] {
        std::vector<double> out;
        const size_t rows = static_cast<size_t>(FNrOfRows);
        for (int c = LowCol; c <= HighCol; ++c) {
            const double* col = FNumericData->Data() + static_cast<size_t>(c - 1) * rows;
            const uint8_t* st = FCState[static_cast<size_t>(c - 1)].data();
            for (int r = LowRow - 1; r < HighRow; ++r)
                if (IsNumberState(st[r]) && (CellState == 0xFF || (st[r] & CellState) != 0))
                    out.push_back(col[r]);
        }
        return out;
    });
    if (cells.empty()) return 0;
    DestVect->Resize(static_cast<int>(cells.size()));
    std::copy(cells.begin(), cells.end(), DestVect->Cells().begin());
    DestVect->Changed();
    return static_cast<int>(cells.size());
}

// --- standardisation and centring ----------------------------------------------------------------

namespace {
const char* const kNoRowStandardization =
    "standardization of rows is not possible with nominal or ordinal variables";
const char* const kNoRowCentering =
    "mean centering of rows is not possible with nominal or ordinal variables";
}  // namespace

void TDataTable::StandardizeNumCellColumns(TVector* Means, TVector* StdDevs) {
    bool changed = false;
    {
        TSuspendedEvents quiet{&FNumericData->OnChange};
        const size_t rows = static_cast<size_t>(FNrOfRows);
        for (int c = 1; c <= FNrOfCols; ++c) {
            if (!IsMetric(FVType[static_cast<size_t>(c - 1)].MScaleType)) continue;
            double mean = 0, var = 0;
            MeanVarOfNumCells(c, 1, c, FNrOfRows, mean, var);
            const double sd = std::sqrt(var);
            if (Means != nullptr) Means->SetVal(c, mean);
            if (StdDevs != nullptr) StdDevs->SetVal(c, sd);
            if (!(var > 0.0)) continue;
            double* col = FNumericData->Data() + static_cast<size_t>(c - 1) * rows;
            const uint8_t* st = FCState[static_cast<size_t>(c - 1)].data();
            for (size_t r = 0; r < rows; ++r)
                if (IsNumberState(st[r])) col[r] = (col[r] - mean) / sd;
            changed = true;
        }
    }
    if (changed) Changed();
}

void TDataTable::MeanCenterNumCellColumns(TVector* Means) {
    {
        TSuspendedEvents quiet{&FNumericData->OnChange};
        const size_t rows = static_cast<size_t>(FNrOfRows);
        for (int c = 1; c <= FNrOfCols; ++c) {
            if (!IsMetric(FVType[static_cast<size_t>(c - 1)].MScaleType)) continue;
            double mean = 0, var = 0;
            MeanVarOfNumCells(c, 1, c, FNrOfRows, mean, var);
            if (Means != nullptr) Means->SetVal(c, mean);
            double* col = FNumericData->Data() + static_cast<size_t>(c - 1) * rows;
            const uint8_t* st = FCState[static_cast<size_t>(c - 1)].data();
            for (size_t r = 0; r < rows; ++r)
                if (IsNumberState(st[r])) col[r] -= mean;
        }
    }
    Changed();
}

namespace {
// Applies x := (x - mean) / Divisor to the numeric cells of the metric columns of row r.
template <typename F>
void ForRowCells(double* data, size_t rows, const std::vector<TVTypeSpec>& types,
                 const std::vector<std::vector<uint8_t>>& states, size_t r, F&& f) {
    for (size_t c = 0; c < types.size(); ++c)
        if (IsMetric(types[c].MScaleType) && IsNumberState(states[c][r])) f(data[c * rows + r]);
}
}  // namespace

void TDataTable::StandardizeNumCellRows(TVector* Means, TVector* StdDevs) {
    for (const TVTypeSpec& t : FVType)
        if (IsCategoricalType(t.MScaleType)) throw EOZMDataTableError(kNoRowStandardization);
    {
        TSuspendedEvents quiet{&FNumericData->OnChange};
        const size_t rows = static_cast<size_t>(FNrOfRows);
        for (int r = 1; r <= FNrOfRows; ++r) {
            double mean = 0, var = 0;
            MeanVarOfNumCells(1, r, FNrOfCols, r, mean, var);
            const double sd = std::sqrt(var);
            if (Means != nullptr) Means->SetVal(r, mean);
            if (StdDevs != nullptr) StdDevs->SetVal(r, sd);
            if (!(var > 0.0)) continue;
            ForRowCells(FNumericData->Data(), rows, FVType, FCState, static_cast<size_t>(r - 1),
                        [&](double& x) { x = (x - mean) / sd; });
        }
    }
    Changed();
}

void TDataTable::MeanCenterNumCellRows(TVector* Means) {
    for (const TVTypeSpec& t : FVType)
        if (IsCategoricalType(t.MScaleType)) throw EOZMDataTableError(kNoRowCentering);
    {
        TSuspendedEvents quiet{&FNumericData->OnChange};
        const size_t rows = static_cast<size_t>(FNrOfRows);
        for (int r = 1; r <= FNrOfRows; ++r) {
            double mean = 0, var = 0;
            MeanVarOfNumCells(1, r, FNrOfCols, r, mean, var);
            if (Means != nullptr) Means->SetVal(r, mean);
            ForRowCells(FNumericData->Data(), rows, FVType, FCState, static_cast<size_t>(r - 1),
                        [&](double& x) { x -= mean; });
        }
    }
    Changed();
}

// --- covariance-type matrices ----------------------------------------------------------------------

bool TDataTable::CalcCovar(TMatrix* CovarMat, int LoC, int HiC, int LoR, int HiR, int Mode) {
    if (CovarMat == nullptr || Mode < 0 || Mode > 4) return false;
    MakeValidColRange(LoC, HiC);
    MakeValidRowRange(LoR, HiR);
    const int m = HiC - LoC + 1;
    if (m < 1 || CovarMat->NrOfColumns() < m || CovarMat->NrOfRows() < m) return false;
    AbortMathProc = false;
    const size_t rows = static_cast<size_t>(FNrOfRows);
    const size_t r0 = static_cast<size_t>(LoR - 1);
    const size_t r1 = HiR >= LoR ? static_cast<size_t>(HiR) : r0;  // one past the last row
    auto column = [&](int c) { return FNumericData->Data() + static_cast<size_t>(c - 1) * rows; };
    auto states = [&](int c) { return FCState[static_cast<size_t>(c - 1)].data(); };
    // Whether a column's cells of the row range are all numeric: the pair loops then need no test.
    std::vector<char> complete(static_cast<size_t>(m), 1);
    for (int a = 0; a < m; ++a) {
        const uint8_t* st = states(LoC + a);
        for (size_t r = r0; r < r1; ++r)
            if (!IsNumberState(st[r])) {
                complete[static_cast<size_t>(a)] = 0;
                break;
            }
    }
    // Means over each column's own numeric cells, whatever its scale type (centring a categorical
    // column at 0 would give no covariance at all).
    std::vector<double> means(static_cast<size_t>(m), 0.0);
    if (Mode >= 1) {
        for (int a = 0; a < m; ++a) {
            const double* x = column(LoC + a);
            const uint8_t* st = states(LoC + a);
            double s = 0.0;
            size_t n = 0;
            for (size_t r = r0; r < r1; ++r)
                if (IsNumberState(st[r])) {
                    s += x[r];
                    ++n;
                }
            means[static_cast<size_t>(a)] = n > 0 ? s / static_cast<double>(n) : 0.0;
            progress::StepDone();
            if (progress::AbortRequested()) return false;
        }
    }
    std::vector<char> both(r1 - r0);
    // The element of one pair; Use(r) tells whether row r takes part. Complete columns use a
    // test that is always true, so their loops run without a mask.
    auto element = [&](const double* x, const double* y, int a, int b, size_t n, auto&& Use) {
        const double dn = static_cast<double>(n);
        if (Mode == 2 || Mode == 3) {
            if (a == b) return 1.0;
            if (n <= 2) return 0.0;
            // Sums of products of deviations from the pair means: the textbook one-pass sums
            // cancel catastrophically for data far from 0.
            double sx = 0, sy = 0;
            for (size_t r = r0; r < r1; ++r)
                if (Use(r)) {
                    sx += x[r];
                    sy += y[r];
                }
            const double mx = sx / dn, my = sy / dn;
            double sxx = 0, syy = 0, sxy = 0;
            for (size_t r = r0; r < r1; ++r)
                if (Use(r)) {
                    const double dx = x[r] - mx, dy = y[r] - my;
                    sxx += dx * dx;
                    syy += dy * dy;
                    sxy += dx * dy;
                }
            if (!(sxx > 0.0 && syy > 0.0)) return 0.0;
            const double rho = std::clamp(sxy / std::sqrt(sxx * syy), -1.0, 1.0);
            return Mode == 3 ? rho * rho : rho;
        }
        if (n < 2) return 0.0;
        const double mx = means[static_cast<size_t>(a)], my = means[static_cast<size_t>(b)];
        double s = 0.0;
        if (Mode == 0) {
            for (size_t r = r0; r < r1; ++r)
                if (Use(r)) s += x[r] * y[r];
        } else if (Mode == 1) {
            for (size_t r = r0; r < r1; ++r)
                if (Use(r)) s += (x[r] - mx) * (y[r] - my);
        } else {
            for (size_t r = r0; r < r1; ++r)
                if (Use(r)) {
                    const double d = x[r] - y[r];
                    s += d * d;
                }
        }
        return s / (dn - 1.0);
    };
    for (int a = 0; a < m; ++a) {
        const double* x = column(LoC + a);
        const uint8_t* sa = states(LoC + a);
        for (int b = a; b < m; ++b) {
            const double* y = column(LoC + b);
            const uint8_t* sb = states(LoC + b);
            double value;
            if (complete[static_cast<size_t>(a)] && complete[static_cast<size_t>(b)]) {
                value = element(x, y, a, b, r1 - r0, [](size_t) { return true; });
            } else {
                size_t n = 0;
                for (size_t r = r0; r < r1; ++r) {
                    const bool use = IsNumberState(sa[r]) && IsNumberState(sb[r]);
                    both[r - r0] = use;
                    n += use;
                }
                value = element(x, y, a, b, n, [&](size_t r) { return both[r - r0] != 0; });
            }
            CovarMat->SetVal(a + 1, b + 1, value);
            if (b != a) CovarMat->SetVal(b + 1, a + 1, value);
        }
        progress::StepDone();
        if (progress::AbortRequested()) return false;
    }
    return true;
}

// --- contingency tables and column queries -------------------------------------------------------

int TDataTable::CreateContingencyTable(int Col1, int Col2, int LowRow, int HighRow,
                                       TInt2DArray& ContTab) {
    if (!ValidCol(Col1) || !ValidCol(Col2)) return -1;
    if (!IsCategorical(Col1) || !IsCategorical(Col2)) return -2;
    MakeValidRowRange(LowRow, HighRow);
    TInt2DArray tab(kMaxNominalIDs + 1, TIntArray(kMaxNominalIDs + 1, 0));
    int max_i = 0, max_j = 0;
    bool bad = false;
    const uint8_t* s1 = FCState[static_cast<size_t>(Col1 - 1)].data();
    const uint8_t* s2 = FCState[static_cast<size_t>(Col2 - 1)].data();
    for (int r = LowRow; r <= HighRow; ++r) {
        if (!IsNumberState(s1[r - 1]) || !IsNumberState(s2[r - 1])) continue;
        const int64_t i = Round(FNumericData->GetVal(Col1, r));
        const int64_t j = Round(FNumericData->GetVal(Col2, r));
        if (i < 1 || i > kMaxNominalIDs || j < 1 || j > kMaxNominalIDs) {
            bad = true;
            continue;
        }
        ++tab[static_cast<size_t>(i - 1)][static_cast<size_t>(j - 1)];
        max_i = std::max(max_i, static_cast<int>(i));
        max_j = std::max(max_j, static_cast<int>(j));
    }
    tab.resize(static_cast<size_t>(max_i) + 1);
    for (auto& col : tab) col.resize(static_cast<size_t>(max_j) + 1);
    const size_t ti = static_cast<size_t>(max_i), tj = static_cast<size_t>(max_j);
    for (size_t i = 0; i < ti; ++i)
        for (size_t j = 0; j < tj; ++j) {
            tab[ti][j] += tab[i][j];  // row totals in the last column
            tab[i][tj] += tab[i][j];  // column totals in the last row
            tab[ti][tj] += tab[i][j];
        }
    ContTab = std::move(tab);
    return bad ? -3 : 0;
}

int TDataTable::ScanForCatValues(int ACol, int LowRow, int HighRow, TIntArray& OrdList) {
    if (!ValidCol(ACol)) return -1;
    if (!IsCategorical(ACol)) return 0;
    MakeValidRowRange(LowRow, HighRow);
    OrdList.assign(kMaxNominalIDs, 0);
    int outside = 0;
    const uint8_t* st = FCState[static_cast<size_t>(ACol - 1)].data();
    for (int r = LowRow; r <= HighRow; ++r) {
        if (!IsNumberState(st[r - 1])) continue;
        const int64_t k = Round(FNumericData->GetVal(ACol, r));
        if (k >= 1 && k <= kMaxNominalIDs)
            ++OrdList[static_cast<size_t>(k - 1)];
        else
            ++outside;
    }
    return outside;
}

bool TDataTable::CheckDichotomousColumn(int col, double& v1, double& v2) const {
    v1 = v2 = 0.0;
    if (FNrOfRows < 2 || !ValidCol(col)) return false;
    const double* x = FNumericData->Data() + static_cast<size_t>(col - 1) * FNrOfRows;
    const double first = x[0];
    bool have_second = false;
    double second = 0.0;
    for (int r = 1; r < FNrOfRows; ++r) {
        if (x[r] == first) continue;
        if (!have_second) {
            second = x[r];
            have_second = true;
        } else if (!(x[r] == second)) {
            return false;
        }
    }
    if (!have_second) return false;
    v1 = std::min(first, second);
    v2 = std::max(first, second);
    return true;
}

bool TDataTable::IsConstantColumn(int ColIx) const {
    if (!ValidCol(ColIx)) return false;
    const double* x = FNumericData->Data() + static_cast<size_t>(ColIx - 1) * FNrOfRows;
    for (int r = 1; r < FNrOfRows; ++r)
        if (!(x[r] == x[0])) return false;
    return true;
}

int TDataTable::FillMarkedCells(double Value, uint8_t StateMask) {
    int n = 0;
    const size_t rows = static_cast<size_t>(FNrOfRows);
    for (size_t c = 0; c < static_cast<size_t>(FNrOfCols); ++c) {
        double* col = FNumericData->Data() + c * rows;
        for (size_t r = 0; r < rows; ++r)
            if (FCState[c][r] & StateMask) {
                col[r] = Value;
                ++n;
            }
    }
    if (n > 0) Changed();
    return n;
}

namespace {
template <typename Better>
int32_t ExtremeAttrib(const std::vector<int32_t>& Att, int First, int Last, int& Index,
                      Better&& better) {
    Index = 0;
    if (First > Last) return 0;
    int32_t best = Att[static_cast<size_t>(First - 1)];
    Index = First;
    for (int k = First + 1; k <= Last; ++k)
        if (better(Att[static_cast<size_t>(k - 1)], best)) {
            best = Att[static_cast<size_t>(k - 1)];
            Index = k;
        }
    return best;
}
int AttribLevels(const std::vector<int32_t>& Att) {
    std::bitset<256> seen;
    for (int32_t a : Att)
        if (a >= 0 && a <= 255) seen.set(static_cast<size_t>(a));
    return static_cast<int>(seen.count());
}
}  // namespace

int32_t TDataTable::MaxRowAttrib(int FirstRow, int LastRow, int& Row) const {
    MakeValidRowRange(FirstRow, LastRow);
    return ExtremeAttrib(FRowAtt, FirstRow, LastRow, Row, std::greater<int32_t>());
}
int32_t TDataTable::MinRowAttrib(int FirstRow, int LastRow, int& Row) const {
    MakeValidRowRange(FirstRow, LastRow);
    return ExtremeAttrib(FRowAtt, FirstRow, LastRow, Row, std::less<int32_t>());
}
int32_t TDataTable::MaxColAttrib(int FirstCol, int LastCol, int& Col) const {
    MakeValidColRange(FirstCol, LastCol);
    return ExtremeAttrib(FColAtt, FirstCol, LastCol, Col, std::greater<int32_t>());
}
int32_t TDataTable::MinColAttrib(int FirstCol, int LastCol, int& Col) const {
    MakeValidColRange(FirstCol, LastCol);
    return ExtremeAttrib(FColAtt, FirstCol, LastCol, Col, std::less<int32_t>());
}
int TDataTable::RowAttribLevels() const { return AttribLevels(FRowAtt); }
int TDataTable::ColAttribLevels() const { return AttribLevels(FColAtt); }

}  // namespace ozm
