// TCrossValidator: splits, event protocol, accumulated errors and the bounded failure path.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>

#include "ozm/platform/random.hpp"
#include "ozm/statis/crossval.hpp"

namespace {

using ozm::TCrossValidator;

// n objects: predictor row (object number, 0), response (object number / 10, 0 or 1).
void Fill(TCrossValidator& cv, int n) {
    cv.XMat()->Resize(2, n);
    cv.YMat()->Resize(2, n);
    for (int r = 1; r <= n; ++r) {
        cv.XMat()->SetVal(1, r, r);
        cv.YMat()->SetVal(1, r, r / 10.0);
        cv.YMat()->SetVal(2, r, r % 3 == 0 ? 1.0 : 0.0);
    }
}

// A model that predicts the training mean of response 1 and "positive" for objects 3, 4, 5, 6.
struct MeanModel {
    std::vector<std::vector<int>> trainSets;
    std::vector<int> applied;
    std::vector<int> percents;
    double mean = 0;
    double expectedPress = 0;
    int failEvery = 0;  // the k-th create request fails when k % failEvery == 0
    int requests = 0;

    void Attach(TCrossValidator& cv) {
        cv.OnModelCreateRequest = [this, &cv](ozm::TObject* sender, int pct,
                                              const ozm::TIntArray& list, bool& ok) {
            EXPECT_EQ(sender, &cv);
            EXPECT_TRUE(cv.IsExecuting());
            EXPECT_TRUE(std::is_sorted(list.begin(), list.end()));
            percents.push_back(pct);
            ++requests;
            ok = failEvery == 0 || requests % failEvery != 0;
            if (!ok) return;
            trainSets.push_back(list);
            mean = 0;
            for (int obj : list) mean += obj / 10.0;
            mean = list.empty() ? 0 : mean / double(list.size());
        };
        cv.OnModelApplyRequest = [this](ozm::TObject*, int pct, const ozm::TDoubleArray& x,
                                        ozm::TDoubleArray& y) {
            const int obj = int(x.at(0));
            EXPECT_TRUE(std::find(trainSets.back().begin(), trainSets.back().end(), obj) ==
                        trainSets.back().end());
            applied.push_back(obj);
            percents.push_back(pct);
            EXPECT_EQ(y.size(), 2u);
            y[0] = mean;
            y[1] = obj >= 3 && obj <= 6 ? 0.9 : 0.2;
            expectedPress += (mean - obj / 10.0) * (mean - obj / 10.0);
        };
    }
};

TEST(CrossValidator, EveryObjectTestedOnceWithMatchingErrors) {
    for (int testSize : {1, 3, 7, 40}) {
        SCOPED_TRACE(testSize);
        TCrossValidator cv;
        Fill(cv, 25);
        cv.SetTestSize(testSize);
        MeanModel model;
        model.failEvery = 3;  // failed builds put their objects back
        model.Attach(cv);
        ozm::SetRandSeed(77);
        ASSERT_TRUE(cv.Execute());
        EXPECT_FALSE(cv.IsExecuting());
        std::vector<int> sorted = model.applied;
        std::sort(sorted.begin(), sorted.end());
        ASSERT_EQ(sorted.size(), 25u);
        for (int i = 0; i < 25; ++i) EXPECT_EQ(sorted[size_t(i)], i + 1);
        // A test set holds at most min(size, 25 div 2 + 1) objects.
        for (const auto& t : model.trainSets)
            EXPECT_GE(t.size(), 25u - size_t(std::min(testSize, 13)));
        EXPECT_EQ(model.percents.front(), 0);
        EXPECT_EQ(model.percents.back(), 100);
        EXPECT_TRUE(std::is_sorted(model.percents.begin(), model.percents.end()));
        EXPECT_NEAR(cv.Press().GetVal(1), model.expectedPress, 1e-12);
        EXPECT_NEAR(cv.GetRMSEP(1), std::sqrt(model.expectedPress / 25), 1e-12);
        // Response 2: positives are the multiples of 3; the model says positive for 3..6.
        EXPECT_EQ(cv.TPCount().GetVal(2), 2);  // 3, 6
        EXPECT_EQ(cv.FNCount().GetVal(2), 6);  // 9 .. 24
        EXPECT_EQ(cv.FPCount().GetVal(2), 2);  // 4, 5
        EXPECT_EQ(cv.TNCount().GetVal(2), 15);
        EXPECT_DOUBLE_EQ(cv.GetTPRate(2), 0.25);
        EXPECT_DOUBLE_EQ(cv.GetFPRate(2), 2.0 / 17.0);
    }
}

TEST(CrossValidator, SeededRunsRepeat) {
    auto run = [](uint64_t seed) {
        TCrossValidator cv;
        Fill(cv, 30);
        cv.SetTestSize(4);
        MeanModel model;
        model.Attach(cv);
        ozm::SetRandSeed(seed);
        EXPECT_TRUE(cv.Execute());
        return model.applied;
    };
    EXPECT_EQ(run(5), run(5));
    EXPECT_NE(run(5), run(6));
}

TEST(CrossValidator, FailingBuildAndAbortEndTheRun) {
    TCrossValidator cv;
    Fill(cv, 10);
    int creates = 0;
    cv.OnModelApplyRequest = [](ozm::TObject*, int, const ozm::TDoubleArray&, ozm::TDoubleArray&) {};
    cv.OnModelCreateRequest = [&](ozm::TObject*, int, const ozm::TIntArray&, bool& ok) {
        ++creates;
        ok = false;
    };
    cv.SetMaxCreateFailures(7);
    EXPECT_FALSE(cv.Execute());
    EXPECT_EQ(creates, 7);
    EXPECT_TRUE(cv.CreateFailed());
    EXPECT_EQ(cv.Press().GetVal(1), -1);
    EXPECT_EQ(cv.TPCount().GetVal(2), -1);

    // Abort from OnCheckAbort after the third tested object.
    MeanModel model;
    model.Attach(cv);
    int checks = 0;
    cv.OnCheckAbort = [&](ozm::TObject*, bool& abort) { abort = ++checks == 3; };
    EXPECT_FALSE(cv.Execute());
    EXPECT_FALSE(cv.CreateFailed());
    EXPECT_EQ(model.applied.size(), 3u);
    EXPECT_EQ(cv.FNCount().GetVal(1), -1);
    EXPECT_FALSE(cv.IsExecuting());

    // A handler that throws leaves the validator idle and its results invalid.
    cv.OnCheckAbort = nullptr;
    cv.OnModelApplyRequest = [](ozm::TObject*, int, const ozm::TDoubleArray&, ozm::TDoubleArray&) {
        throw std::runtime_error("model broke");
    };
    EXPECT_THROW(cv.Execute(), std::runtime_error);
    EXPECT_FALSE(cv.IsExecuting());
    EXPECT_EQ(cv.Press().GetVal(2), -1);
}

TEST(CrossValidator, CheckedInputsAndTestSize) {
    TCrossValidator cv;
    cv.SetTestSize(-4);
    EXPECT_EQ(cv.SizeTestSet(), 1);
    auto message = [&cv] {
        try {
            cv.Execute();
        } catch (const ozm::EOZMStatisError& e) {
            return e.message();
        }
        return std::string("no error");
    };
    cv.XMat()->Resize(1, 4);
    cv.YMat()->Resize(1, 5);
    EXPECT_EQ(message(), "TCrossValidator.Execute: number of rows of XMat and YMat not equal");
    cv.YMat()->Resize(1, 4);
    EXPECT_EQ(message(), "TCrossValidator: OnModelApplyRequest event is not assigned");
    cv.OnModelApplyRequest = [&](ozm::TObject*, int, const ozm::TDoubleArray&,
                                 ozm::TDoubleArray&) { cv.Execute(); };
    EXPECT_EQ(message(), "TCrossValidator: OnModelCreateRequest event is not assigned");
    cv.OnModelCreateRequest = [](ozm::TObject*, int, const ozm::TIntArray&, bool& ok) { ok = true; };
    EXPECT_EQ(message(), "TCrossValidator.Execute: already executing");
    EXPECT_FALSE(cv.IsExecuting());
}

}  // namespace
