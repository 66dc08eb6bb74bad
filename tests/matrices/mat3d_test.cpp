// TMat3D: where it differs from TMat4D, and TMatrix::CopyFrom of one of its layers.
#include <gtest/gtest.h>

#include <vector>

#include "matrix_test_support.hpp"
#include "ozm/matrix.hpp"

namespace ozm {
namespace {

using ozm::testing::ChangeCounter;

TEST(Mat3D, DifferencesFromTheFourDimensionalMatrix) {
    TMat3D m;
    m.SetName("cube");
    // A new matrix fingerprints as one double 0.
    const std::vector<double> zero{0.0};
    EXPECT_EQ(m.CRCofData(), CRCFingerprint(zero));
    m.SetVal(2, 1, 1, 5.0);  // outside a 1 x 1 x 1 matrix
    EXPECT_EQ(m.GetVal(1, 1, 1), 0.0);
    ChangeCounter changes(m);
    m.Resize(2, 2, 2);
    m.Fill(3.0);  // no notification
    EXPECT_EQ(changes.count, 1);
    EXPECT_EQ(m.GetVal(2, 2, 2), 3.0);
    m.FillDiag(1.0);
    EXPECT_EQ(changes.count, 2);
    // The eight cells 1..8: the median rank round(4) = 4 is the value 5; 100 is the maximum.
    for (int i = 0; i < 8; ++i) m.Data()[i] = 8 - i;
    EXPECT_EQ(m.Percentile(50, 0, 0, 0, 0, 0, 0), 5.0);
    EXPECT_EQ(m.Percentile(100, 0, 0, 0, 0, 0, 0), 8.0);
    EXPECT_EQ(m.Percentile(50, 0, 0, 0, 0, 0, 0, 100), 5.0);  // sample not below n: exact
    double mean, var, lo, hi;
    m.MeanVar(0, 0, 0, 0, 0, 0, mean, var);
    EXPECT_EQ(mean, 4.5);
    EXPECT_DOUBLE_EQ(var, 6.0);
    m.MinMax(2, 2, 0, 0, 2, 2, lo, hi);
    EXPECT_EQ(lo * 10 + hi, 13.0);  // cells (2, 1, 2) = 3 and (2, 2, 2) = 1
    int c, r, l;
    m.Find(0, 0, 0, 0, 0, 0, 6.2, c, r, l);
    EXPECT_EQ(c * 100 + r * 10 + l, 121);  // 6 is cell (1, 2, 1)

    // Fingerprint order: column outermost, layer innermost.
    std::vector<double> scan;
    for (int x = 1; x <= 2; ++x)
        for (int y = 1; y <= 2; ++y)
            for (int z = 1; z <= 2; ++z) scan.push_back(m.GetVal(x, y, z));
    EXPECT_EQ(m.CRCofData(), CRCFingerprint(scan));

    TMatrix mat;
    try {
        m.CopyMatrixToLayer(&mat, 0, 0, 0, 0, 0, 1, 1);
        FAIL();
    } catch (const EOZMMatrixError& e) {
        EXPECT_STREQ(e.what(), "Component \"cube\": specified layer beyond data range");
    }
    EXPECT_THROW(m.CopyLayerToMatrix(&mat, 0, 0, 0, 0, 3), EOZMMatrixError);
    m.CopyLayerToMatrix(&mat, 0, 0, 2, 2, 2);
    ASSERT_EQ(mat.NrOfColumns() * 10 + mat.NrOfRows(), 21);
    EXPECT_EQ(mat.GetVal(2, 1), m.GetVal(2, 2, 2));
    // Source range used as given: cells outside the source read 0, cells outside the layer drop.
    mat.Resize(2, 2);
    mat.Fill(9.0);
    m.CopyMatrixToLayer(&mat, 2, 3, 1, 1, 1, 1, 2);
    EXPECT_EQ(m.GetVal(1, 2, 1), 9.0);
    EXPECT_EQ(m.GetVal(2, 2, 1), 0.0);
    // A vast range costs only the cells that land in the layer: here all read 0 (source
    // columns near -2e9), row 2 is not touched.
    m.CopyMatrixToLayer(&mat, -2000000000, 2000000000, 1, 1, 1, 1, 1);
    EXPECT_EQ(m.GetVal(2, 1, 1), 0.0);
    EXPECT_EQ(m.GetVal(1, 2, 1), 9.0);

    TMat3D copy;
    copy.Clone(&m);
    EXPECT_EQ(copy.CRCofData(), m.CRCofData());
    EXPECT_THROW(copy.Assign(&m), EConvertError);  // no assignment between TMat3D objects
}

TEST(Mat3D, MatrixCopiesOneLayer) {
    TMat3D m;
    m.Resize(3, 2, 4);
    for (int i = 0; i < 24; ++i) m.Data()[i] = i;
    TMatrix mat;
    mat.Resize(4, 4);
    ChangeCounter changes(mat);
    mat.CopyFrom(&m, 2, 1, 3, 2, 9, 1, 2);  // layer 9 becomes 4
    EXPECT_EQ(changes.count, 5);  // four cells and the end
    EXPECT_EQ(mat.GetVal(1, 2), m.GetVal(2, 1, 4));
    EXPECT_EQ(mat.GetVal(2, 3), m.GetVal(3, 2, 4));
    mat.CopyFrom(&m, 0, 0, 0, 0, 0, 4, 4);  // bounds <= 0 become 1, layer 0 becomes 1
    EXPECT_EQ(mat.GetVal(4, 4), m.GetVal(1, 1, 1));
    mat.CopyFrom(static_cast<const TMat3D*>(nullptr), 1, 1, 1, 1, 1, 1, 1);
}

}  // namespace
}  // namespace ozm
