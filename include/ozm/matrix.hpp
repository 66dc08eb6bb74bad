/// @file
/// The matrices unit: TMatrix (the two-dimensional container of doubles with its linear algebra,
/// statistics, sorting and distances) and the routines of the unit in ozm::matrix (the singular
/// value decomposition shared with the least squares solvers).
#pragma once

#include "ozm/matrix/svd.hpp"
#include "ozm/matrix/tmatrix.hpp"
#include "ozm/matrix/tintmatrix.hpp"
#include "ozm/matrix/tmat3d.hpp"
#include "ozm/matrix/tmat4d.hpp"
