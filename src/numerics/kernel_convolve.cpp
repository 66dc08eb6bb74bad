// 2-D kernel correlation with edge replication, and the compass and Kirsch edge kernels.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "numerics/filter_internal.hpp"
#include "ozm/math2/kernels.hpp"

namespace ozm::math2 {

namespace {

// Element (i, j) with the source indices held to the array: the slow path for the border.
double ClampedElement(const TDouble2DArray& k, const TDouble2DArray& src, std::ptrdiff_t i,
                      std::ptrdiff_t j, int K, std::ptrdiff_t rows, std::ptrdiff_t cols) {
    const int h = K / 2;
    double acc = 0;
    for (int p = 0; p < K; ++p) {
        const std::ptrdiff_t r = std::clamp<std::ptrdiff_t>(i + p - h, 0, rows - 1);
        const double* srow = src[static_cast<size_t>(r)].data();
        const double* krow = k[static_cast<size_t>(p)].data();
        for (int q = 0; q < K; ++q) {
            const std::ptrdiff_t c = std::clamp<std::ptrdiff_t>(j + q - h, 0, cols - 1);
            acc += krow[q] * srow[c];
        }
    }
    return acc;
}

using TKernel3 = int[3][3];

constexpr int kCompass[8][3][3] = {
    {{-1, -1, -1}, {1, -2, 1}, {1, 1, 1}}, {{1, -1, -1}, {1, -2, -1}, {1, 1, 1}},
    {{1, 1, -1}, {1, -2, -1}, {1, 1, -1}}, {{1, 1, 1}, {1, -2, -1}, {1, -1, -1}},
    {{1, 1, 1}, {1, -2, 1}, {-1, -1, -1}}, {{1, 1, 1}, {-1, -2, 1}, {-1, -1, 1}},
    {{-1, 1, 1}, {-1, -2, 1}, {-1, 1, 1}}, {{-1, -1, 1}, {-1, -2, 1}, {1, 1, 1}}};

constexpr int kKirsch[8][3][3] = {
    {{-3, -3, -3}, {-3, 0, -3}, {5, 5, 5}}, {{-3, -3, -3}, {5, 0, -3}, {5, 5, -3}},
    {{5, -3, -3}, {5, 0, -3}, {5, -3, -3}}, {{5, 5, -3}, {5, 0, -3}, {-3, -3, -3}},
    {{5, 5, 5}, {-3, 0, -3}, {-3, -3, -3}}, {{-3, 5, 5}, {-3, 0, 5}, {-3, -3, -3}},
    {{-3, -3, 5}, {-3, 0, 5}, {-3, -3, 5}}, {{-3, -3, -3}, {-3, 0, 5}, {-3, 5, 5}}};

int ApplyTabledKernel(const TKernel3& table, const TDouble2DArray& Source, TDouble2DArray& Dest,
                      const TOnPercentDoneEvent& OnPercentDone) {
    TDouble2DArray kernel(3, TDoubleArray(3));
    for (size_t p = 0; p < 3; ++p)
        for (size_t q = 0; q < 3; ++q) kernel[p][q] = table[p][q];
    return KernelConvolve(kernel, Source, Dest, OnPercentDone);
}

}  // namespace

int KernelConvolve(const TDouble2DArray& Kernel, const TDouble2DArray& Source, TDouble2DArray& Dest,
                   const TOnPercentDoneEvent& OnPercentDone) {
    const size_t kRows = Kernel.size();
    int result = 0;
    // Every row is checked, not only the first: a short later row would be read past its end.
    for (const TDoubleArray& row : Kernel)
        if (row.size() != kRows) result = -1;
    if (kRows % 2 == 0) result = -2;
    if (kRows < 3) result = -3;
    if (result != 0) return result;
    const int K = static_cast<int>(kRows);  // K rows of K doubles: far below 2^31 to fit in memory
    const int h = K / 2;

    const std::ptrdiff_t rows = static_cast<std::ptrdiff_t>(Source.size());
    const std::ptrdiff_t cols = rows > 0 ? static_cast<std::ptrdiff_t>(Source[0].size()) : 0;
    for (const TDoubleArray& row : Source)
        if (static_cast<std::ptrdiff_t>(row.size()) != cols) return -4;

    // Dest's storage is reused (repeated calls allocate nothing) unless Dest is one of the
    // operands, in which case the result is formed aside and moved in at the end.
    const bool aliased = &Dest == &Source || &Dest == &Kernel;
    TDouble2DArray aside;
    TDouble2DArray& out = aliased ? aside : Dest;
    out.resize(static_cast<size_t>(rows));
    for (TDoubleArray& row : out) row.resize(static_cast<size_t>(cols));
    if (rows == 0 || cols == 0) {
        if (aliased) Dest = std::move(aside);
        return 0;
    }

    std::vector<const double*> kp(static_cast<size_t>(K));
    for (int p = 0; p < K; ++p) kp[static_cast<size_t>(p)] = Kernel[static_cast<size_t>(p)].data();

    // Interior: every window lies inside the source; one row at a time through the vector kernel.
    const bool hasInterior = rows >= K && cols >= K;
    if (hasInterior) {
        const int64_t step =
            std::max<int64_t>(1, static_cast<int64_t>(rows - K) * (cols - K) / 100);
        int64_t done = 0;
        int calls = 0;
        std::vector<const double*> rp(static_cast<size_t>(K));
        const std::ptrdiff_t width = cols - 2 * h;
        for (std::ptrdiff_t i = h; i < rows - h; ++i) {
            for (int p = 0; p < K; ++p)
                rp[static_cast<size_t>(p)] = Source[static_cast<size_t>(i + p - h)].data();
            detail::CorrelateRow(rp.data(), kp.data(), K, out[static_cast<size_t>(i)].data() + h,
                                 width);
            if (OnPercentDone) {
                done += width;
                while (static_cast<int64_t>(calls) < done / step) OnPercentDone(nullptr, ++calls);
            }
        }
    }

    // Border: the top and bottom bands, then the left and right strips of the interior rows.
    for (std::ptrdiff_t i = 0; i < rows; ++i) {
        double* o = out[static_cast<size_t>(i)].data();
        const bool interiorRow = hasInterior && i >= h && i < rows - h;
        if (!interiorRow) {
            for (std::ptrdiff_t j = 0; j < cols; ++j)
                o[j] = ClampedElement(Kernel, Source, i, j, K, rows, cols);
        } else {
            for (std::ptrdiff_t j = 0; j < h; ++j)
                o[j] = ClampedElement(Kernel, Source, i, j, K, rows, cols);
            for (std::ptrdiff_t j = cols - h; j < cols; ++j)
                o[j] = ClampedElement(Kernel, Source, i, j, K, rows, cols);
        }
    }
    if (aliased) Dest = std::move(aside);
    return 0;
}

int ApplyCompassKernel(int Direction, const TDouble2DArray& Source, TDouble2DArray& Dest,
                       const TOnPercentDoneEvent& OnPercentDone) {
    if (Direction < 0 || Direction > 7) return -1;
    return ApplyTabledKernel(kCompass[Direction], Source, Dest, OnPercentDone);
}

int ApplyKirschKernel(int Direction, const TDouble2DArray& Source, TDouble2DArray& Dest,
                      const TOnPercentDoneEvent& OnPercentDone) {
    if (Direction < 0 || Direction > 7) return -1;
    return ApplyTabledKernel(kKirsch[Direction], Source, Dest, OnPercentDone);
}

}  // namespace ozm::math2
