// The unit math2: smoothing, derivative and frequency filters on vectors, image kernels,
// TCurveFit and the polygon routines. Polygons are numpy arrays of shape (n, 2) holding x and y.
#include <cstring>

#include "common.hpp"
#include "ozm/math2/curvefit.hpp"
#include "ozm/math2/filters.hpp"
#include "ozm/math2/kernels.hpp"
#include "ozm/math2/polygons.hpp"
#include "ozm/matrix.hpp"
#include "ozm/vector.hpp"

namespace ozmpy {

namespace {
using namespace ozm;
namespace m2 = ozm::math2;
using DoubleIn = py::array_t<double, py::array::forcecast>;

// A destination vector that a filter resizes must not have views.
TVector& Dest(TVector& V) {
    RequireNoViews(&V, "TVector");
    return V;
}

std::vector<TPointDouble> ToPolygon(const DoubleIn& P) {
    if (P.ndim() != 2 || P.shape(1) != 2)
        throw py::value_error("a polygon is an array of shape (n, 2)");
    auto r = P.unchecked<2>();
    std::vector<TPointDouble> out(static_cast<size_t>(P.shape(0)));
    for (py::ssize_t i = 0; i < P.shape(0); ++i) out[static_cast<size_t>(i)] = {r(i, 0), r(i, 1)};
    return out;
}

py::array_t<double> FromPolygon(const std::vector<TPointDouble>& P) {
    py::array_t<double> out({static_cast<py::ssize_t>(P.size()), py::ssize_t{2}});
    auto w = out.mutable_unchecked<2>();
    for (size_t i = 0; i < P.size(); ++i) {
        w(static_cast<py::ssize_t>(i), 0) = P[i].x;
        w(static_cast<py::ssize_t>(i), 1) = P[i].y;
    }
    return out;
}

TOnPercentDoneEvent PercentEvent(const py::object& Fn) {
    return MakeEvent<void(TObject*, int)>(
        Fn, [](const TPyCallable& h, TObject* s, int p) { h.Get()(SenderObject(s), p); });
}

void BindFilters(py::module_& m) {
    using WindowFilter = void (*)(const TVector*, int, int, int, TVector*);
    auto window = [&m](const char* Name, WindowFilter F, const char* Doc) {
        m.def(
            Name,
            [F](const TVector& Source, int First, int Last, int W, TVector& DestVec) {
                RunWithoutGIL([&] { F(&Source, First, Last, W, &DestVec); });
            },
            py::arg("SourceVec"), py::arg("First"), py::arg("Last"), py::arg("W"), py::arg("DestVec"),
            Doc);
    };
    window("MovingAverageSmooth", &m2::MovingAverageSmooth, "Mean of each window of W values.");
    window("MovingMedianSmooth", &m2::MovingMedianSmooth, "Median of each window of W values.");
    window("WeightedAverageSmooth", &m2::WeightedAverageSmooth, "Triangular weights.");
    window("PolynomialSmooth", &m2::PolynomialSmooth, "Savitzky-Golay smoothing (parabola).");
    window("FirstDeriv", &m2::FirstDeriv, "Slope of the least-squares line per element.");
    window("SecondDeriv", &m2::SecondDeriv, "Second derivative of the least-squares parabola.");

    using SincKernel = void (*)(int, double, int, TDoubleArray&);
    using SincBandKernel = void (*)(int, double, double, int, TDoubleArray&);
    auto sinc = [&m](const char* Name, SincKernel F) {
        m.def(
            Name,
            [F](int M, double Cutoff, int Window) {
                TDoubleArray k;
                F(M, Cutoff, Window, k);
                return FromDoubleArray(k);
            },
            py::arg("M"), py::arg("Cutoff"), py::arg("Window"),
            "The windowed-sinc kernel of M elements (Window 1 Hamming, 2 Blackman, else none).");
    };
    auto band = [&m](const char* Name, SincBandKernel F) {
        m.def(
            Name,
            [F](int M, double Cutoff1, double Cutoff2, int Window) {
                TDoubleArray k;
                F(M, Cutoff1, Cutoff2, Window, k);
                return FromDoubleArray(k);
            },
            py::arg("M"), py::arg("Cutoff1"), py::arg("Cutoff2"), py::arg("Window"));
    };
    sinc("CalcSincLPKernel", py::overload_cast<int, double, int, TDoubleArray&>(&m2::CalcSincLPKernel));
    sinc("CalcSincHPKernel", py::overload_cast<int, double, int, TDoubleArray&>(&m2::CalcSincHPKernel));
    band("CalcSincBSKernel",
         py::overload_cast<int, double, double, int, TDoubleArray&>(&m2::CalcSincBSKernel));
    band("CalcSincBPKernel",
         py::overload_cast<int, double, double, int, TDoubleArray&>(&m2::CalcSincBPKernel));

    m.def(
        "MovingKernelFilter",
        [](const TVector& Source, int First, int Last, TVector& DestVec, const TVector& Kernel) {
            if (DestVec.NrOfElem() != Source.NrOfElem()) Dest(DestVec);
            RunWithoutGIL([&] { m2::MovingKernelFilter(&Source, First, Last, &DestVec, &Kernel); });
        },
        py::arg("SourceVec"), py::arg("First"), py::arg("Last"), py::arg("DestVec"),
        py::arg("FilterKernel"));
    m.def(
        "CalcChebFilterCoeffs",
        [](int NPoles, bool HighPass, double Cutoff, double Ripple) {
            double a0 = 0;
            auto coeffs = std::make_unique<TMatrix>();
            m2::CalcChebFilterCoeffs(NPoles, HighPass, Cutoff, Ripple, a0, *coeffs);
            return py::make_tuple(a0, py::cast(std::move(coeffs)));
        },
        py::arg("NPoles"), py::arg("HighPass"), py::arg("Cutoff"), py::arg("Ripple"),
        "(a0, Coeffs): Coeffs a TMatrix of 2 columns (a_k, b_k) and NPoles rows.");
    m.def(
        "ChebychevFilter",
        [](const TVector& Source, int First, int Last, TVector& DestVec, double a0,
           const TMatrix& Coeffs) {
            RunWithoutGIL([&] { m2::ChebychevFilter(Source, First, Last, DestVec, a0, Coeffs); });
        },
        py::arg("SourceVec"), py::arg("First"), py::arg("Last"), py::arg("DestVec"), py::arg("a0"),
        py::arg("Coeffs"), "Zero-phase (forward-backward) recursive filter.");
}

void BindKernels(py::module_& m) {
    py::enum_<TImgCompareMode>(m, "TImgCompareMode")
        .value("icmRed", TImgCompareMode::icmRed)
        .value("icmBlue", TImgCompareMode::icmBlue)
        .value("icmGreen", TImgCompareMode::icmGreen)
        .value("icmHue", TImgCompareMode::icmHue)
        .value("icmLightness", TImgCompareMode::icmLightness)
        .value("icmSaturation", TImgCompareMode::icmSaturation)
        .value("icmGrayValues", TImgCompareMode::icmGrayValues)
        .export_values();

    // Images and kernels are numpy matrices (rows x columns); the result is (code, Dest) with
    // Dest None unless the code is 0.
    m.def(
        "KernelConvolve",
        [](const DoubleIn& Kernel, const DoubleIn& Source, const py::object& OnPercentDone) {
            const auto k = ToDouble2DArray(Kernel, TOuter::Rows);
            const auto s = ToDouble2DArray(Source, TOuter::Rows);
            const auto progress = PercentEvent(OnPercentDone);
            TDouble2DArray d;
            const int code = RunWithoutGIL([&] { return m2::KernelConvolve(k, s, d, progress); });
            return py::make_tuple(code, code == 0 ? py::object(FromDouble2DArray(d, TOuter::Rows))
                                                  : py::object(py::none()));
        },
        py::arg("Kernel"), py::arg("Source"), py::arg("OnPercentDone") = py::none(),
        "Correlation with edge replication (scipy.ndimage.correlate, mode 'nearest').");
    using DirectionKernel = int (*)(int, const TDouble2DArray&, TDouble2DArray&,
                                    const TOnPercentDoneEvent&);
    auto directional = [&m](const char* Name, DirectionKernel F) {
        m.def(
            Name,
            [F](int Direction, const DoubleIn& Source, const py::object& OnPercentDone) {
                const auto s = ToDouble2DArray(Source, TOuter::Rows);
                const auto progress = PercentEvent(OnPercentDone);
                TDouble2DArray d;
                const int code = RunWithoutGIL([&] { return F(Direction, s, d, progress); });
                return py::make_tuple(code, code == 0 ? py::object(FromDouble2DArray(d, TOuter::Rows))
                                                      : py::object(py::none()));
            },
            py::arg("Direction"), py::arg("Source"), py::arg("OnPercentDone") = py::none());
    };
    directional("ApplyCompassKernel", &m2::ApplyCompassKernel);
    directional("ApplyKirschKernel", &m2::ApplyKirschKernel);
    m.def("CalcGaussKernel", &m2::CalcGaussKernel, py::arg("a"), py::arg("b"), py::arg("Width"));
    m.def("CalcGaussKernelMat", &m2::CalcGaussKernelMat, py::arg("a"), py::arg("Mat"),
          py::arg("Row"), py::arg("Width"));
    m.def(
        "Gauss2D",
        [](int CentreRow, int CentreCol, double Width, double Amplitude, int Rows, int Cols) {
            if (Rows < 0 || Cols < 0) throw py::value_error("negative array extent");
            TDouble2DArray a(static_cast<size_t>(Rows), TDoubleArray(static_cast<size_t>(Cols)));
            const int code = m2::Gauss2D(CentreRow, CentreCol, Width, Amplitude, a);
            return py::make_tuple(code, FromDouble2DArray(a, TOuter::Rows));
        },
        py::arg("CentreRow"), py::arg("CentreCol"), py::arg("Width"), py::arg("Amplitude"),
        py::arg("Rows"), py::arg("Cols"), "(code, array of Rows x Cols).");
    m.def(
        "CreateGaussianPeaks",
        [](const DoubleIn& Peaks, int Length) {
            if (Peaks.ndim() != 2 || Peaks.shape(1) != 3)
                throw py::value_error("peaks are an array of shape (n, 3): Position, Width, Height");
            if (Length < 0) throw py::value_error("negative array length");
            auto r = Peaks.unchecked<2>();
            TPeakParamsList peaks;
            for (py::ssize_t i = 0; i < Peaks.shape(0); ++i) peaks.push_back({r(i, 0), r(i, 1), r(i, 2)});
            TDoubleArray a(static_cast<size_t>(Length));
            const int code = m2::CreateGaussianPeaks(peaks, a);
            return py::make_tuple(code, FromDoubleArray(a));
        },
        py::arg("Peaks"), py::arg("Length"), "(code, array of Length values).");
    m.def(
        "CreateSigmoidArray",
        [](int Length, double Slope, double Base, double Amplitude, int Centre) {
            if (Length < 0) throw py::value_error("negative array length");
            TDoubleArray a(static_cast<size_t>(Length));
            const int code = m2::CreateSigmoidArray(a, Slope, Base, Amplitude, Centre);
            return py::make_tuple(code, FromDoubleArray(a));
        },
        py::arg("Length"), py::arg("Slope"), py::arg("Base"), py::arg("Amplitude"), py::arg("Centre"));
}

void BindCurveFit(py::module_& m) {
    py::class_<TCurveFit, TComponent>(m, "TCurveFit",
                                      "(x, y) pairs with running sums, statistics and fits.")
        .def(py::init([] { return std::make_unique<TCurveFit>(); }))
        .def("Init", &TCurveFit::Init)
        .def("EnterStatValue", &TCurveFit::EnterStatValue, py::arg("x"), py::arg("y"))
        .def(
            "EnterStatValues",
            [](TCurveFit& f, const DoubleIn& x, const DoubleIn& y) {
                if (x.ndim() != 1 || y.ndim() != 1 || x.shape(0) != y.shape(0))
                    throw py::value_error("x and y must be one-dimensional arrays of equal length");
                auto rx = x.unchecked<1>();
                auto ry = y.unchecked<1>();
                int n = f.NumData();
                for (py::ssize_t i = 0; i < x.shape(0); ++i) n = f.EnterStatValue(rx(i), ry(i));
                return n;
            },
            py::arg("x"), py::arg("y"), "EnterStatValue for each pair of the arrays.")
        .def("RemoveStatValue", &TCurveFit::RemoveStatValue, py::arg("ix"))
        .def("FlipXY", &TCurveFit::FlipXY)
        .def("GetDataX", &TCurveFit::GetDataX, py::arg("ix"))
        .def("GetDataY", &TCurveFit::GetDataY, py::arg("ix"))
        .def_property_readonly("NumData", &TCurveFit::NumData)
        .def_property_readonly("MinX", &TCurveFit::MinX)
        .def_property_readonly("MaxX", &TCurveFit::MaxX)
        .def_property_readonly("MinY", &TCurveFit::MinY)
        .def_property_readonly("MaxY", &TCurveFit::MaxY)
        .def_property_readonly(
            "ErrIndic",
            [](const TCurveFit& f) {
                py::set out;
                const char* names[] = {"cfeXLE0", "cfeYLE0", "cfeXEQ0", "cfeYEQ0"};
                for (int e = 0; e < 4; ++e)
                    if (f.ErrIndic().Contains(static_cast<TCurveFitError>(e))) out.add(names[e]);
                return out;
            },
            "The conditions met among the pairs, as a set of names.")
        .def_property("Natural1", &TCurveFit::Natural1, &TCurveFit::SetNatural1)
        .def_property("NaturalN", &TCurveFit::NaturalN, &TCurveFit::SetNaturalN)
        .def_property("Y1Dash", &TCurveFit::Y1Dash, &TCurveFit::SetY1Dash)
        .def_property("YNDash", &TCurveFit::YNDash, &TCurveFit::SetYNDash)
        .def_property("SplineSmoothing", &TCurveFit::SplineSmoothing, &TCurveFit::SetSplineSmoothing)
        .def_property_readonly("SplineFitQuality", &TCurveFit::SplineFitQuality)
        .def_property_readonly("MeanX", &TCurveFit::GetMeanX)
        .def_property_readonly("MeanY", &TCurveFit::GetMeanY)
        .def_property_readonly("MeanDiff", &TCurveFit::GetMeanDiff)
        .def_property_readonly("StdDevX", &TCurveFit::GetStdDevX)
        .def_property_readonly("StdDevY", &TCurveFit::GetStdDevY)
        .def_property_readonly("StdDevDiff", &TCurveFit::GetStdDevDiff)
        .def_property_readonly("Rxy", &TCurveFit::GetRxy)
        .def_property_readonly("SkewnessX", &TCurveFit::GetSkewnessX)
        .def_property_readonly("SkewnessY", &TCurveFit::GetSkewnessY)
        .def_property_readonly("KurtosisX", &TCurveFit::GetKurtosisX)
        .def_property_readonly("KurtosisY", &TCurveFit::GetKurtosisY)
        .def_property_readonly("MeanXDegrees", &TCurveFit::GetMeanXDegrees)
        .def_property_readonly("MeanYDegrees", &TCurveFit::GetMeanYDegrees)
        .def_property_readonly("KruskalGamma", &TCurveFit::GetKruskalGamma)
        .def_property_readonly("Spearman", &TCurveFit::GetSpearman)
        .def("PercentileX", &TCurveFit::PercentileX, py::arg("prob"))
        .def("PercentileY", &TCurveFit::PercentileY, py::arg("prob"))
        .def("QuartilesX", [](const TCurveFit& f) {
            double q1 = 0, q2 = 0, q3 = 0;
            const bool ok = f.QuartilesX(q1, q2, q3);
            return py::make_tuple(ok, q1, q2, q3);
        })
        .def("QuartilesY", [](const TCurveFit& f) {
            double q1 = 0, q2 = 0, q3 = 0;
            const bool ok = f.QuartilesY(q1, q2, q3);
            return py::make_tuple(ok, q1, q2, q3);
        })
        .def("KendallsTau", [](const TCurveFit& f) {
            double p = 0;
            const double tau = f.KendallsTau(p);
            return py::make_tuple(tau, p);
        }, "(tau, P).")
        .def("CalcLinFit", [](const TCurveFit& f) {
            double k, d, q;
            f.CalcLinFit(k, d, q);
            return py::make_tuple(k, d, q);
        }, "(k, d, FitQual) of y = k x + d.")
        .def("CalcParabolFit", [](const TCurveFit& f) {
            double k0, k1, k2, q;
            f.CalcParabolFit(k0, k1, k2, q);
            return py::make_tuple(k0, k1, k2, q);
        }, "(k0, k1, k2, FitQual) of y = k0 + k1 x + k2 x^2.")
        .def("CalcCircleFit", [](const TCurveFit& f) {
            double r, dx, dy;
            f.CalcCircleFit(r, dx, dy);
            return py::make_tuple(r, dx, dy);
        }, "(r, dx, dy).")
        .def("CubicSpline", &TCurveFit::CubicSpline, py::arg("x"))
        .def("SmoothedSpline", &TCurveFit::SmoothedSpline, py::arg("x"))
        .def("PenalizedCubicSpline", &TCurveFit::PenalizedCubicSpline, py::arg("x"), py::arg("Lambda"))
        .def("ExportAsASC", &TCurveFit::ExportAsASC, py::arg("FName"), py::arg("Comment"),
             py::arg("Precision"))
        .def("ImportASC", &TCurveFit::ImportASC, py::arg("FName"));

    // The two-parameter linearised models: (ok, a, b, FitQual); the three-parameter ones
    // (ok, a, b, c, FitQual).
    using Fit2 = bool (TCurveFit::*)(double&, double&, double&) const;
    using Fit3 = bool (TCurveFit::*)(double&, double&, double&, double&) const;
    auto cls = py::reinterpret_borrow<py::class_<TCurveFit, TComponent>>(m.attr("TCurveFit"));
    const std::pair<const char*, Fit2> fits2[] = {
        {"CalcHyperbolFit", &TCurveFit::CalcHyperbolFit},
        {"CalcReciLinFit", &TCurveFit::CalcReciLinFit},
        {"CalcReciHyperbolFit", &TCurveFit::CalcReciHyperbolFit},
        {"CalcLogFit", &TCurveFit::CalcLogFit},
        {"CalcReciLogFit", &TCurveFit::CalcReciLogFit},
        {"CalcPowerFit", &TCurveFit::CalcPowerFit},
        {"CalcExponentialFit", &TCurveFit::CalcExponentialFit}};
    for (const auto& [name, fn] : fits2)
        cls.def(name, [fn = fn](const TCurveFit& f) {
            double a = 0, b = 0, q = 0;
            const bool ok = (f.*fn)(a, b, q);
            return py::make_tuple(ok, a, b, q);
        });
    const std::pair<const char*, Fit3> fits3[] = {{"CalcHoerlFit", &TCurveFit::CalcHoerlFit},
                                                  {"CalcGaussFit", &TCurveFit::CalcGaussFit}};
    for (const auto& [name, fn] : fits3)
        cls.def(name, [fn = fn](const TCurveFit& f) {
            double a = 0, b = 0, c = 0, q = 0;
            const bool ok = (f.*fn)(a, b, c, q);
            return py::make_tuple(ok, a, b, c, q);
        });
}

void BindPolygons(py::module_& m) {
    m.def(
        "PolygonArea",
        [](const DoubleIn& P) {
            const auto poly = ToPolygon(P);
            int crossings = 0;
            const double area = m2::PolygonArea(poly, crossings);
            return py::make_tuple(area, crossings);
        },
        py::arg("Polygon"), "(signed area, Crossings).");
    m.def("PolygonLength", [](const DoubleIn& P, bool Closed) { return m2::PolygonLength(ToPolygon(P), Closed); },
          py::arg("Polygon"), py::arg("Closed"));
    m.def(
        "OuterRectOfPolygon",
        [](const DoubleIn& P) {
            double x0, y0, x1, y1;
            m2::OuterRectOfPolygon(ToPolygon(P), x0, y0, x1, y1);
            return py::make_tuple(x0, y0, x1, y1);
        },
        py::arg("Polygon"), "(MinX, MinY, MaxX, MaxY).");
    m.def(
        "DistanceToPolygon",
        [](double x, double y, const DoubleIn& P, bool Closed) {
            return m2::DistanceToPolygon({x, y}, ToPolygon(P), Closed);
        },
        py::arg("x"), py::arg("y"), py::arg("Polygon"), py::arg("Closed"));
    m.def("PointIsInsidePolygon",
          [](double x, double y, const DoubleIn& P) { return m2::PointIsInsidePolygon(x, y, ToPolygon(P)); },
          py::arg("x"), py::arg("y"), py::arg("Polygon"));
    m.def("PointIsInsideConvexHull",
          [](double x, double y, const DoubleIn& P) { return m2::PointIsInsideConvexHull(x, y, ToPolygon(P)); },
          py::arg("x"), py::arg("y"), py::arg("Hull"));
    m.def(
        "Convex2DHull",
        [](const DoubleIn& P) {
            const auto points = ToPolygon(P);
            return FromPolygon(RunWithoutGIL([&] { return m2::Convex2DHull(points); }));
        },
        py::arg("Points"), "The hull vertices, counter-clockwise, as an (m, 2) array.");
    m.def(
        "ReducePolygon",
        [](const py::array& P) -> py::object {
            // Integer vertices (pixel outlines) keep the library's integer form and exact tests.
            if (P.dtype().kind() == 'i' || P.dtype().kind() == 'u') {
                const auto a = py::array_t<int32_t, py::array::forcecast>::ensure(P);
                if (!a || a.ndim() != 2 || a.shape(1) != 2)
                    throw py::value_error("a polygon is an array of shape (n, 2)");
                auto r = a.unchecked<2>();
                std::vector<TPoint> poly(static_cast<size_t>(a.shape(0)));
                for (py::ssize_t i = 0; i < a.shape(0); ++i)
                    poly[static_cast<size_t>(i)] = {r(i, 0), r(i, 1)};
                m2::ReducePolygon(poly);
                py::array_t<int32_t> out({static_cast<py::ssize_t>(poly.size()), py::ssize_t{2}});
                auto w = out.mutable_unchecked<2>();
                for (size_t i = 0; i < poly.size(); ++i) {
                    w(static_cast<py::ssize_t>(i), 0) = poly[i].x;
                    w(static_cast<py::ssize_t>(i), 1) = poly[i].y;
                }
                return out;
            }
            auto poly = ToPolygon(DoubleIn::ensure(P));
            m2::ReducePolygon(poly);
            return FromPolygon(poly);
        },
        py::arg("Polygon"),
        "The polygon without repeated and collinear inner vertices; an integer array gives an "
        "int32 array (the library's integer polygons), any other one doubles.");
    m.def(
        "ConvertToDiffPolygon",
        [](const DoubleIn& P, int Mode) {
            std::vector<TPointDouble> diff;
            m2::ConvertToDiffPolygon(ToPolygon(P), diff, Mode);
            return FromPolygon(diff);
        },
        py::arg("Polygon"), py::arg("Mode"));
    m.def(
        "ConvertFromDiffPolygon",
        [](double x, double y, const DoubleIn& D) {
            std::vector<TPointDouble> poly;
            m2::ConvertFromDiffPolygon({x, y}, ToPolygon(D), poly);
            return FromPolygon(poly);
        },
        py::arg("StartX"), py::arg("StartY"), py::arg("Differences"));
    m.def("SphereGreatCircleDist", &m2::SphereGreatCircleDist, py::arg("Long1"), py::arg("Lat1"),
          py::arg("Long2"), py::arg("Lat2"), py::arg("Radius"));
}
}  // namespace

void BindMath2(py::module_& m) {
    BindFilters(m);
    BindKernels(m);
    BindCurveFit(m);
    BindPolygons(m);
}

}  // namespace ozmpy
