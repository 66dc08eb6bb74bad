// Number text, a complex computation and a straight line: a surveyor's bearing written and read
// back, the impedance of an RC circuit, and a sight line clipped to a map sheet.
#include <cstdio>
#include <numbers>
#include <string>

#include "ozm/complex.hpp"
#include "ozm/math1.hpp"
#include "ozm/sline.hpp"

int main() {
    using namespace ozm;

    // --- number text -------------------------------------------------------------------------
    const double bearing = 47.258361;
    std::printf("bearing          %s | %s | %s\n",
                math1::DegreeToStr(bearing, TDegreeFormat::dfDeg, 3).c_str(),
                math1::DegreeToStr(bearing, TDegreeFormat::dfDegMin, 2).c_str(),
                math1::DegreeToStr(bearing, TDegreeFormat::dfDegMinSec, 1).c_str());
    const std::string dms = math1::DegreeToStr(bearing, TDegreeFormat::dfDegMinSec, 1);
    size_t pos = 0;
    double back = 0;
    if (math1::ScanDegrees(dms, pos, back))
        std::printf("read back        %.6f (off by %.2e degrees)\n", back, back - bearing);
    std::printf("capacitance      %sF   resistance %s Ohm\n", math1::EEngStr(4.7e-9, 2).c_str(),
                math1::EEngStr(22000, 2).c_str());
    std::printf("exponential      [%s] [%s]\n", math1::strf(6.02214076e23, 12, -2).c_str(),
                math1::MakeEFormat(6.02214076e23, 12, 5).c_str());
    std::printf("image of 0.1     %s -> %.17g\n", math1::FPNumToHex(0.1).c_str(),
                math1::HexToDouble(math1::FPNumToHex(0.1)));
    std::printf("year             %s, mask %s\n", math1::Roman(2024).c_str(), math1::Hex(0xBEEF, 6).c_str());

    // --- complex numbers: impedance Z = R + 1/(i w C) of a series RC circuit at 50 Hz ---------
    const long double w = 2 * std::numbers::pi_v<long double> * 50;
    const TComplex capacitor = complex::CpxDiv(complex::COMPLEX_1, complex::Cpx(0, w * 4.7e-6L));
    const TComplex impedance = complex::CpxAdd(complex::Cpx(680, 0), capacitor);
    const TComplexPolar polar = complex::ConvertRectToPolar(impedance);
    std::printf("impedance        %.2Lf %+.2Lfi Ohm = %.2Lf Ohm at %.2Lf degrees\n", impedance.re,
                impedance.im, polar.r, polar.phi * 180 / std::numbers::pi_v<long double>);
    try {
        complex::CpxDiv(complex::COMPLEX_1, complex::COMPLEX_0);
    } catch (const EOZMComplexError& e) {
        std::printf("1/0              %s\n", e.what());
    }

    // --- a straight line: the sight line from a tower clipped to a map sheet -----------------
    TSLine sight;
    sight.LineThroughPoint(120, 80, 30 * std::numbers::pi / 180);
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    if (sight.ClipBox(0, 0, 400, 300, x1, y1, x2, y2))
        std::printf("sight line       from (%.1f, %.1f) to (%.1f, %.1f) on the sheet\n", x1, y1, x2, y2);
    TSLine road;
    road.LineFrom2Points(0, 250, 400, 50);
    double x = 0, y = 0;
    if (sight.InterSection(road, x, y))
        std::printf("meets the road   at (%.1f, %.1f), angle %.1f degrees\n", x, y,
                    road.AngleBetweenLines(sight) * 180 / std::numbers::pi);
    TPointDouble nearest;
    const double gap = math1::DistFromEllipse({x, y}, 200, 150, 60, 30, nearest);
    std::printf("lake shore       %.2f away, nearest at (%.2f, %.2f)\n", gap, nearest.x, nearest.y);
    return 0;
}
