// The component frame: range normalisation, fingerprint, component errors, events, progress.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "ozm/base/crc32.hpp"
#include "ozm/frame.hpp"

namespace {

using ozm::MakeValidRange;

std::pair<int, int> Range(int low, int high, int count) {
    MakeValidRange(low, high, count);
    return {low, high};
}

TEST(Frame, MakeValidRangeClampsSwapsAndNeverRejects) {
    using P = std::pair<int, int>;
    EXPECT_EQ(Range(0, 0, 10), P(1, 10));   // (0, 0) means all
    EXPECT_EQ(Range(0, 5, 10), P(1, 5));    // one bound 0 is not "all"
    EXPECT_EQ(Range(7, 0, 10), P(1, 7));
    EXPECT_EQ(Range(-3, 20, 10), P(1, 10));
    EXPECT_EQ(Range(8, 2, 10), P(2, 8));
    EXPECT_EQ(Range(12, 15, 10), P(10, 10));
    EXPECT_EQ(Range(5, 5, 10), P(5, 5));
    EXPECT_EQ(Range(-1, -7, 10), P(1, 1));
    EXPECT_EQ(Range(INT_MIN, INT_MAX, 10), P(1, 10));
    EXPECT_EQ(Range(INT_MAX, INT_MIN, 10), P(1, 10));
    EXPECT_EQ(Range(0, 0, 1), P(1, 1));
    EXPECT_EQ(Range(3, 9, 1), P(1, 1));
    // A dimension without entries gives an empty range, never index 0.
    EXPECT_EQ(Range(0, 0, 0), P(1, 0));
    EXPECT_EQ(Range(5, 3, 0), P(1, 0));
    EXPECT_EQ(Range(2, 2, -4), P(1, 0));
}

// The fingerprint recomputed independently: lane k is the plain CRC-32 of the k-th bytes of all
// cells, taken as one block.
template <typename Cell>
std::string LaneByLane(const std::vector<Cell>& cells) {
    std::string text;
    for (size_t k = 0; k < sizeof(Cell); ++k) {
        std::vector<uint8_t> lane;
        for (const Cell& c : cells) {
            uint8_t bytes[sizeof(Cell)];
            std::memcpy(bytes, &c, sizeof(Cell));
            lane.push_back(bytes[k]);
        }
        char hex[9];
        std::snprintf(hex, sizeof hex, "%08X", ozm::CRC32OfBlock(lane.data(), lane.size()));
        text += hex;
    }
    return text;
}

TEST(Frame, CRCFingerprintOfDoublesAndIntegers) {
    // One cell holding 0: every lane saw one zero byte (CRC-32 of "\0" is D202EF8D).
    const std::vector<double> zero = {0.0};
    std::string expected;
    for (int k = 0; k < 8; ++k) expected += "D202EF8D";
    EXPECT_EQ(ozm::CRCFingerprint(zero), expected);
    EXPECT_EQ(ozm::CRCFingerprint(std::vector<int32_t>{0}), expected.substr(0, 32));

    const std::vector<double> values = {1.5, -2.25e-300, 3.0e300, 0.1, -0.0};
    const std::string text = ozm::CRCFingerprint(values);
    ASSERT_EQ(text.size(), 64u);
    EXPECT_EQ(text.find_first_not_of("0123456789ABCDEF"), std::string::npos);
    EXPECT_EQ(text, LaneByLane(values));
    EXPECT_EQ(ozm::CRCFingerprint(std::vector<double>(values)), text);  // same values, same text
    const std::vector<int32_t> ints = {7, -1, INT32_MIN, 123456789};
    EXPECT_EQ(ozm::CRCFingerprint(ints), LaneByLane(ints));
    // Order matters: storage order is part of the fingerprint.
    EXPECT_NE(ozm::CRCFingerprint(std::vector<double>{1.0, 2.0}), ozm::CRCFingerprint(std::vector<double>{2.0, 1.0}));
    // No cells: the complemented start value in every lane.
    EXPECT_EQ(ozm::CRCFingerprint(std::span<const double>()), std::string(64, '0'));
}

TEST(Frame, CRCFingerprintOneByteChangesOneLane) {
    const std::vector<double> base = {1.0, -7.5, 1e-3};
    const std::string reference = ozm::CRCFingerprint(base);
    for (size_t cell = 0; cell < base.size(); ++cell) {
        for (size_t byte = 0; byte < 8; ++byte) {
            std::vector<double> changed = base;
            uint8_t bytes[8];
            std::memcpy(bytes, &changed[cell], 8);
            bytes[byte] ^= 0x10;
            std::memcpy(&changed[cell], bytes, 8);
            const std::string text = ozm::CRCFingerprint(changed);
            for (size_t lane = 0; lane < 8; ++lane) {
                const bool same = text.compare(lane * 8, 8, reference, lane * 8, 8) == 0;
                EXPECT_EQ(same, lane != byte) << "cell " << cell << " byte " << byte << " lane " << lane;
            }
        }
    }
}

TEST(Frame, CRCLanesFedPiecewiseMatchTheWholeSpan) {
    // A matrix stored column after column may feed its columns one by one.
    const std::vector<double> cells = {1, 2, 3, 4, 5, 6};
    ozm::TCRCLanes<8> lanes;
    lanes.AddCells(std::span<const double>(cells).first(2));
    lanes.AddCell(cells[2]);
    lanes.AddCells(std::span<const double>(cells).subspan(3));
    EXPECT_EQ(lanes.Text(), ozm::CRCFingerprint(cells));
    // Bytes by position: position p goes to lane p mod 8.
    ozm::TCRCLanes<8> by_position;
    const uint8_t one = 1;
    by_position.AddByte(9, one);
    ozm::TCRCLanes<8> direct;
    direct.AddByte(1, one);
    EXPECT_EQ(by_position.Text(), direct.Text());
    EXPECT_EQ(direct.Text().substr(0, 8), "00000000");
}

TEST(Frame, ComponentMessagesAndAllocationGuard) {
    ozm::TComponent unnamed;
    EXPECT_EQ(ozm::ComponentMessage(unnamed, ozm::kMsgNoMemoryOnHeap), "Component \"\": not enough memory on heap");
    ozm::TComponent named;
    named.SetName("Vec1");
    EXPECT_EQ(ozm::ComponentMessage(named, ": vectors have different dimensions"),
              "Component \"Vec1\": vectors have different dimensions");
    try {
        ozm::RaiseComponentError<ozm::EOZMVectorError>(named, ozm::kMsgNoMemory);
        FAIL() << "no exception";
    } catch (const ozm::EOZMVectorError& e) {
        EXPECT_STREQ(e.what(), "Component \"Vec1\": not enough memory");
    }

    // A failed allocation becomes the unit's error; results and other errors pass through.
    try {
        ozm::GuardAllocation<ozm::EOZMMatrixError>(unnamed, []() -> int { throw std::bad_alloc(); });
        FAIL() << "no exception";
    } catch (const ozm::EOZMMatrixError& e) {
        EXPECT_EQ(e.message(), "Component \"\": not enough memory on heap");
    }
    try {
        ozm::GuardAllocation<ozm::EOZMVectorError>(named, [] { throw std::bad_array_new_length(); },
                                                   ozm::kMsgNoMemory);
        FAIL() << "no exception";
    } catch (const ozm::EOZMVectorError& e) {
        EXPECT_EQ(e.message(), "Component \"Vec1\": not enough memory");
    }
    // A size no vector can hold is a failed allocation as well (thrown before any memory is
    // requested, so this is safe under AddressSanitizer).
    std::vector<double> storage(3, 1.0);
    try {
        ozm::GuardAllocation<ozm::EOZMMatrixError>(named, [&] { storage.resize(storage.max_size() + 1); });
        FAIL() << "no exception";
    } catch (const ozm::EOZMMatrixError& e) {
        EXPECT_EQ(e.message(), "Component \"Vec1\": not enough memory on heap");
    }
    EXPECT_EQ(storage.size(), 3u);
    EXPECT_EQ(ozm::GuardAllocation<ozm::EOZMMatrixError>(named, [] { return 42; }), 42);
    EXPECT_THROW(ozm::GuardAllocation<ozm::EOZMMatrixError>(named, [] { throw ozm::EInOutError("io"); }),
                 ozm::EInOutError);
}

// Exposes the protected firing helper, as a sorting container does.
class TTestContainer : public ozm::TOZMContainer {
public:
    using TOZMContainer::TOZMContainer;
    using TOZMContainer::SortExchange;
};

TEST(Frame, ContainerEventsFireWithTheContainerAsSender) {
    TTestContainer c;
    c.Changed();  // nothing assigned: nothing happens
    std::vector<ozm::TObject*> senders;
    c.OnChange = [&](ozm::TObject* sender) { senders.push_back(sender); };
    c.Changed();
    c.Changed();
    EXPECT_EQ(senders, (std::vector<ozm::TObject*>{&c, &c}));
    c.OnChange = nullptr;
    c.Changed();
    EXPECT_EQ(senders.size(), 2u);

    std::vector<std::vector<int>> exchanges;
    c.SortExchange(ozm::kExchangeElements, 3, 4, 0, 0);  // unassigned
    c.OnSortExchange = [&](ozm::TObject* sender, uint8_t what, int i1, int i2, int first, int last) {
        EXPECT_EQ(sender, &c);
        exchanges.push_back({what, i1, i2, first, last});
    };
    c.SortExchange(ozm::kExchangeColumns, 2, 5, 1, 7);
    c.SortExchange(ozm::kExchangeRows, 1, 3, 2, 4);
    EXPECT_EQ(exchanges, (std::vector<std::vector<int>>{{1, 2, 5, 1, 7}, {2, 1, 3, 2, 4}}));

    // Exceptions of a handler reach the caller.
    c.OnChange = [](ozm::TObject*) { throw ozm::EOZMError("handler"); };
    EXPECT_THROW(c.Changed(), ozm::EOZMError);

    // Containers are components: an owner deletes them.
    ozm::TComponent owner;
    auto* owned = new TTestContainer(&owner);
    EXPECT_EQ(owned->Owner(), &owner);
    EXPECT_EQ(owner.ComponentCount(), 1);
}

TEST(Frame, ProgressProtocol) {
    ozm::ProcStat = 0;
    std::vector<double> fed;
    ozm::MathFeedBackProc = [&](double stat) {
        fed.push_back(stat);
        if (stat >= 2) ozm::AbortMathProc = true;  // a caller stopping the run from its feedback
    };
    ozm::AbortMathProc = false;
    int steps = 0;
    for (int k = 0; k < 10 && !ozm::progress::AbortRequested(); ++k) {
        ozm::progress::StepDone();
        ++steps;
    }
    EXPECT_EQ(steps, 2);
    EXPECT_EQ(fed, (std::vector<double>{1.0, 2.0}));
    EXPECT_EQ(ozm::ProcStat.load(), 2.0);
    ozm::MathFeedBackProc = nullptr;
    ozm::AbortMathProc = false;
    ozm::ProcStat = 0;
}

}  // namespace
