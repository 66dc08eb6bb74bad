// The module ozmnum: the library's classes and routines under their own names.
#include "common.hpp"
#include "ozm/version.hpp"

PYBIND11_MODULE(ozmnum, m) {
    m.doc() = "OZM NumLib: numerical mathematics, with numpy arrays";
    ozmpy::BindPlatform(m);
    ozmpy::BindContainers(m);
    ozmpy::BindOpenArrays(m);
    ozmpy::BindTransforms(m);
    ozmpy::BindMath2(m);
    ozmpy::BindStatistics(m);
    ozmpy::BindDataTable(m);
    ozmpy::BindIntMatrix(m);
    ozmpy::BindStacks(m);
    ozmpy::BindHypothesisTests(m);
    ozmpy::BindClassifiers(m);
    ozmpy::BindCluster(m);
    ozmpy::BindLearning(m);
    m.attr("__version__") = OZM_VERSION_STRING;
}
