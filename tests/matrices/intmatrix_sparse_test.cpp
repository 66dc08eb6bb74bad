// The sparse form of TIntMatrix: the worked examples, random operation sequences against an
// independent model, the statistics against the dense form, and the dense-only members.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <utility>

#include "matrix_test_support.hpp"
#include "ozm/matrix.hpp"
#include "ozm/vector.hpp"

namespace ozm {
namespace {

using ozm::testing::ChangeCounter;

// The sparse form as the rules describe it, kept in a map (column, row) -> value.
struct SparseModel {
    explicit SparseModel(int alloc_by) : alloc_by(alloc_by), capacity(alloc_by) {}

    void EmptyBox() {
        low_c = low_r = INT_MAX;
        high_c = high_r = 1;
    }
    void SetVal(int c, int r, int32_t v) {
        if (c < 1 || r < 1) return;
        if (!cells.count({c, r}) && cells.size() + 1 > size_t(capacity)) capacity += alloc_by;
        cells[{c, r}] = v;
        low_c = std::min(low_c, c);
        high_c = std::max(high_c, c);
        low_r = std::min(low_r, r);
        high_r = std::max(high_r, r);
        cols = high_c;
        rows = high_r;
    }
    int32_t GetVal(int c, int r) const {
        const auto it = cells.find({c, r});
        return it == cells.end() ? 0 : it->second;
    }
    void Resize(int nc, int nr) {
        nc = std::max(nc, 0);
        nr = std::max(nr, 0);
        if (nc == cols && nr == rows) return;
        cols = nc;
        rows = nr;
        high_c = std::min(high_c, nc);
        high_r = std::min(high_r, nr);
        low_c = std::min(low_c, high_c);
        low_r = std::min(low_r, high_r);
        std::erase_if(cells,
                      [&](const auto& kv) { return kv.first.first > nc || kv.first.second > nr; });
    }
    void Fill(int32_t v) {
        if (v != 0) {
            for (auto& kv : cells) kv.second = v;
        } else {
            cells.clear();
            capacity = alloc_by;
            EmptyBox();
        }
    }
    void Transpose() {
        std::map<std::pair<int, int>, int32_t> t;
        for (const auto& [key, v] : cells) t[{key.second, key.first}] = v;
        cells = std::move(t);
        std::swap(low_c, low_r);
        std::swap(high_c, high_r);
        std::swap(cols, rows);
    }
    // A dense TIntMatrix with the same cells, the reference of the statistics.
    void ToDense(TIntMatrix& dense) const {
        dense.ResizeAndClear(cols, rows);
        for (const auto& [key, v] : cells) dense.SetVal(key.first, key.second, v);
    }

    int alloc_by;
    int capacity;
    int cols = 0, rows = 0;
    int low_c = INT_MAX, high_c = 1, low_r = INT_MAX, high_r = 1;
    std::map<std::pair<int, int>, int32_t> cells;
};

void ExpectSameAsModel(const TIntMatrix& m, const SparseModel& model, const std::string& where) {
    SCOPED_TRACE(where);
    ASSERT_TRUE(m.IsSparse());
    EXPECT_EQ(m.NrOfColumns(), model.cols);
    EXPECT_EQ(m.NrOfRows(), model.rows);
    EXPECT_EQ(m.NumAllocated(), model.capacity);
    EXPECT_EQ(m.SparseLowCol(), model.low_c);
    EXPECT_EQ(m.SparseHighCol(), model.high_c);
    EXPECT_EQ(m.SparseLowRow(), model.low_r);
    EXPECT_EQ(m.SparseHighRow(), model.high_r);
    ASSERT_EQ(size_t(m.SparseNumElem()), model.cells.size());
    // The entries are the model's cells in (column, row) order.
    size_t k = 0;
    for (const auto& [key, v] : model.cells) {
        const TSpMatElemInt& e = m.SparseEntries()[k++];
        EXPECT_EQ(e.colidx, key.first);
        EXPECT_EQ(e.rowidx, key.second);
        EXPECT_EQ(e.value, v);
    }
    for (int c = -1; c <= 14; ++c)
        for (int r = -1; r <= 14; ++r)
            ASSERT_EQ(m.GetVal(c, r), model.GetVal(c, r)) << c << "," << r;
}

TEST(IntMatrixSparse, WorkedExamples) {
    TIntMatrix m(nullptr, CreateSparse, 2);
    EXPECT_TRUE(m.IsSparse());
    EXPECT_EQ(m.NrOfColumns(), 0);
    EXPECT_EQ(m.NrOfRows(), 0);
    EXPECT_EQ(m.NumAllocated(), 2);
    ChangeCounter changes(m);
    m.SetVal(3, 1, 30);
    m.SetVal(1, 2, 12);
    EXPECT_EQ(m.NumAllocated(), 2);
    m.SetVal(1, 1, 11);
    EXPECT_EQ(m.NumAllocated(), 4);  // the third new cell grows the capacity by AllocBy
    EXPECT_EQ(changes.count, 3);
    ASSERT_EQ(m.SparseNumElem(), 3);
    const auto e = m.SparseEntries();
    EXPECT_EQ(std::make_pair(e[0].colidx, e[0].rowidx), std::make_pair(1, 1));
    EXPECT_EQ(std::make_pair(e[1].colidx, e[1].rowidx), std::make_pair(1, 2));
    EXPECT_EQ(std::make_pair(e[2].colidx, e[2].rowidx), std::make_pair(3, 1));
    EXPECT_EQ(m.NrOfColumns(), 3);
    EXPECT_EQ(m.NrOfRows(), 2);
    EXPECT_EQ(m.GetVal(2, 2), 0);
    EXPECT_EQ(m.GetVal(5, 1), 0);  // outside the box
    m.SetVal(0, 1, 5);             // ignored
    m.SetVal(1, -3, 5);
    EXPECT_EQ(m.SparseNumElem(), 3);
    EXPECT_EQ(changes.count, 3);
    m.SetVal(1, 1, 0);  // a 0 is stored in its entry
    EXPECT_EQ(m.SparseNumElem(), 3);
    EXPECT_EQ(m.GetVal(1, 1), 0);

    // Fill(7) changes only the three entries; Fill(0) empties the list.
    m.Fill(7);
    EXPECT_EQ(m.Sum(0, 0, 0, 0), 21);
    EXPECT_EQ(m.GetVal(2, 1), 0);
    m.Fill(0);
    EXPECT_EQ(m.SparseNumElem(), 0);
    EXPECT_EQ(m.NumAllocated(), 2);
    EXPECT_EQ(m.SparseLowCol(), INT_MAX);
    EXPECT_EQ(m.SparseHighCol(), 1);

    // Resize(2, 2) removes the entry at (3, 1); the present size returns true and does nothing.
    m.SetVal(3, 1, 4);
    m.SetVal(2, 2, 5);
    const int before = changes.count;
    EXPECT_TRUE(m.Resize(2, 2));
    EXPECT_EQ(changes.count, before);  // no notification in sparse form
    EXPECT_EQ(m.SparseNumElem(), 1);
    EXPECT_EQ(m.GetVal(3, 1), 0);
    EXPECT_EQ(m.GetVal(2, 2), 5);
    EXPECT_TRUE(m.Resize(2, 2));
    EXPECT_TRUE(m.ResizeAndClear(2, 2));
    EXPECT_EQ(m.SparseNumElem(), 0);

    // A dense 5 x 5 matrix with its non-zero cells in columns 1..3 and rows 1..2 comes back as
    // 3 x 2 with the same cells.
    TIntMatrix d;
    d.Resize(5, 5);
    d.SetVal(1, 1, 4);
    d.SetVal(3, 2, -6);
    d.SetVal(2, 1, 9);
    d.ArrayToSparse(0);
    EXPECT_TRUE(d.IsSparse());
    EXPECT_EQ(d.AllocBy(), 1);
    EXPECT_EQ(d.NumAllocated(), 3);
    EXPECT_EQ(d.NrOfColumns(), 5);  // kept
    EXPECT_EQ(d.Data(), nullptr);   // the dense storage is released
    d.SparseToArray();
    EXPECT_FALSE(d.IsSparse());
    EXPECT_EQ(d.NrOfColumns(), 3);
    EXPECT_EQ(d.NrOfRows(), 2);
    EXPECT_EQ(d.NumAllocated(), 0);
    EXPECT_EQ(d.GetVal(1, 1), 4);
    EXPECT_EQ(d.GetVal(2, 1), 9);
    EXPECT_EQ(d.GetVal(3, 2), -6);
    EXPECT_EQ(d.Sum(0, 0, 0, 0), 7);

    // An empty sparse matrix becomes 1 x 1.
    TIntMatrix empty(nullptr, CreateSparse, 5);
    empty.SparseToArray();
    EXPECT_EQ(empty.NrOfColumns(), 1);
    EXPECT_EQ(empty.NrOfRows(), 1);
    EXPECT_EQ(empty.GetVal(1, 1), 0);

    // Clone copies only between matrices of the same form.
    TIntMatrix dense;
    dense.Resize(2, 2);
    dense.SetVal(1, 1, 8);
    TIntMatrix sparse(nullptr, CreateSparse, 3);
    sparse.SetVal(4, 4, 1);
    dense.Clone(&sparse);
    EXPECT_EQ(dense.GetVal(1, 1), 8);
    EXPECT_FALSE(dense.IsSparse());
    TIntMatrix sparse2(nullptr, CreateSparse, 1);
    sparse2.Clone(&sparse);
    EXPECT_EQ(sparse2.GetVal(4, 4), 1);
    EXPECT_EQ(sparse2.AllocBy(), 3);
    EXPECT_EQ(sparse2.NumAllocated(), 3);
    EXPECT_EQ(sparse2.NrOfColumns(), 4);
}

TEST(IntMatrixSparse, RandomSequencesAgreeWithTheModel) {
    std::mt19937 gen(20261207);
    for (int run = 0; run < 40; ++run) {
        const int alloc_by = 1 + int(gen() % 5);
        TIntMatrix m(nullptr, CreateSparse, alloc_by);
        SparseModel model(alloc_by);
        model.EmptyBox();
        const auto pick = [&](int lo, int hi) { return lo + int(gen() % unsigned(hi - lo + 1)); };
        for (int step = 0; step < 120; ++step) {
            const int op = pick(0, 99);
            if (op < 70) {
                const int c = pick(-1, 12), r = pick(-1, 12), v = pick(-3, 3);
                m.SetVal(c, r, v);
                model.SetVal(c, r, v);
            } else if (op < 80) {
                const int nc = pick(-1, 12), nr = pick(-1, 12);
                EXPECT_TRUE(m.Resize(nc, nr));
                model.Resize(nc, nr);
            } else if (op < 85) {
                const int v = pick(0, 1) == 0 ? 0 : pick(-5, 5);
                m.Fill(v);
                model.Fill(v);
            } else if (op < 90) {
                EXPECT_TRUE(m.Transpose());
                model.Transpose();
            } else {
                // Statistics over a random rectangle against the dense form of the same cells.
                TIntMatrix dense;
                model.ToDense(dense);
                const int lc = pick(0, 13), hc = pick(0, 13), lr = pick(0, 13), hr = pick(0, 13);
                EXPECT_EQ(m.Sum(lc, lr, hc, hr), dense.Sum(lc, lr, hc, hr));
                int32_t mn1, mx1, mn2, mx2;
                m.MinMax(lc, lr, hc, hr, mn1, mx1);
                dense.MinMax(lc, lr, hc, hr, mn2, mx2);
                EXPECT_EQ(mn1, mn2);
                EXPECT_EQ(mx1, mx2);
                double a1, b1, a2, b2;
                m.MeanVar(lc, lr, hc, hr, a1, b1);
                dense.MeanVar(lc, lr, hc, hr, a2, b2);
                EXPECT_NEAR(a1, a2, 1e-12);
                EXPECT_NEAR(b1, b2, 1e-12 * (1 + std::fabs(b2)));
                m.SkewKurt(lc, lr, hc, hr, a1, b1);
                dense.SkewKurt(lc, lr, hc, hr, a2, b2);
                EXPECT_NEAR(a1, a2, 1e-9 * (1 + std::fabs(a2)));
                EXPECT_NEAR(b1, b2, 1e-9 * (1 + std::fabs(b2)));
                m.SkewKurtSample(lc, lr, hc, hr, a1, b1);
                dense.SkewKurtSample(lc, lr, hc, hr, a2, b2);
                EXPECT_NEAR(a1, a2, 1e-9 * (1 + std::fabs(a2)));
                EXPECT_NEAR(b1, b2, 1e-9 * (1 + std::fabs(b2)));
                int32_t trace = 0;
                if (model.high_c == model.high_r)
                    for (const auto& [key, v] : model.cells)
                        if (key.first == key.second) trace += v;
                EXPECT_EQ(m.Trace(), trace);
            }
            if (step % 10 == 9) ExpectSameAsModel(m, model, "run " + std::to_string(run));
        }
        ExpectSameAsModel(m, model, "end of run " + std::to_string(run));
        // Back to the dense form: the high corner of the box, the same cells.
        m.SparseToArray();
        EXPECT_EQ(m.NrOfColumns(), std::max(model.high_c, 0));
        EXPECT_EQ(m.NrOfRows(), std::max(model.high_r, 0));
        for (int c = 1; c <= m.NrOfColumns(); ++c)
            for (int r = 1; r <= m.NrOfRows(); ++r) ASSERT_EQ(m.GetVal(c, r), model.GetVal(c, r));
    }
}

TEST(IntMatrixSparse, TransposeKeepsEntriesInsideTheMatrix) {
    // Exchanging the indices of the entries without the dimensions would leave (1, 3) outside a
    // 3 x 2 matrix; the dimensions follow the entries.
    TIntMatrix m(nullptr, CreateSparse, 4);
    m.SetVal(3, 1, 5);
    m.SetVal(2, 2, 7);
    ASSERT_EQ(m.NrOfColumns(), 3);
    ASSERT_EQ(m.NrOfRows(), 2);
    EXPECT_TRUE(m.Transpose());
    EXPECT_EQ(m.NrOfColumns(), 2);
    EXPECT_EQ(m.NrOfRows(), 3);
    EXPECT_EQ(m.GetVal(1, 3), 5);
    EXPECT_EQ(m.Sum(0, 0, 0, 0), 12);
    double mean = 0, var = 0;
    m.MeanVar(0, 0, 0, 0, mean, var);
    EXPECT_DOUBLE_EQ(mean, 2.0);
}

TEST(IntMatrixSparse, AddOfBothForms) {
    TIntMatrix a;
    a.Resize(3, 3);
    a.Fill(1);
    TIntMatrix b(nullptr, CreateSparse, 2);
    b.SetVal(2, 3, 5);
    b.SetVal(1, 1, -1);
    ChangeCounter changes(a);
    EXPECT_TRUE(a.Add(&b));
    EXPECT_EQ(changes.count, 1);
    EXPECT_EQ(a.GetVal(2, 3), 6);
    EXPECT_EQ(a.GetVal(1, 1), 0);
    EXPECT_EQ(a.Sum(0, 0, 0, 0), 13);
    b.SetVal(4, 1, 1);  // beyond a's columns
    EXPECT_FALSE(a.Add(&b));
    EXPECT_FALSE(b.Add(&a));  // a sparse matrix adds nothing
    EXPECT_FALSE(a.Add(nullptr));
    TIntMatrix c;
    c.Resize(3, 3);
    c.Fill(INT32_MAX);
    EXPECT_TRUE(a.Add(&c));  // wraps
    EXPECT_EQ(a.GetVal(3, 3), INT32_MIN);
}

TEST(IntMatrixSparse, DenseOnlyMembersRefuseTheSparseForm) {
    TIntMatrix m(nullptr, CreateSparse, 8);
    m.SetName("Grid");
    m.SetVal(2, 2, 3);
    TIntMatrix dense;
    TIntVector vec;
    TVector means;
    TInt2DArray array;
    TBool2DArray flags;
    int c = 0, r = 0;
    const auto expect_refused = [&](auto&& call, const std::string& routine) {
        try {
            call();
            ADD_FAILURE() << routine << " did not raise";
        } catch (const EOZMMatrixError& e) {
            EXPECT_EQ(e.message(), "Component \"Grid\": " + routine + " needs the dense form");
        }
    };
    expect_refused([&] { m.SAdd(1); }, "SAdd");
    expect_refused([&] { m.SMult(2); }, "SMult");
    expect_refused([&] { m.Fill(1, 1, 1, 1, 5); }, "Fill");
    expect_refused([&] { m.FillDiag(1); }, "FillDiag");
    expect_refused([&] { m.RemoveColumn(1); }, "RemoveColumn");
    expect_refused([&] { m.ExchangeRows(1, 2); }, "ExchangeRows");
    expect_refused([&] { m.MirrorColumns(); }, "MirrorColumns");
    expect_refused([&] { m.CountValues(0, 0, 0, 0, 0, 1); }, "CountValues");
    expect_refused([&] { m.CountMaskedZeros(0, 0, 0, 0, 1); }, "CountMaskedZeros");
    expect_refused([&] { m.Find(0, 0, 0, 0, 3, c, r); }, "Find");
    expect_refused([&] { m.Dichotomize(0, flags); }, "Dichotomize");
    expect_refused([&] { m.CRCofData(); }, "CRCofData");
    expect_refused([&] { m.Percentile(50, 0, 0, 0, 0); }, "Percentile");
    double q1 = 0, q2 = 0, q3 = 0;
    expect_refused([&] { m.Quartiles(0, 0, 0, 0, q1, q2, q3); }, "Quartiles");
    expect_refused([&] { m.SortRows(1, true, 0, 0, 0, 0); }, "SortRows");
    expect_refused([&] { m.EdgeVector(TOrientation::orPerRow, TEdgeOp::eoSum, &means); },
                   "EdgeVector");
    expect_refused([&] { m.MeanVec(TDims::dimColumns, &means); }, "MeanVec");
    expect_refused([&] { m.CopyToArray(array, 0, 0, 0, 0); }, "CopyToArray");
    expect_refused([&] { m.CopyRowToVec(&vec, 1, 0, 0); }, "CopyRowToVec");
    expect_refused([&] { m.CopyFrom(&dense, 0, 0, 0, 0, 1, 1); }, "CopyFrom");
    expect_refused([&] { m.Multiply(&dense, &dense); }, "Multiply");
    expect_refused([&] { m.Subtract(&dense); }, "Subtract");
    // A sparse operand of a dense matrix is named in the message.
    expect_refused([&] { dense.Subtract(&m); }, "Subtract");
    expect_refused([&] { dense.EMult(&m, &dense); }, "EMult");
    // The entries survived every refusal.
    EXPECT_EQ(m.SparseNumElem(), 1);
    EXPECT_EQ(m.GetVal(2, 2), 3);

    // Absurd sizes cost nothing in the sparse form; a dense view that cannot exist is refused
    // with the heap message and the matrix stays as it was.
    TIntMatrix huge(nullptr, CreateSparse, INT_MAX);
    huge.SetName("Huge");
    huge.SetVal(INT_MAX, INT_MAX, -1);
    huge.SetVal(INT_MAX, INT_MAX - 1, 2);
    EXPECT_EQ(huge.NumAllocated(), INT_MAX);
    EXPECT_EQ(huge.Sum(0, 0, 0, 0), 1);
    EXPECT_EQ(huge.Trace(), -1);
    try {
        huge.SparseToArray();
        ADD_FAILURE() << "SparseToArray of 2^31 x 2^31 cells did not raise";
    } catch (const EOZMMatrixError& e) {
        EXPECT_EQ(e.message(), "Component \"Huge\": not enough memory on heap");
    }
    EXPECT_TRUE(huge.IsSparse());
    EXPECT_EQ(huge.GetVal(INT_MAX, INT_MAX - 1), 2);
    EXPECT_THROW(huge.SaveToStream(*std::make_unique<TMemoryStream>(), 0, 0, 0, 0), EOZMMatrixError);
}

TEST(IntMatrixSparse, ColumnOrderBuildAppendsAndAssignCopiesTheForm) {
    TIntMatrix m(nullptr, CreateSparse, 100);
    int expected = 0;
    for (int c = 1; c <= 50; ++c)
        for (int r = c % 3 + 1; r <= 40; r += 3, ++expected) m.SetVal(c, r, c * 1000 + r);
    EXPECT_EQ(m.SparseNumElem(), expected);
    EXPECT_EQ(m.NumAllocated(), (m.SparseNumElem() + 99) / 100 * 100);
    EXPECT_TRUE(std::is_sorted(m.SparseEntries().begin(), m.SparseEntries().end(),
                               [](const TSpMatElemInt& a, const TSpMatElemInt& b) {
                                   return a.colidx < b.colidx ||
                                          (a.colidx == b.colidx && a.rowidx < b.rowidx);
                               }));
    TIntMatrix copy;
    copy.Assign(&m);
    EXPECT_TRUE(copy.IsSparse());
    EXPECT_EQ(copy.SparseNumElem(), m.SparseNumElem());
    EXPECT_EQ(copy.GetVal(50, 40), m.GetVal(50, 40));
    EXPECT_EQ(copy.AllocBy(), 100);
    TMatrix real;
    EXPECT_THROW(real.Assign(&m), EConvertError);
    // TMatrix reads a sparse source through GetVal.
    real.Resize(3, 3);
    real.CopyFrom(&m, 48, 38, 50, 40, 1, 1);
    EXPECT_EQ(real.GetVal(3, 3), m.GetVal(50, 40));
    EXPECT_EQ(real.GetVal(1, 1), m.GetVal(48, 38));
}

}  // namespace
}  // namespace ozm
