/// @file
/// The base module's shared types: dynamic arrays, enumerations, point and rectangle records and
/// the event types of the components.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ozm/platform/object.hpp"

namespace ozm {

/// Dynamic arrays, 0-based; higher ranks are arrays of arrays indexed [column][row]...
///@{
using TDoubleArray = std::vector<double>;
using TIntArray = std::vector<int32_t>;
using TSingleArray = std::vector<float>;
using TBoolArray = std::vector<bool>;
using TStrArray = std::vector<std::string>;
using TDouble2DArray = std::vector<TDoubleArray>;
using TInt2DArray = std::vector<TIntArray>;
using TSingle2DArray = std::vector<TSingleArray>;
using TBool2DArray = std::vector<TBoolArray>;
using TStr2DArray = std::vector<TStrArray>;
using TDouble3DArray = std::vector<TDouble2DArray>;
using TInt3DArray = std::vector<TInt2DArray>;
using TDouble4DArray = std::vector<TDouble3DArray>;
using TInt4DArray = std::vector<TInt3DArray>;
///@}

/// Angle text formats; the first four are the ones the formatting routines use.
enum class TDegreeFormat : uint8_t { dfDeg, dfDegMin, dfDegMinSec, dfNumber };

/// Element kind of untyped data: vkDouble and vkFloat64 are 8-byte reals, vkSingle a 4-byte real,
/// vkInteger and vkInt32 32-bit signed integers.
enum class TVarKind : uint8_t { vkDouble, vkFloat64, vkSingle, vkInteger, vkInt32 };

/// Which dimension an operation runs along: columns (ordinal 0) or rows (ordinal 1).
enum class TDims : uint8_t { dimColumns, dimRows };
/// One result per row (ordinal 0) or per column (ordinal 1).
enum class TOrientation : uint8_t { orPerRow, orPerColumn };
/// The reduction of an edge profile.
enum class TEdgeOp : uint8_t { eoMin, eoMax, eoSum, eoMean };
/// Distance or similarity measure between objects.
enum class TDistMode : uint8_t { dmTanimoto, dmCityBlock, dmEuclidean, dmSqrEuclidean, dmDice, dmByEvent };

/// A point of the plane in real coordinates.
struct TPointDouble {
    /// Abscissa.
    double x = 0;
    /// Ordinate.
    double y = 0;
};

/// The two corners (x1, y1) and (x2, y2), in either order.
struct TRectDouble {
    /// First corner, x.
    double x1 = 0;
    /// First corner, y.
    double y1 = 0;
    /// Second corner, x.
    double x2 = 0;
    /// Second corner, y.
    double y2 = 0;
};

/// The platform's integer point and rectangle.
struct TPoint {
    /// Abscissa.
    int32_t x = 0;
    /// Ordinate.
    int32_t y = 0;
};

/// An integer rectangle given by its left, top, right and bottom edges.
struct TRect {
    /// Left edge.
    int32_t left = 0;
    /// Top edge.
    int32_t top = 0;
    /// Right edge.
    int32_t right = 0;
    /// Bottom edge.
    int32_t bottom = 0;
};

/// Events. The sender is the object that fires the event.
///@{
using TNotifyEvent = std::function<void(TObject* Sender)>;
using TOnPercentDoneEvent = std::function<void(TObject* Sender, int PercentDone)>;
using TOnCheckAbortEvent = std::function<void(TObject* Sender, bool& Abort)>;
///@}
/// ExchgWhat: 0 two vector elements, 1 two matrix columns, 2 two matrix rows. First and Last give
/// the stretch moved along the other dimension (0, 0 for vectors).
using TSortExchgEvent = std::function<void(TObject* Sender, uint8_t ExchgWhat, int Index1,
                                           int Index2, int First, int Last)>;
/// The progress procedure: receives the current value of ProcStat.
using TMathFeedBackProc = std::function<void(double Stat)>;

}  // namespace ozm
