// TKohonen: training against an independent numpy reimplementation on the iris data
// (scripts/gen_kohonen_refs.py, tests/data/kohonen), the schedules, the window on small and
// cyclic grids, abort and resumption, mapping and the setters.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <bit>
#include <charconv>
#include <cmath>
#include <fstream>
#include <limits>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "numerics/filter_internal.hpp"
#include "ozm/datatable.hpp"
#include "ozm/kohonen.hpp"
#include "ozm/matrix.hpp"
#include "ozm/platform/random.hpp"
#include "ozm/vector.hpp"

namespace {

using namespace ozm;

const std::string kRefDir = std::string(OZM_TEST_DATA_DIR) + "/../tests/data/kohonen/";
constexpr double kEps = std::numeric_limits<double>::epsilon();

void IrisMeasures(TMatrix& x) {
    TDataTable table;
    EXPECT_EQ(table.ImportFromCSV(std::string(OZM_TEST_DATA_DIR) + "/iris.csv"), 0);
    x.Resize(4, table.NrOfRows());
    for (int c = 1; c <= 4; ++c)
        for (int r = 1; r <= table.NrOfRows(); ++r) x.SetVal(c, r, table.GetElem(c, r));
}

struct TRefMap {
    int Presentations = 0;
    double QE = 0, TE = 0;
    std::vector<std::pair<std::array<int, 3>, double>> Weights;
};

// Blocks of tests/data/kohonen/iris_refs.txt by map name.
std::map<std::string, TRefMap> ReadRefs() {
    std::ifstream in(kRefDir + "iris_refs.txt");
    EXPECT_TRUE(in.good());
    std::map<std::string, TRefMap> refs;
    TRefMap* cur = nullptr;
    std::string line, key;
    auto number = [](const std::string& s) {
        double v = 0;
        std::from_chars(s.data(), s.data() + s.size(), v);
        return v;
    };
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream s(line);
        s >> key;
        std::string a, b, c, d;
        if (key == "map") {
            s >> a >> b;
            cur = &refs[a];
            cur->Presentations = std::stoi(b);
        } else if (key == "qe") {
            s >> a;
            cur->QE = number(a);
        } else if (key == "te") {
            s >> a;
            cur->TE = number(a);
        } else if (key == "w") {
            s >> a >> b >> c >> d;
            cur->Weights.push_back({{std::stoi(a), std::stoi(b), std::stoi(c)}, number(d)});
        }
    }
    return refs;
}

// A map on the standardized iris data, started from the fixture the library wrote.
void LoadIrisMap(TKohonen& map, const std::string& name) {
    TMatrix iris;
    IrisMeasures(iris);
    map.SetDataMat(iris);
    map.StandardizeData();
    ASSERT_TRUE(map.LoadFromXMLFile(kRefDir + name + "_init.xml")) << map.LastXMLError();
}

std::vector<double> Cells(const TKohonen& map) {
    const TMat3D& w = map.WeightMatrix();
    return {w.Data(),
            w.Data() + static_cast<size_t>(w.NrOfColumns()) * w.NrOfRows() * w.NrOfLayers()};
}

bool SameBits(const std::vector<double>& a, const std::vector<double>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::bit_cast<uint64_t>(a[i]) != std::bit_cast<uint64_t>(b[i])) return false;
    return true;
}

TEST(KohonenIris, TrainedMapsMatchIndependentReimplementation) {
    const auto refs = ReadRefs();
    ASSERT_EQ(refs.size(), 2u);
    for (const auto& [name, ref] : refs) {
        SCOPED_TRACE(name);
        TKohonen map;
        LoadIrisMap(map, name);
        const int steps = map.NrOfTrnSteps() - map.CurrentStep();
        map.ContinueTraining();
        EXPECT_EQ(steps * map.NrOfTrnObj(), ref.Presentations);
        EXPECT_EQ(map.CurrentStep(), map.NrOfTrnSteps());
        // Every presentation moves a weight to (1 - h) w + h x with 0 <= h <= alpha <= 1, a
        // contraction that does not grow earlier differences and adds at most two roundings of
        // about eps |x| (|x| <= 3.1 for standardized iris). The standardized data of numpy and of
        // the library differ by an ulp or so, which the contraction keeps at that size. Hence
        // |w - w_ref| <= presentations * 2 eps * 3.1 bounds the difference.
        const double tol = ref.Presentations * 2.0 * kEps * 3.1;
        ASSERT_EQ(ref.Weights.size(),
                  static_cast<size_t>(map.SizeX() * map.SizeY() * map.NrOfInSens()));
        double worst = 0;
        for (const auto& [ix, value] : ref.Weights)
            worst =
                std::max(worst, std::fabs(map.WeightMatrix().GetVal(ix[0], ix[1], ix[2]) - value));
        EXPECT_LE(worst, tol);
        // The quantisation error averages 150 distances of the same accuracy.
        EXPECT_NEAR(map.QuantizationError(), ref.QE, tol);
        // Best and second-best neurons agree, so the count of topographic errors is the same.
        EXPECT_EQ(map.TopographicError(), ref.TE);
        EXPECT_GT(ref.TE, 0.0);  // the maps are small enough to fold somewhere
    }
}

TEST(KohonenIris, SeededStartIsTheFixtureAndTrainingRepeatsBitForBit) {
    for (const auto& [name, seed] :
         {std::pair<std::string, uint64_t>{"iris_open", 20261208}, {"iris_cyclic", 4242}}) {
        SCOPED_TRACE(name);
        TKohonen fixture;
        LoadIrisMap(fixture, name);
        TKohonen seeded;
        TMatrix iris;
        IrisMeasures(iris);
        seeded.SetDataMat(iris);
        seeded.StandardizeData();
        seeded.SetSizeX(fixture.SizeX());
        seeded.SetSizeY(fixture.SizeY());
        SetRandSeed(seed);
        seeded.SetWeigtsToRandom();
        EXPECT_TRUE(SameBits(Cells(seeded), Cells(fixture)));
        for (int k = 1; k <= 4; ++k) {
            EXPECT_EQ(seeded.MeanVec().GetVal(k), fixture.MeanVec().GetVal(k));
            EXPECT_EQ(seeded.StdDevVec().GetVal(k), fixture.StdDevVec().GetVal(k));
        }
        // Trainit draws the same start from the same seed and trains the same steps.
        seeded.SetCyclic(fixture.Cyclic());
        seeded.SetInitialNeighbors(fixture.InitialNeighbors());
        seeded.SetNrOfTrnSteps(fixture.NrOfTrnSteps());
        seeded.SetInitialAlpha(fixture.InitialAlpha());
        fixture.ContinueTraining();
        SetRandSeed(seed);
        seeded.Trainit();
        EXPECT_TRUE(SameBits(Cells(seeded), Cells(fixture)));
    }
}

TEST(KohonenIris, EveryInstructionSetTrainsTheSameBits) {
    using math2::detail::TSimdLevel;
    const TSimdLevel detected = math2::detail::DetectedSimdLevel();
    std::vector<double> first;
    double qe = 0;
    for (TSimdLevel level : {TSimdLevel::Baseline, TSimdLevel::AVX2, TSimdLevel::AVX512}) {
        if (static_cast<int>(level) > static_cast<int>(detected)) break;
        SCOPED_TRACE(static_cast<int>(level));
        math2::detail::ForceSimdLevel(level);
        TKohonen map;
        LoadIrisMap(map, "iris_cyclic");
        map.ContinueTraining();
        if (first.empty()) {
            first = Cells(map);
            qe = map.QuantizationError();
        } else {
            EXPECT_TRUE(SameBits(Cells(map), first));
            EXPECT_EQ(map.QuantizationError(), qe);
        }
    }
    math2::detail::ForceSimdLevel(detected);
}

TEST(KohonenIris, ApplyItFindsEveryNeuronFromItsWeightsInDataUnits) {
    TKohonen map;
    LoadIrisMap(map, "iris_cyclic");
    map.ContinueTraining();
    TVector input;
    input.Resize(4);
    int hits = 0;
    for (int x = 1; x <= map.SizeX(); ++x)
        for (int y = 1; y <= map.SizeY(); ++y) {
            for (int k = 1; k <= 4; ++k) input.SetVal(k, map.GetWeight(x, y, k));
            int bx = -1, by = -1;
            double dist = -1;
            map.ApplyIt(input, bx, by, dist);
            // De-standardizing and standardizing again rounds twice: a few ulp of |w| <= 3.
            EXPECT_LE(dist, 4 * std::pow(8 * kEps * 3, 2));
            hits += bx == x && by == y;
        }
    EXPECT_EQ(hits, map.SizeX() * map.SizeY());
    // Data units: the weights of a neuron lie inside the range of the measurements.
    EXPECT_GT(map.GetWeight(1, 1, 1), 4.0);
    EXPECT_LT(map.GetWeight(1, 1, 1), 8.0);
    EXPECT_EQ(map.GetWeight(0, 1, 1), 0.0);
    EXPECT_EQ(map.GetWeight(1, 1, 5), 0.0);
    input.Resize(3);
    int bx = 0, by = 0;
    double dist = 0;
    EXPECT_THROW(map.ApplyIt(input, bx, by, dist), EOZMKohonenError);
}

struct TStepRecord {
    int Step, Radius, Percent;
    double Alpha;
};

TEST(KohonenSchedule, RadiusAndRateFollowTheStepsAndEndBeforeTheLast) {
    TKohonen map;
    TMatrix data;
    data.Resize(2, 3);
    data.SetVal(1, 2, 1.0);
    map.SetDataMat(data);
    map.SetSizeX(3);
    map.SetSizeY(3);
    std::vector<TStepRecord> log;
    map.OnFeedback = [&](TObject* Sender, int Percent) {
        EXPECT_EQ(Sender, &map);
        log.push_back({map.CurrentStep(), map.CurrentNeighbors(), Percent, map.CurrentAlpha()});
    };
    map.Trainit();  // 200 steps, radius 2, rate 1
    ASSERT_EQ(log.size(), 199u);
    EXPECT_EQ(log[0].Step, 1);
    EXPECT_EQ(log[0].Radius, 2);
    EXPECT_NEAR(log[0].Alpha, 0.990025, 2 * kEps);
    EXPECT_EQ(log[0].Percent, 0);  // 0.5 rounds to even
    EXPECT_EQ(log[99].Step, 100);
    EXPECT_EQ(log[99].Radius, 1);  // 1.25
    EXPECT_EQ(log[99].Alpha, 0.25);
    EXPECT_EQ(log[99].Percent, 50);
    EXPECT_EQ(log.back().Step, 199);
    EXPECT_EQ(log.back().Percent, 100);  // 99.5 rounds to even
    EXPECT_EQ(map.CurrentStep(), 200);
    for (size_t i = 0; i < log.size(); ++i) {
        const double a = (200.0 - static_cast<double>(i + 1)) / 200.0;
        EXPECT_EQ(log[i].Radius, a * a < 0.5 ? 1 : 2) << i;
    }
    // A finished training stays finished: a further call would otherwise run steps beyond
    // the last with the rate growing again from 0.
    const std::vector<double> trained = Cells(map);
    log.clear();
    map.ContinueTraining();
    EXPECT_TRUE(log.empty());
    EXPECT_TRUE(SameBits(Cells(map), trained));
    // Steps <= 0 would divide by zero in the schedule: they are refused.
    map.SetNrOfTrnSteps(0);
    map.SetNrOfTrnSteps(-3);
    EXPECT_EQ(map.NrOfTrnSteps(), 200);
    map.SetInitialNeighbors(-1);
    EXPECT_EQ(map.InitialNeighbors(), 2);
    map.SetInitialAlpha(std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(map.InitialAlpha(), 1.0);
}

// A map document with the given grid, one input, mean 0, standard deviation 1 and the weight
// of neuron (x, y) equal to its number (x - 1) * Sy + y in search order.
std::string NumberedMapXml(int Sx, int Sy, bool Cyclic, int MaxNeighb, int MaxSteps) {
    std::string xml = "<kohonen sig=\"OZMNumLib\" vers=\"1.000\">\n<sizex>" + std::to_string(Sx) +
                      "</sizex><sizey>" + std::to_string(Sy) + "</sizey><nrinsens>1</nrinsens>" +
                      "<maxneighb>" + std::to_string(MaxNeighb) + "</maxneighb><maxsteps>" +
                      std::to_string(MaxSteps) + "</maxsteps><cyclic>" +
                      (Cyclic ? "TRUE" : "FALSE") + "</cyclic>\n" +
                      "<meanstddev iw=\"1\" mean=\"0\" stddev=\"1\"/>\n";
    for (int x = 1; x <= Sx; ++x)
        for (int y = 1; y <= Sy; ++y)
            xml += "<cell ix=\"" + std::to_string(x) + "\" iy=\"" + std::to_string(y) +
                   "\" iw=\"1\">" + std::to_string((x - 1) * Sy + y) + "</cell>\n";
    return xml + "</kohonen>\n";
}

// The neurons whose weights change when one object next to neuron (Wx, Wy) is presented in
// step 1 of a 2-step training (a = 1/2: radius round(MaxNeighb / 4 + 3 / 4)).
std::set<std::pair<int, int>> UpdatedNeurons(int Sx, int Sy, bool Cyclic, int MaxNeighb, int Wx,
                                             int Wy) {
    TKohonen map;
    TMatrix data;
    data.Resize(1, 1);
    data.SetVal(1, 1, (Wx - 1) * Sy + Wy + 0.25);
    map.SetDataMat(data);
    const std::string xml = NumberedMapXml(Sx, Sy, Cyclic, MaxNeighb, 2);
    TMemoryStream in;
    in.WriteBuffer(xml.data(), static_cast<int64_t>(xml.size()));
    in.SetPosition(0);
    EXPECT_TRUE(map.ReadFromXMLStream(in)) << map.LastXMLError();
    EXPECT_EQ(map.NrOfTrnObj(), 1);  // same number of inputs: the data stay
    const std::vector<double> before = Cells(map);
    map.ContinueTraining();
    std::set<std::pair<int, int>> changed;
    for (int x = 1; x <= Sx; ++x)
        for (int y = 1; y <= Sy; ++y)
            if (map.WeightMatrix().GetVal(x, y, 1) !=
                before[static_cast<size_t>((y - 1) * Sx + x - 1)])
                changed.insert({x, y});
    return changed;
}

TEST(KohonenWindow, ClippedOnOpenGridsWrappedAndCappedOnCyclicOnes) {
    using S = std::set<std::pair<int, int>>;
    // Radius 2 (MaxNeighb 5): clipped at the corner of an open 4 x 4 grid.
    S open;
    for (int x = 1; x <= 3; ++x)
        for (int y = 1; y <= 3; ++y) open.insert({x, y});
    EXPECT_EQ(UpdatedNeurons(4, 4, false, 5, 1, 1), open);
    // Cyclic 4 x 4: the radius is held to 4 div 2 - 1 = 1 and the 3 x 3 window wraps.
    S wrapped;
    for (int x : {4, 1, 2})
        for (int y : {4, 1, 2}) wrapped.insert({x, y});
    EXPECT_EQ(UpdatedNeurons(4, 4, true, 5, 1, 1), wrapped);
    EXPECT_EQ(UpdatedNeurons(4, 4, true, 1000, 1, 1), wrapped);
    // Grids too small for any neighbour on a torus update the winner alone (the cap
    // SizeX div 2 - 1 is negative for 1 x 1 and 0 for 2 and 3); 2 x 5 wraps along y only.
    EXPECT_EQ(UpdatedNeurons(1, 1, true, 9, 1, 1), (S{{1, 1}}));
    EXPECT_EQ(UpdatedNeurons(2, 2, true, 9, 2, 2), (S{{2, 2}}));
    EXPECT_EQ(UpdatedNeurons(3, 3, true, 9, 2, 1), (S{{2, 1}}));
    EXPECT_EQ(UpdatedNeurons(2, 5, true, 9, 1, 5), (S{{1, 4}, {1, 5}, {1, 1}}));
    // MaxNeighb 0: radius round(3 / 4) = 1 in step 1.
    EXPECT_EQ(UpdatedNeurons(3, 3, false, 0, 2, 2).size(), 9u);
}

TEST(KohonenAbort, StopsAfterTheStepAndResumesToTheSameMap) {
    TKohonen whole;
    LoadIrisMap(whole, "iris_open");
    whole.ContinueTraining();

    TKohonen parts;
    LoadIrisMap(parts, "iris_open");
    int events = 0;
    parts.OnFeedback = [&](TObject*, int) {
        if (++events == 12) parts.AbortTraining();
    };
    parts.ContinueTraining();
    EXPECT_EQ(events, 12);
    EXPECT_EQ(parts.CurrentStep(), 13);
    parts.OnFeedback = nullptr;
    parts.ContinueTraining();  // the flag was cleared: runs to the end
    EXPECT_EQ(parts.CurrentStep(), parts.NrOfTrnSteps());
    EXPECT_TRUE(SameBits(Cells(parts), Cells(whole)));
    // A handler cannot restructure or restart the map while it trains; the map stays usable.
    parts.SetNrOfTrnSteps(40);
    parts.Trainit();
    parts.OnFeedback = [&](TObject*, int) { parts.SetSizeX(2); };
    EXPECT_THROW(parts.Trainit(), EOZMKohonenError);
    parts.OnFeedback = [&](TObject*, int) { parts.ContinueTraining(); };
    EXPECT_THROW(parts.Trainit(), EOZMKohonenError);
    parts.OnFeedback = nullptr;
    parts.SetSizeX(2);
    parts.Trainit();
    EXPECT_EQ(parts.CurrentStep(), 40);
}

TEST(KohonenAbort, AnotherThreadStopsTheTraining) {
    // Big enough that the training outlasts the start of the other thread.
    TKohonen map;
    TMatrix data;
    SetRandSeed(5);
    data.Resize(8, 2000);
    data.FillRandomUniform(-1.0, 1.0);
    map.SetDataMat(data);
    map.SetSizeX(10);
    map.SetSizeY(10);
    map.SetNrOfTrnSteps(100000);
    std::atomic<int> steps{0};
    map.OnFeedback = [&](TObject*, int) { steps.fetch_add(1); };
    std::thread stopper([&] {
        while (steps.load() < 2) std::this_thread::yield();
        map.AbortTraining();
    });
    map.Trainit();
    stopper.join();
    EXPECT_GE(map.CurrentStep(), 3);
    EXPECT_LT(map.CurrentStep(), 100000);
    EXPECT_EQ(map.CurrentStep(), steps.load() + 1);
}

TEST(KohonenSetup, SettersKeepOrDiscardAsDocumented) {
    TKohonen map;
    EXPECT_EQ(map.SizeX(), 1);
    EXPECT_EQ(map.NrOfInSens(), 1);
    EXPECT_EQ(map.NrOfTrnObj(), 1);
    EXPECT_EQ(map.CurrentStep(), 1);
    const double w = map.WeightMatrix().GetVal(1, 1, 1);
    EXPECT_TRUE(w >= -0.1 && w < 0.1 && w != 0.0);
    map.SetSizeX(0);
    map.SetSizeY(-2);
    map.SetNumInsens(0);
    EXPECT_EQ(map.WeightMatrix().GetVal(1, 1, 1), w);  // ignored: weights kept
    map.SetSizeX(3);
    map.SetSizeY(2);
    EXPECT_EQ(map.WeightMatrix().NrOfColumns(), 3);
    EXPECT_EQ(map.WeightMatrix().NrOfRows(), 2);
    EXPECT_EQ(Cells(map), std::vector<double>(6, 0.0));
    map.SetNumInsens(5);
    EXPECT_EQ(map.TrainData().NrOfColumns(), 5);
    EXPECT_EQ(map.TrainData().NrOfRows(), 1);
    EXPECT_EQ(map.MeanVec().NrOfElem(), 5);
    EXPECT_EQ(map.StdDevVec().GetVal(5), 1.0);
    TMatrix none;
    none.Resize(0, 4);
    EXPECT_THROW(map.SetDataMat(none), EOZMKohonenError);
    EXPECT_EQ(map.NrOfInSens(), 5);
    // An absurd grid is refused with the heap message and changes nothing.
    try {
        map.SetSizeX(2000000000);
        FAIL() << "no error";
    } catch (const EOZMKohonenError& e) {
        EXPECT_NE(std::string(e.what()).find("not enough memory on heap"), std::string::npos);
    }
    EXPECT_EQ(map.SizeX(), 3);
    // The errors are zero without objects and with a single neuron.
    TMatrix empty;
    empty.Resize(2, 0);
    map.SetDataMat(empty);
    EXPECT_EQ(map.NrOfTrnObj(), 0);
    map.Trainit();
    EXPECT_EQ(map.QuantizationError(), 0.0);
    EXPECT_EQ(map.TopographicError(), 0.0);
}

TEST(KohonenSetup, ConstantColumnIsCentredLikeTheMappedInput) {
    // A constant column has standard deviation 0. Left at its raw value (7) in the data while
    // ApplyIt compares x - mean = 0, every distance would carry an offset of about 49.
    TMatrix data;
    IrisMeasures(data);
    data.Resize(5, data.NrOfRows());
    for (int r = 1; r <= data.NrOfRows(); ++r) data.SetVal(5, r, 7.0);
    TKohonen map;
    map.SetDataMat(data);
    map.StandardizeData();
    EXPECT_EQ(map.StdDevVec().GetVal(5), 0.0);
    EXPECT_EQ(map.TrainData().GetVal(5, 17), 0.0);
    map.SetSizeX(4);
    map.SetSizeY(4);
    map.SetNrOfTrnSteps(10);
    SetRandSeed(9);
    map.Trainit();
    TVector input;
    input.Resize(5);
    for (int k = 1; k <= 5; ++k) input.SetVal(k, data.GetVal(k, 33));
    int bx = 0, by = 0;
    double dist = 0;
    map.ApplyIt(input, bx, by, dist);
    // The centred column pulls the weights from their start in [-0.1, 0.1) towards 0, so the
    // mapped distance is that of the four measurements plus less than 0.01.
    double four = 0;
    for (int k = 1; k <= 4; ++k) {
        const double z = (input.GetVal(k) - map.MeanVec().GetVal(k)) / map.StdDevVec().GetVal(k);
        four += std::pow(z - map.WeightMatrix().GetVal(bx, by, k), 2);
    }
    EXPECT_GE(dist, four - 1e-12);
    EXPECT_LT(dist, four + 0.01);
    for (int x = 1; x <= 4; ++x)
        for (int y = 1; y <= 4; ++y) EXPECT_LT(std::fabs(map.WeightMatrix().GetVal(x, y, 5)), 0.1);
    EXPECT_EQ(map.GetWeight(bx, by, 5), 7.0);
}

}  // namespace
