/// @file
/// The base module: array types, enumerations, records, events, the error classes, process-wide
/// hooks, constants, CRC-32, a bit field, stream and text helpers and colour conversions.
#pragma once

#include "ozm/base/asc.hpp"
#include "ozm/base/bitfld.hpp"
#include "ozm/base/colors.hpp"
#include "ozm/base/constants.hpp"
#include "ozm/base/crc32.hpp"
#include "ozm/base/globals.hpp"
#include "ozm/base/mixedfstream.hpp"
#include "ozm/base/streamhelp.hpp"
#include "ozm/base/text.hpp"
#include "ozm/base/types.hpp"
#include "ozm/platform.hpp"
