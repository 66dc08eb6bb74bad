// Flood fill of a raster A[x][y].
//
// The region is the 4-connected set of matching cells around the seed, so any visiting order
// changes the same cells, gives the same count and the same bounding box. The fill therefore
// runs its scanlines along y, the contiguous inner index, and keeps pending seeds in an explicit
// work list on the heap: one seed per stretch of matching cells beside each filled run. A cell
// is filled at most once, because the new value never matches (the callers refuse a new value
// that would), which also guarantees the fill ends.
#include <cmath>
#include <cstdint>
#include <vector>

#include "ozm/openarrays/raster.hpp"

namespace ozm::openarrays {
namespace {

struct Seed {
    int32_t x;
    int32_t y;
};

struct Box {
    int minX, maxX, minY, maxY;
};

// Pushes one seed per stretch of matching cells of column nb within rows y0..y1.
template <class T, class Match>
void PushStretches(const std::vector<T>& nb, int32_t x, size_t y0, size_t y1, const Match& match,
                   std::vector<Seed>& work) {
    if (nb.empty() || y0 >= nb.size()) return;
    if (y1 >= nb.size()) y1 = nb.size() - 1;
    const T* p = nb.data();
    bool inStretch = false;
    for (size_t y = y0; y <= y1; ++y) {
        const bool m = match(p[y]);
        if (m && !inStretch) work.push_back({x, static_cast<int32_t>(y)});
        inStretch = m;
    }
}

template <class T, class Match>
int Flood(int seedX, int seedY, T newValue, std::vector<std::vector<T>>& a, const Match& match,
          Box& box) {
    box = {seedX, seedX, seedY, seedY};
    int64_t count = 0;
    std::vector<Seed> work;
    work.push_back({seedX, seedY});
    const auto columns = static_cast<int32_t>(a.size());
    while (!work.empty()) {
        const Seed s = work.back();
        work.pop_back();
        std::vector<T>& column = a[size_t(s.x)];
        T* p = column.data();
        const size_t len = column.size();
        size_t y0 = size_t(s.y);
        if (y0 >= len || !match(p[y0])) continue;  // filled meanwhile from another run
        size_t y1 = y0;
        while (y0 > 0 && match(p[y0 - 1])) --y0;
        while (y1 + 1 < len && match(p[y1 + 1])) ++y1;
        for (size_t y = y0; y <= y1; ++y) p[y] = newValue;
        count += static_cast<int64_t>(y1 - y0 + 1);
        if (s.x < box.minX) box.minX = s.x;
        if (s.x > box.maxX) box.maxX = s.x;
        if (static_cast<int>(y0) < box.minY) box.minY = static_cast<int>(y0);
        if (static_cast<int>(y1) > box.maxY) box.maxY = static_cast<int>(y1);
        if (s.x > 0) PushStretches(a[size_t(s.x - 1)], s.x - 1, y0, y1, match, work);
        if (s.x + 1 < columns) PushStretches(a[size_t(s.x + 1)], s.x + 1, y0, y1, match, work);
    }
    return count > INT32_MAX ? INT32_MAX : static_cast<int>(count);
}

template <class T>
bool Inside(const std::vector<std::vector<T>>& a, int x, int y) {
    return x >= 0 && static_cast<size_t>(x) < a.size() && y >= 0 &&
           static_cast<size_t>(y) < a[size_t(x)].size();
}

void Deliver(const Box& box, int& maxY, int& minY, int& minX, int& maxX) {
    maxY = box.maxY;
    minY = box.minY;
    minX = box.minX;
    maxX = box.maxX;
}

}  // namespace

int FloodFillArray(int X, int Y, int32_t NewValue, TInt2DArray& A, int& MaxY, int& MinY,
                   int& MinX, int& MaxX) {
    const bool inside = Inside(A, X, Y);
    const int32_t seedValue = inside ? A[size_t(X)][size_t(Y)] : 0;
    if (seedValue == NewValue) return -2;
    if (!inside) return -1;
    Box box{};
    const auto match = [seedValue](int32_t v) { return v == seedValue; };
    const int count = Flood(X, Y, NewValue, A, match, box);
    Deliver(box, MaxY, MinY, MinX, MaxX);
    return count;
}

int FloodFillArray(int X, int Y, double Tolerance, double NewValue, TDouble2DArray& A, int& MaxY,
                   int& MinY, int& MinX, int& MaxX) {
    if (!Inside(A, X, Y)) return -1;
    const double s = A[size_t(X)][size_t(Y)];
    const double t = std::fabs(Tolerance);
    const double lo = s - t, hi = s + t;
    const auto match = [lo, hi](double v) { return (v >= lo && v <= hi) || std::isnan(v); };
    if (match(NewValue)) return -2;
    Box box{};
    const int count = Flood(X, Y, NewValue, A, match, box);
    Deliver(box, MaxY, MinY, MinX, MaxX);
    return count;
}

}  // namespace ozm::openarrays
