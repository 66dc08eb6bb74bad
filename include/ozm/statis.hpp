// The unit statis: special functions, distributions and the critical values of the statistical
// tests. Free routines in namespace ozm::statis; errors raise EOZMStatisError.
#pragma once

#include "ozm/statis/critical.hpp"
#include "ozm/statis/distributions.hpp"
#include "ozm/statis/special.hpp"
