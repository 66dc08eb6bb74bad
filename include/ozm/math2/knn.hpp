/// @file
/// Nearest-neighbour search over the rows of a data matrix and the estimate of a response at a
/// target point from its nearest neighbours.
#pragma once

#include <cstdint>
#include <functional>

#include "ozm/matrix.hpp"
#include "ozm/vector.hpp"

namespace ozm::math2 {

/// How EstimateByKNN weighs the neighbours; the formulas are given there.
enum class TKnnWMode : uint8_t { kwmGauss, kwmAverage, kwmMedian, kwmLinear, kwmBiQuad };

/// Caller-supplied distance of a data row (1-based row number) to the target.
using TKnnDistFunc = std::function<double(int Row)>;

/// The k nearest rows of DataMat among the rows FirstRow..LastRow (range rule: (0, 0) is all rows,
/// bounds clamped into 1..rows and put in order) to Target. The distance is DistFunc(row) when
/// DistFunc is given, else the Euclidean distance sqrt(sum_c (DataMat(c, row) - Target(c))^2) over
/// c = 1..length of Target (columns beyond DataMat read 0). k is lowered to 100 and to the number
/// of rows of DataMat. Row r = 1..k of NbList receives in column 1 the row number of the r-th
/// nearest row and in column 2 its distance, in ascending order of distance; among equal distances
/// the later row comes first. NbList is not resized (it should be 2 x k; cells outside it are
/// dropped). Rows at NaN distance never enter the list; when fewer than k rows qualify, the
/// remaining list rows hold row 0 and the distance uc_MaxReal (1.7e308). k < 1: nothing written.
void FindNearestNeighbors(int k, const TMatrix& DataMat, int FirstRow, int LastRow,
                          const TVector& Target, TMatrix& NbList,
                          const TKnnDistFunc& DistFunc = {});

/// Estimates the response at Target from its k nearest rows of DataMat (Euclidean distance over
/// all rows; k lowered to the number of rows and, as in the search, to 100) with the responses
/// Responses(row):
/// @verbatim
///   kwmGauss    sum g_r y_r / sum g_r, g_r = exp(-(Width d_r / D)^2) (evaluated relative to
///               the nearest weight, so a large Width gives the nearest responses, not 0/0)
///   kwmAverage  sum y_r / k
///   kwmMedian   the median of the y_r (TVector::Quartiles)
///   kwmLinear   sum l_r y_r / sum l_r over the l_r = 1 - d_r / D / Width > 0; 0 when none is
///   kwmBiQuad   the local quadratic polynomial in the p columns (1, x_1..x_p, x_1^2..x_p^2,
///               x_i x_j for i < j) fitted to the neighbours by SolveLeastSquaresSVD, evaluated
///               at Target; 0 when the solver fails (fewer neighbours than terms leave the
///               minimum-norm fit)
/// @endverbatim
/// D is the mean distance of the k neighbours, returned in MeanDist; the weights use 0.001 in its
/// place when it is 0. Estimate is set to 0 first in every mode but kwmMedian. k < 1 raises
/// EOZMMath2Error "EstimateByKNN: number of neighbours must be at least 1".
void EstimateByKNN(const TMatrix& DataMat, const TVector& Responses, int k, TKnnWMode Mode,
                   double Width, const TVector& Target, double& Estimate, double& MeanDist);

}  // namespace ozm::math2
