#include "ozm/base/globals.hpp"

namespace ozm {

std::atomic<double> ProcStat{0.0};
TMathFeedBackProc MathFeedBackProc;
std::atomic<bool> AbortMathProc{false};

void IncProcStat() {
    const double stat = ProcStat.fetch_add(1.0) + 1.0;
    if (MathFeedBackProc) MathFeedBackProc(stat);
}

}  // namespace ozm
