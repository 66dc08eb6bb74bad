// The whole library.
#pragma once

#include "ozm/base.hpp"
#include "ozm/frame.hpp"
#include "ozm/math1.hpp"
#include "ozm/platform.hpp"
