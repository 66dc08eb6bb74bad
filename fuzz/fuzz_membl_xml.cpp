// Fuzz target of the learner's XML model reader, fed from memory: a failed load changes nothing;
// a loaded model holds no more cells than its text backs, answers ApplyModel, and writes and
// reads back to the same state.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz_membl_support.hpp"

using namespace ozm;
using namespace ozm::fuzzing;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    TMemBasedLearner L;
    const std::string before = LearnerState(L);
    std::string id;
    const int rc = L.LoadModelXMLFromString(AsText(Data, Size), id);
    if (rc != membl::kXmlOk) {
        Require(rc == membl::kXmlNoModelData || rc == membl::kXmlBadModelData, "unknown result");
        Require(LearnerState(L) == before && id.empty(), "a failed load changed the learner");
        return 0;
    }
    const TDataTable& t = *L.ModelData();
    Require(WithinAnnouncedBound(int64_t{t.NrOfColumns()} * t.NrOfRows(), static_cast<int64_t>(Size), 1),
            "more cells than the text backs");
    const std::string loaded = LearnerState(L);
    TMemoryStream out;
    L.StoreModelXML(out, id);
    TMemBasedLearner back;
    std::string id_back;
    const std::string text(reinterpret_cast<const char*>(out.Memory()), static_cast<size_t>(out.Size()));
    Require(back.LoadModelXMLFromString(text, id_back) == membl::kXmlOk, "written model does not read");
    Require(LearnerState(back) == loaded, "round trip changed the model");
    Require(id_back == id, "round trip changed the identifier");
    ExerciseModel(L);
    return 0;
}
