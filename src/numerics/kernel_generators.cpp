// Image-area correlation and the Gaussian and sigmoid generators.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>

#include "numerics/filter_internal.hpp"
#include "ozm/base/colors.hpp"
#include "ozm/math2/kernels.hpp"
#include "ozm/matrix.hpp"
#include "ozm/platform/bitmap.hpp"
#include "ozm/vector.hpp"

namespace ozm::math2 {

namespace {

// Pixel at (x, y) in 64-bit coordinates; black outside the bitmap.
TColor PixelAt(const TBitmap& img, int64_t x, int64_t y) noexcept {
    if (x < 0 || y < 0 || x >= img.Width() || y >= img.Height()) return 0;
    return img.Pixel(static_cast<int>(x), static_cast<int>(y));
}

double Quantity(TColor c, TImgCompareMode mode) noexcept {
    switch (mode) {
        case TImgCompareMode::icmRed:
            return RedOf(c);
        case TImgCompareMode::icmBlue:
            return BlueOf(c);
        case TImgCompareMode::icmGreen:
            return GreenOf(c);
        case TImgCompareMode::icmGrayValues:
            return RGBtoGray(c);
        default:
            break;
    }
    double hue = 0, saturation = 0, intensity = 0;
    RGBtoHSI(c, hue, saturation, intensity);
    if (mode == TImgCompareMode::icmHue) return hue;
    if (mode == TImgCompareMode::icmLightness) return intensity;
    return saturation;
}

// exp(-min(s / w^2, 20)); a zero distance is 1 whatever the width.
double GaussOfSquaredDistance(double s, double Width) noexcept {
    if (s == 0) return 1.0;
    return std::exp(-std::min(s / (Width * Width), 20.0));
}

}  // namespace

double CalcImgCorrelation(const TBitmap& Image1, const TBitmap& Image2, const TRect& Area1,
                          const TRect& Area2, TImgCompareMode Mode) {
    const int64_t width1 = static_cast<int64_t>(Area1.right) - Area1.left;
    const int64_t width2 = static_cast<int64_t>(Area2.right) - Area2.left;
    if (width1 != width2) throw EOZMMath2Error("image ranges to compare are not of equal size");
    const int64_t w = width1 + 1;
    const int64_t h = static_cast<int64_t>(Area1.bottom) - Area1.top + 1;
    if (w <= 0 || h <= 0 || w * h < 3) return 0.0;
    if (w * h > INT_MAX)
        detail::RaiseMath2("CalcImgCorrelation", "image ranges to compare are too large");

    const int n = static_cast<int>(w * h);
    TVector v1, v2;
    v1.Resize(n);
    v2.Resize(n);
    double* p1 = v1.Cells().data();
    double* p2 = v2.Cells().data();
    const int64_t dx = static_cast<int64_t>(Area2.left) - Area1.left;
    const int64_t dy = static_cast<int64_t>(Area2.top) - Area1.top;
    size_t k = 0;
    for (int64_t y = Area1.top; y <= Area1.bottom; ++y) {
        for (int64_t x = Area1.left; x <= Area1.right; ++x, ++k) {
            p1[k] = Quantity(PixelAt(Image1, x, y), Mode);
            p2[k] = Quantity(PixelAt(Image2, x + dx, y + dy), Mode);
        }
    }
    // The library's one Pearson routine: deviations from the means, 0 for a uniform area.
    return v1.PearsonCorrCoeff(&v2);
}

double CalcGaussKernel(const TVector& a, const TVector& b, double Width) {
    const int n = b.NrOfElem();
    double s = 0;
    for (int k = 1; k <= n; ++k) {
        const double d = a.GetVal(k) - b.GetVal(k);
        s += d * d;
    }
    return GaussOfSquaredDistance(s, Width);
}

double CalcGaussKernelMat(const TVector& a, const TMatrix& Mat, int Row, double Width) {
    const int n = Mat.NrOfColumns();
    double s = 0;
    for (int c = 1; c <= n; ++c) {
        const double d = a.GetVal(c) - Mat.GetVal(c, Row);
        s += d * d;
    }
    return GaussOfSquaredDistance(s, Width);
}

int Gauss2D(int CentreRow, int CentreCol, double Width, double Amplitude, TDouble2DArray& Arr) {
    if (Arr.size() < 2 || Arr[0].size() < 2) return -2;
    if (!(Width > 0)) return -1;
    const double w2 = Width * Width;
    for (size_t i = 0; i < Arr.size(); ++i) {
        const double di = static_cast<double>(i + 1) - CentreRow;
        TDoubleArray& row = Arr[i];
        for (size_t j = 0; j < row.size(); ++j) {
            const double dj = static_cast<double>(j + 1) - CentreCol;
            row[j] = Amplitude * std::exp(-(di * di + dj * dj) / w2);
        }
    }
    return 0;
}

int CreateGaussianPeaks(const TPeakParamsList& Peaks, TDoubleArray& Arr) {
    if (Arr.size() < 3) return -2;
    if (Peaks.empty()) return -1;
    for (const TGaussPeakParams& pk : Peaks)
        if (pk.Width == 0) return -3;
    for (size_t k = 0; k < Arr.size(); ++k) {
        double v = 0;
        for (const TGaussPeakParams& pk : Peaks) {
            const double u = (static_cast<double>(k + 1) - pk.Position) / pk.Width;
            v += pk.Height * std::exp(-u * u);
        }
        Arr[k] = v;
    }
    return 0;
}

int CreateSigmoidArray(TDoubleArray& Arr, double Slope, double Base, double Amplitude, int Centre) {
    if (Arr.size() <= 2) return -1;
    for (size_t k = 0; k < Arr.size(); ++k) {
        const double t = static_cast<double>(k + 1) - Centre;
        Arr[k] = Base + Amplitude / (1 + std::exp(-Slope * t));
    }
    return 0;
}

}  // namespace ozm::math2
