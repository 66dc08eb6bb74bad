// The worker threads of the matrix unit (TMatrix::Square, the layer reductions of TMat4D): units
// of work (columns, groups of columns) are numbered 0..Units - 1 and taken one after the other
// from a shared counter by a crew of threads started once per call.
//
// The calling thread supervises: before the first unit, every 20 ms and once more at the end it
// calls MathFeedBackProc with ProcStat, so the feedback procedure always runs on the caller's
// thread. Once AbortMathProc
// is set no further unit is started (the workers look at the flag too). Every worker is joined
// before the call returns, also when the feedback procedure throws; its exception then passes on
// to the caller after the crew has stopped. There is no state beyond the call, so any number of
// calls may run at the same time.
#pragma once

#include <functional>

namespace ozm::matrix::detail {

// Runs Work(unit) for every unit on NThreads threads (at least 1) and returns true when every unit
// was done. With CallerWorks the calling thread is one of the NThreads and supervises between its
// units; otherwise NThreads worker threads take the units while the calling thread only
// supervises. When no worker thread can be started the calling thread does the work itself. Work
// runs on several threads at once: it must only write what belongs to its unit and must not
// throw.
bool RunColumnWorkers(int Units, int NThreads, bool CallerWorks,
                      const std::function<void(int Unit)>& Work);

}  // namespace ozm::matrix::detail
