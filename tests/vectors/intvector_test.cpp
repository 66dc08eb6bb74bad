// What differs in the integer vector: 32-bit arithmetic, FindExact, its Correlate, the integer
// histogram and the integer files.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "ozm/vector.hpp"
#include "test_support.hpp"

namespace ozm {
namespace {

using testing::ReadWholeFile;
using testing::ScratchDir;
using testing::WriteWholeFile;

TIntVector& Set(TIntVector& v, const std::vector<int32_t>& values) {
    v.Resize(static_cast<int>(values.size()));
    std::copy(values.begin(), values.end(), v.Cells().begin());
    return v;
}

std::vector<int32_t> Values(const TIntVector& v) { return {v.Cells().begin(), v.Cells().end()}; }

TEST(IntVector, ArithmeticWrapsLikeMachineWords) {
    TIntVector v, w;
    Set(v, {INT32_MAX, 1, -3});
    EXPECT_EQ(v.Sum(0, 0), INT32_MAX - 2);  // INT32_MAX + 1 wraps to INT32_MIN, - 3 wraps back
    EXPECT_EQ(v.Sum(2, 3), -2);
    Set(w, {2, 5, 7});
    EXPECT_EQ(v.DotProduct(&w), static_cast<int32_t>(uint32_t(INT32_MAX) * 2u + 5u - 21u));
    v.SMult(2);
    EXPECT_EQ(Values(v), (std::vector<int32_t>{-2, 2, -6}));
    Set(v, {INT32_MIN, -5, 5});
    v.AbsVal();
    EXPECT_EQ(Values(v), (std::vector<int32_t>{INT32_MIN, 5, 5}));
    v.Add(&w);
    EXPECT_EQ(Values(v), (std::vector<int32_t>{INT32_MIN + 2, 10, 12}));
    v.Subtract(&w);
    EXPECT_EQ(Values(v), (std::vector<int32_t>{INT32_MIN, 5, 5}));
    // Statistics with double results do not wrap.
    Set(v, {INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX - 3});
    double mean = 0, var = 0;
    v.MeanVar(0, 0, mean, var);
    EXPECT_DOUBLE_EQ(mean, INT32_MAX - 0.75);
    EXPECT_DOUBLE_EQ(var, 2.25);
    EXPECT_DOUBLE_EQ(v.CalcVecLeng(), std::sqrt(3.0 * INT32_MAX * double(INT32_MAX) +
                                                double(INT32_MAX - 3) * (INT32_MAX - 3)));
    Set(w, {0, 0, 0, 3});
    EXPECT_DOUBLE_EQ(v.EuclideanDistance(&w), std::sqrt(3.0 * INT32_MAX * double(INT32_MAX) +
                                                        double(INT32_MAX - 6) * (INT32_MAX - 6)));
    EXPECT_EQ(v.PearsonCorrCoeff(&w), -1.0);
    v.SetName("I");
    Set(w, {1});
    try {
        v.Add(&w);
        FAIL();
    } catch (const EOZMVectorError& e) {
        EXPECT_EQ(e.message(), "Component \"I\": vectors have different dimensions");
    }
}

TEST(IntVector, SearchAndStatistics) {
    TIntVector v;
    Set(v, {3, 7, 7});
    EXPECT_EQ(v.FindExact(0, 0, 7), 2);
    EXPECT_EQ(v.FindExact(3, 3, 7), 3);
    Set(v, {3, 5});
    EXPECT_EQ(v.FindExact(0, 0, 7), 0);
    EXPECT_EQ(v.Find(0, 0, 4), 1);
    Set(v, {INT32_MIN, INT32_MAX});
    EXPECT_EQ(v.Find(0, 0, 0), 2);  // distances 2^31 and 2^31 - 1, taken without overflow
    EXPECT_EQ(v.FindInSortedVector(true, INT32_MAX - 1), 2);

    Set(v, {4, 1, 3, 2});
    EXPECT_EQ(v.Percentile(25, 0, 0), 1.75);
    double q1 = 0, q2 = 0, q3 = 0;
    v.Quartiles(0, 0, q1, q2, q3);
    EXPECT_EQ(q1, 1.25);
    EXPECT_EQ(q3, 3.75);
    Set(v, {3, 1, 3, 1, 2});
    EXPECT_EQ(v.Mode(0, 0), 1.0);
    int32_t v1 = 0, v2 = 0;
    Set(v, {0, 1, 1, 0});
    EXPECT_TRUE(v.IsDichotomous(v1, v2));
    EXPECT_EQ(v1, 0);
    EXPECT_EQ(v2, 1);
    Set(v, {1, 2, 4});
    EXPECT_DOUBLE_EQ(v.GeometricMean(0, 0), 2);
}

TEST(IntVector, CorrelateShiftsTheOtherWay) {
    TIntVector x, y;
    Set(x, {1, 2, 3});
    Set(y, {4, 5, 6});
    EXPECT_EQ(x.Correlate(&y, 0), 32);
    EXPECT_EQ(x.Correlate(&y, 1), 1 * 5 + 2 * 6);
    EXPECT_EQ(x.Correlate(&y, -1), 2 * 4 + 3 * 5);
    EXPECT_EQ(x.Correlate(&y, 2), 1 * 6);  // a single overlapping element counts
    EXPECT_EQ(x.Correlate(&y, 3), 0);
    EXPECT_EQ(x.Correlate(&y, INT_MIN), 0);
    EXPECT_EQ(x.Correlate(nullptr, 0), 0);
}

TEST(IntVector, Histogram) {
    TIntVector v, h;
    v.SetName("IV");
    Set(v, {-1, 0, 1, 2, 9, 10, 11, 4});
    int under = 0, over = 0, maxcnt = 0;
    ASSERT_TRUE(h.IsEmpty());
    ASSERT_TRUE(v.Histogram(1, 8, 0, 9, 2, &h, under, over, maxcnt));
    EXPECT_FALSE(h.IsEmpty());  // the counts are data like any other
    ASSERT_EQ(h.NrOfElem(), 5);                                   // 9 div 2 + 1
    EXPECT_EQ(Values(h), (std::vector<int32_t>{2, 1, 1, 0, 1}));  // 9 in bin 5
    EXPECT_EQ(under, 1);
    // 11 is beyond LastBin + BinWidth; 10 falls one bin past the last: both are overflows, so
    // every element is counted once.
    EXPECT_EQ(over, 2);
    EXPECT_EQ(maxcnt, 2);
    // A width of 0 or less is 1; bins bounds may be given reversed.
    ASSERT_TRUE(v.Histogram(1, 8, 0, 4, 0, &h, under, over, maxcnt));
    EXPECT_EQ(Values(h), (std::vector<int32_t>{1, 1, 1, 0, 1}));
    try {
        v.Histogram(1, 8, 0, 1000, 1, &h, under, over, maxcnt);
        FAIL();
    } catch (const EOZMVectorError& e) {
        EXPECT_EQ(e.message(), "Component \"IV.Histogram\": invalid number of bins");
    }
    EXPECT_THROW(v.Histogram(1, 8, INT32_MIN, INT32_MAX, 1, &h, under, over, maxcnt),
                 EOZMVectorError);
    EXPECT_FALSE(v.Histogram(1, 8, 0, 9, 1, nullptr, under, over, maxcnt));
    // A vector can be its own histogram.
    Set(v, {1, 1, 2, 5});
    ASSERT_TRUE(v.Histogram(1, 4, 1, 3, 1, &v, under, over, maxcnt));
    EXPECT_EQ(Values(v), (std::vector<int32_t>{2, 1, 0}));
    EXPECT_EQ(over, 1);
}

TEST(IntVector, Files) {
    ScratchDir dir;
    const std::string f = dir.file("i.asc");
    TIntVector v;
    Set(v, {42, -7, INT32_MIN});
    ASSERT_EQ(v.ExportAsASC(f, ""), 0);
    EXPECT_EQ(ReadWholeFile(f), "Exported by OZM TIntVector component: " + f +
                                    "\r\n1\t;nr. of columns\r\n3\t;nr. of rows\r\n"
                                    "FALSE FALSE FALSE FALSE\t;row attributes, column names, row "
                                    "names, nominal variables\r\n"
                                    "          42\r\n          -7\r\n -2147483648\r\n");
    TIntVector w;
    std::string comment;
    EXPECT_EQ(w.ImportASC(f, comment), 0);
    EXPECT_EQ(Values(w), Values(v));

    const std::string flags = "FALSE FALSE FALSE FALSE\n";
    WriteWholeFile(f, "c\n1\n4\n" + flags + "2.5\n3.5\n-2.5\n2.49\n");
    EXPECT_EQ(w.ImportASC(f, comment), 0);
    EXPECT_EQ(Values(w), (std::vector<int32_t>{2, 4, -2, 2}));  // ties to even
    WriteWholeFile(f, "c\n1\n3\n" + flags + "1\n3e9\n2\n");
    EXPECT_EQ(w.ImportASC(f, comment), -6);  // beyond the 32-bit range
    EXPECT_EQ(w.NrOfElem(), 2);

    const std::string l = dir.file("i.txt");
    Set(v, {1, 2, 3, 4, 5});
    ASSERT_TRUE(v.StoreOnFile(4, 2, l));
    EXPECT_EQ(ReadWholeFile(l), "2 4\r\n2\r\n3\r\n4\r\n");
    ASSERT_TRUE(v.StoreOnFile(-3, 99, l));
    EXPECT_EQ(ReadWholeFile(l).substr(0, 5), "1 5\r\n");
    Set(w, {0});
    ASSERT_TRUE(w.LoadFromFile(l, true));
    EXPECT_EQ(Values(w), Values(v));
    ASSERT_TRUE(v.StoreOnFile(0, 0, l));  // no further clamping: "1 0", nothing else
    EXPECT_EQ(ReadWholeFile(l), "1 0\r\n");
    EXPECT_TRUE(w.LoadFromFile(l, true));
    EXPECT_EQ(Values(w), (std::vector<int32_t>{1, 2, 3, 4, 5}));
    WriteWholeFile(l, "1 3\n1.5\n-0.5\n7\n");
    ASSERT_TRUE(w.LoadFromFile(l, true));
    EXPECT_EQ(Values(w), (std::vector<int32_t>{2, 0, 7}));
    EXPECT_FALSE(v.StoreOnFile(0, 0, dir.file("none/i.txt")));
}

}  // namespace
}  // namespace ozm
