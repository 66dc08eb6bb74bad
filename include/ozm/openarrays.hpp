/// @file
/// The unit openarrays: free routines on the base module's dynamic arrays (TDoubleArray,
/// TInt2DArray, ...), in namespace ozm::openarrays.
///
/// Conventions of every routine of the unit:
/// - Indices and ranges are 0-based; ranges are inclusive (Lo..Hi).
/// - A multi-dimensional array is an array of arrays, measured along its first elements:
///   dimension 1 is the length of the outer array, dimension 2 the length of A[0], dimension 3
///   that of A[0][0], and so on. A two-dimensional array is indexed A[column][row].
/// - An array is empty when any of its extents is zero.
/// - Results are status codes, never exceptions: 0 done, -1 an input is empty, -2 extents differ
///   or a range or parameter is invalid, further codes as each routine states. When the result is
///   not 0, outputs are left as they were unless the routine says otherwise. No events fire.
/// - Outputs are resized to the extents of the result; an output may be the same variable as an
///   input (the inputs are read as they were at the call). Inputs are never changed by a routine
///   that has a separate output.
/// - Ragged arrays (sub-arrays of different lengths) are never read or written outside a
///   sub-array. Routines that combine arrays or take ranges reject them with -2 (or the code each
///   routine names); routines that treat every cell on its own (fills, scalar arithmetic, clones,
///   extremes, counts of true cells) process every cell that exists.
/// - Integer arithmetic wraps in 32 bits.
/// - Memory exhaustion surfaces as std::bad_alloc, except where a routine reports it by a code
///   (InvertArray, CalcHatMatrix).
#pragma once

#include "ozm/openarrays/arithmetic.hpp"
#include "ozm/openarrays/copying.hpp"
#include "ozm/openarrays/files.hpp"
#include "ozm/openarrays/linalg.hpp"
#include "ozm/openarrays/raster.hpp"
#include "ozm/openarrays/statistics.hpp"
