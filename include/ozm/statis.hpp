/// @file
/// The unit statis: special functions, distributions and the critical values of the statistical
/// tests; the hypothesis tests, the table-driven random generator, classifier evaluation and
/// cross-validation. Free routines in namespace ozm::statis; errors raise EOZMStatisError.
#pragma once

#include "ozm/statis/critical.hpp"
#include "ozm/statis/distributions.hpp"
#include "ozm/statis/gammabeta.hpp"
#include "ozm/statis/classifier.hpp"
#include "ozm/statis/crossval.hpp"
#include "ozm/statis/randgen.hpp"
#include "ozm/statis/tests.hpp"
