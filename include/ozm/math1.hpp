/// @file
/// The unit math1: scalar helpers, number text and plane geometry.
#pragma once

#include "ozm/math1/geometry.hpp"
#include "ozm/math1/numtext.hpp"
#include "ozm/math1/scalar.hpp"
