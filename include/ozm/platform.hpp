/// @file
/// The runtime services the library relies on: object model, exceptions, streams, text files,
/// number text, rounding, the shared random generator, threads and bitmaps.
#pragma once

#include "ozm/platform/bitmap.hpp"
#include "ozm/platform/component_error.hpp"
#include "ozm/platform/exceptions.hpp"
#include "ozm/platform/numtext.hpp"
#include "ozm/platform/object.hpp"
#include "ozm/platform/random.hpp"
#include "ozm/platform/rounding.hpp"
#include "ozm/platform/stream.hpp"
#include "ozm/platform/textfile.hpp"
#include "ozm/platform/threads.hpp"
