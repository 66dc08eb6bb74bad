// Fuzz target of the learner's binary model reader, fed from a memory stream: a failed load
// changes nothing; a loaded model holds no more cells than the bytes back (9 bytes per cell),
// answers ApplyModel, and writes and reads back to the same state.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz_membl_support.hpp"

using namespace ozm;
using namespace ozm::fuzzing;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    static const MemoryFile scratch;
    TMemoryStream in;
    in.WriteBuffer(Data, static_cast<int64_t>(Size));
    in.SetPosition(0);
    TMemBasedLearner L;
    const std::string before = LearnerState(L);
    std::string id;
    const int rc = L.LoadModelBin(in, id);
    Require(in.Position() >= 0 && in.Position() <= in.Size(), "stream outside its bounds");
    if (rc != membl::kBinOk) {
        Require(rc == membl::kBinBadSignature || rc == membl::kBinReadError, "unknown result");
        Require(LearnerState(L) == before && id.empty(), "a failed load changed the learner");
        return 0;
    }
    const TDataTable& t = *L.ModelData();
    Require(int64_t{t.NrOfColumns()} * t.NrOfRows() * 9 <= static_cast<int64_t>(Size),
            "more cells than the bytes back");
    const std::string loaded = LearnerState(L, true);
    L.StoreModelBin(scratch.Path(), id);
    TMemBasedLearner back;
    std::string id_back;
    Require(back.LoadModelBin(scratch.Path(), id_back) == membl::kBinOk, "written model does not read");
    Require(LearnerState(back, true) == loaded, "round trip changed the model");
    Require(id_back == id, "round trip changed the identifier");
    ExerciseModel(L);
    return 0;
}
