// Raster helpers: masked fill, edge profiles and export of an integer raster as an image.
#include <algorithm>
#include <cmath>
#include <string>

#include "openarrays/shape.hpp"
#include "ozm/base/constants.hpp"
#include "ozm/openarrays/raster.hpp"
#include "ozm/platform/bitmap.hpp"

namespace ozm::openarrays {
namespace {

using namespace detail;

template <class T>
int FillMasked(std::vector<std::vector<T>>& a, T value, const TBool2DArray& mask) {
    if (IsEmpty(a)) return -2;
    const bool masked = !IsEmpty(mask);
    if (masked) {
        if (mask.size() != a.size()) return -1;
        for (size_t x = 0; x < a.size(); ++x)
            if (mask[x].size() != a[x].size()) return -1;
    }
    for (size_t x = 0; x < a.size(); ++x) {
        std::vector<T>& column = a[x];
        if (!masked) {
            std::fill(column.begin(), column.end(), value);
            continue;
        }
        const TBoolArray& m = mask[x];
        for (size_t y = 0; y < column.size(); ++y)
            if (!m[y]) column[y] = value;
    }
    return 0;
}

// One running reduction of the profile.
struct Reduction {
    TEdgeOp op;
    double Start() const {
        switch (op) {
            case TEdgeOp::eoMin: return uc_MaxDouble;
            case TEdgeOp::eoMax: return -uc_MaxDouble;
            default: return 0;
        }
    }
    void Take(double& acc, double v) const {
        switch (op) {
            case TEdgeOp::eoMin:
                if (v < acc || std::isnan(acc)) acc = v;
                break;
            case TEdgeOp::eoMax:
                if (!(acc >= v)) acc = v;
                break;
            default: acc += v; break;
        }
    }
};

bool ValidOp(TEdgeOp op) {
    return op == TEdgeOp::eoMin || op == TEdgeOp::eoMax || op == TEdgeOp::eoSum ||
           op == TEdgeOp::eoMean;
}

template <class T>
int Edge(const std::vector<std::vector<T>>& a, TOrientation orientation, TEdgeOp op,
         TDoubleArray& profile) {
    if (IsEmpty(a)) return -1;
    if (!IsRectangular(a) || !ValidOp(op) ||
        (orientation != TOrientation::orPerRow && orientation != TOrientation::orPerColumn))
        return -2;
    const size_t n = a.size(), m = a[0].size();
    const Reduction red{op};
    TDoubleArray result;
    size_t reduced;
    if (orientation == TOrientation::orPerRow) {
        // One value per row: walk the columns and reduce each row's accumulator in turn.
        result.assign(m, red.Start());
        double* acc = result.data();
        for (size_t x = 0; x < n; ++x) {
            const T* p = a[x].data();
            for (size_t y = 0; y < m; ++y) red.Take(acc[y], static_cast<double>(p[y]));
        }
        reduced = n;
    } else {
        result.resize(n);
        for (size_t x = 0; x < n; ++x) {
            double acc = red.Start();
            const T* p = a[x].data();
            for (size_t y = 0; y < m; ++y) red.Take(acc, static_cast<double>(p[y]));
            result[x] = acc;
        }
        reduced = m;
    }
    if (op == TEdgeOp::eoMean)
        for (double& v : result) v /= static_cast<double>(reduced);
    profile = std::move(result);
    return 0;
}

std::string LowerExtension(const std::string& name) {
    const size_t slash = name.find_last_of("/\\");
    const size_t dot = name.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    std::string ext = name.substr(dot);
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return ext;
}

constexpr int64_t kMaxImageSide = 1 << 30;

}  // namespace

int FillArrayMasked(TDouble2DArray& A, double Value, const TBool2DArray& Mask) {
    return FillMasked(A, Value, Mask);
}
int FillArrayMasked(TInt2DArray& A, int32_t Value, const TBool2DArray& Mask) {
    return FillMasked(A, Value, Mask);
}

int EdgeVector(const TInt2DArray& A, TOrientation Orientation, TEdgeOp Operation,
               TDoubleArray& Profile) {
    return Edge(A, Orientation, Operation, Profile);
}
int EdgeVector(const TDouble2DArray& A, TOrientation Orientation, TEdgeOp Operation,
               TDoubleArray& Profile) {
    return Edge(A, Orientation, Operation, Profile);
}

int SaveArrayAsImg(const std::string& FName, const TInt2DArray& A, int Magnification) {
    if (Magnification < 1 || Magnification > 10) return -2;
    const std::string ext = LowerExtension(FName);
    if (!ext.empty() && ext != ".bmp" && ext != ".png" && ext != ".jpg") return -1;
    if (IsEmpty(A) || !IsRectangular(A)) return -2;
    const int64_t width = static_cast<int64_t>(A.size()) * Magnification;
    const int64_t height = static_cast<int64_t>(A[0].size()) * Magnification;
    if (width > kMaxImageSide || height > kMaxImageSide) return -2;
    if (!FName.empty() && ext.empty()) return -1;  // nothing to save it as

    TBitmap image;
    image.SetSize(static_cast<int>(width), static_cast<int>(height));  // raises beyond 2^28 px
    const auto mag = static_cast<size_t>(Magnification);
    for (int py = 0; py < image.Height(); ++py)
        for (int px = 0; px < image.Width(); ++px) {
            const int32_t cell = A[size_t(px) / mag][size_t(py) / mag];
            image.SetPixel(px, py, static_cast<TColor>(cell) & 0x00FFFFFFu);
        }

    if (FName.empty()) return image.CopyToClipboard() ? 0 : -3;
    if (ext == ".bmp")
        image.SaveToBMP(FName);
    else if (ext == ".png")
        image.SaveToPNG(FName);
    else
        image.SaveToJPEG(FName);
    return 0;
}

}  // namespace ozm::openarrays
