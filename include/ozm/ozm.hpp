/// @file
/// The whole library.
#pragma once

#include "ozm/base.hpp"
#include "ozm/complex.hpp"
#include "ozm/fourier.hpp"
#include "ozm/kohonen.hpp"
#include "ozm/datatable.hpp"
#include "ozm/frame.hpp"
#include "ozm/math1.hpp"
#include "ozm/math2.hpp"
#include "ozm/matrix.hpp"
#include "ozm/membl.hpp"
#include "ozm/openarrays.hpp"
#include "ozm/platform.hpp"
#include "ozm/sline.hpp"
#include "ozm/version.hpp"
#include "ozm/statis.hpp"
#include "ozm/vector.hpp"
#include "ozm/wavelet.hpp"
