// TSLine: a straight line in the general form A*x + B*y + C = 0.
#include "ozm/sline.hpp"

#include <cmath>
#include <numbers>

namespace ozm {

namespace {

// What CalcX and CalcY divide by instead of a zero coefficient when SubstituteInf is set.
constexpr double kSubstituteDivisor = 1e-100;

[[noreturn]] void RaiseSLineError(const char* Message) { throw EOZMSLineError(Message); }

}  // namespace

TSLine::TSLine(TComponent* AOwner) : TComponent(AOwner) {}

void TSLine::Assign(const TPersistent* Source) {
    if (const auto* other = dynamic_cast<const TSLine*>(Source)) {
        FParA = other->FParA;
        FParB = other->FParB;
        FParC = other->FParC;
        FSubstInf = other->FSubstInf;
        return;
    }
    TComponent::Assign(Source);
}

void TSLine::SetParA(double x) {
    if (x == 0 && FParB == 0) RaiseSLineError("parameter A and B must not both be zero");
    FParA = x;
}

void TSLine::SetParB(double x) {
    if (x == 0 && FParA == 0) RaiseSLineError("parameter A and B must not both be zero");
    FParB = x;
}

double TSLine::Direction() const noexcept {
    constexpr double kPi = std::numbers::pi;
    double a;
    if (FParB != 0) a = std::atan(-FParA / FParB);
    else a = FParA > 0 ? kPi / 2 : -kPi / 2;
    double direction;
    if (!(FParB > 0)) direction = a + kPi;
    else if (FParA > 0) direction = a + 2 * kPi;
    else direction = a;
    // A direction a hair below 2*pi rounds to 2*pi; the range is [0, 2*pi). Adding 0 turns the
    // -0 of the default x axis into 0.
    if (direction >= 2 * kPi) direction -= 2 * kPi;
    return direction + 0.0;
}

double TSLine::Slope() const {
    if (FParB == 0) RaiseSLineError("slope is infinite");
    return -FParA / FParB;
}

double TSLine::Intercept() const {
    if (FParB == 0) RaiseSLineError("cannot calculate intercept (line is parallel to y axis)");
    return -FParC / FParB;
}

bool TSLine::LineFrom2Points(double P1X, double P1Y, double P2X, double P2Y) noexcept {
    if (P1X == P2X && P1Y == P2Y) return false;
    FParA = P1Y - P2Y;
    FParB = P2X - P1X;
    FParC = P1X * P2Y - P2X * P1Y;
    return true;
}

void TSLine::LineThroughPoint(double px, double py, double angle) noexcept {
    FParA = -std::sin(angle);
    FParB = std::cos(angle);
    FParC = -FParA * px - FParB * py;
}

void TSLine::LineFromSlopeIcpt(double k, double d) noexcept {
    FParA = k;
    FParB = -1;
    FParC = d;
}

void TSLine::ParallelLine(double px, double py, const TSLine& OtherLine) noexcept {
    FParA = OtherLine.FParA;
    FParB = OtherLine.FParB;
    FParC = -FParA * px - FParB * py;
}

void TSLine::NormalLine(double px, double py, const TSLine& OtherLine) noexcept {
    // Read both coefficients first: OtherLine may be this line.
    const double a = -OtherLine.FParB;
    const double b = OtherLine.FParA;
    FParA = a;
    FParB = b;
    FParC = -a * px - b * py;
}

bool TSLine::InterSection(const TSLine& OtherLine, double& x, double& y) const noexcept {
    const double d = FParA * OtherLine.FParB - OtherLine.FParA * FParB;
    if (d == 0 || std::isnan(d)) return false;
    const double cx = (FParB * OtherLine.FParC - OtherLine.FParB * FParC) / d;
    const double cy = (OtherLine.FParA * FParC - FParA * OtherLine.FParC) / d;
    // A NaN offset C leaves d finite; the point is then undefined and nothing is reported.
    if (std::isnan(cx) || std::isnan(cy)) return false;
    x = cx;
    y = cy;
    return true;
}

double TSLine::AngleBetweenLines(const TSLine& OtherLine) const noexcept {
    const double n = FParA * OtherLine.FParA + FParB * OtherLine.FParB;
    if (n == 0) return std::numbers::pi / 2;
    return std::fabs(std::atan((FParA * OtherLine.FParB - OtherLine.FParA * FParB) / n));
}

double TSLine::Distance(double px, double py) const noexcept {
    return (FParA * px + FParB * py + FParC) / std::hypot(FParA, FParB);
}

double TSLine::CalcX(double y) const {
    double a = FParA;
    if (a == 0) {
        if (!FSubstInf) RaiseSLineError("cannot calculate x");
        a = kSubstituteDivisor;
    }
    return (-y * FParB - FParC) / a;
}

double TSLine::CalcY(double x) const {
    double b = FParB;
    if (b == 0) {
        if (!FSubstInf) RaiseSLineError("cannot calculate y");
        b = kSubstituteDivisor;
    }
    return (-x * FParA - FParC) / b;
}

void TSLine::CalcKDForm(double& k, double& d) const {
    if (FParB == 0) RaiseSLineError("cannot convert to k-d-form if ParB is zero");
    k = -FParA / FParB;
    d = -FParC / FParB;
}

bool TSLine::ClipBox(double bllx, double blly, double burx, double bury, double& x1, double& y1,
                     double& x2, double& y2) const noexcept {
    // Each edge is intersected exactly. A line parallel to an edge pair is skipped there rather
    // than divided by a substitute: a substitute quotient is only "huge" relative to 1 and would
    // pass for a hit on a rectangle of large coordinates. Such a line still meets the other pair.
    double hx[2] = {0, 0}, hy[2] = {0, 0};
    int hits = 0;
    // The same corner reached through its second edge (up to rounding) is no second end point.
    const double tolerance = 1e-12 * (std::fabs(burx - bllx) + std::fabs(bury - blly));
    const auto add = [&](double x, double y) {
        if (hits == 2) return;
        if (hits == 1 && std::fabs(x - hx[0]) <= tolerance && std::fabs(y - hy[0]) <= tolerance) return;
        hx[hits] = x;
        hy[hits] = y;
        ++hits;
    };
    if (FParB != 0) {
        const double yLeft = (-bllx * FParA - FParC) / FParB;
        if (blly <= yLeft && yLeft <= bury) add(bllx, yLeft);
        const double yRight = (-burx * FParA - FParC) / FParB;
        if (blly <= yRight && yRight <= bury) add(burx, yRight);
    }
    if (FParA != 0) {
        const double xBottom = (-blly * FParB - FParC) / FParA;
        if (bllx <= xBottom && xBottom <= burx) add(xBottom, blly);
        const double xTop = (-bury * FParB - FParC) / FParA;
        if (bllx <= xTop && xTop <= burx) add(xTop, bury);
    }
    if (hits == 0) return false;
    x1 = hx[0];
    y1 = hy[0];
    x2 = hx[hits - 1];
    y2 = hy[hits - 1];
    return true;
}

}  // namespace ozm
