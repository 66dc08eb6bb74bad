/// @file
/// Process-wide progress and abort hooks. Long operations add 1 to ProcStat per major step, call
/// MathFeedBackProc (when assigned) with the new value and stop early, reporting failure, when
/// AbortMathProc is set. ProcStat and AbortMathProc are atomics because worker threads touch them.
/// MathFeedBackProc is set by the caller before an operation, not while one runs.
#pragma once

#include <atomic>

#include "ozm/base/types.hpp"

namespace ozm {

/// The progress counter: 1 more per major step of a long operation.
extern std::atomic<double> ProcStat;
/// Called with ProcStat after each step when assigned.
extern TMathFeedBackProc MathFeedBackProc;
/// Set to ask the running operation to stop.
extern std::atomic<bool> AbortMathProc;

/// Adds 1 to ProcStat and calls MathFeedBackProc with the new value when it is assigned.
void IncProcStat();

}  // namespace ozm
