/// @file
/// The unit math2: numerical analysis (filters, kernels, eigenvectors, clustering, nearest
/// neighbours, curve fitting, polygons, singular value decomposition) and expression helpers.
/// Errors raise EOZMMath2Error, expression evaluation EOZMMathExp. Each topic has its own section
/// below.
#pragma once

#include <string_view>

#include "ozm/math2/cluster.hpp"
#include "ozm/math2/curvefit.hpp"
#include "ozm/math2/knn.hpp"
#include "ozm/math2/polygons.hpp"
#include "ozm/math2/filters.hpp"
#include "ozm/math2/kernels.hpp"
#include "ozm/math2/lsq.hpp"
#include "ozm/math2/pca.hpp"
#include "ozm/math2/regression.hpp"
#include "ozm/math2/parabola.hpp"

namespace ozm::math2 {

// --- expression text ----------------------------------------------------------------------------

/// Checks the parentheses of an expression, scanning left to right: 0 when every "(" has its ")",
/// the number of unclosed "(" when some remain open, and -p when the ")" at the 1-based position p
/// is the first one without a partner (the scan stops there). Other characters are ignored; counts
/// beyond the int range (texts over 2 GB) saturate.
int CheckParanthInExp(std::string_view Expression) noexcept;

}  // namespace ozm::math2
