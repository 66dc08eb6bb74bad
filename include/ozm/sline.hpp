/// @file
/// The unit sline: TSLine, a straight line of the plane in the general form A*x + B*y + C = 0, with
/// the usual constructions, intersection, angles, distances and clipping against a rectangle.
/// Errors raise EOZMSLineError (derived from ozm::Exception, not from EOZMError); each leaves the
/// line unchanged. The line fires no events.
#pragma once

#include "ozm/platform/exceptions.hpp"
#include "ozm/platform/object.hpp"

namespace ozm {

/// A straight line A*x + B*y + C = 0 of the plane; see the top of this header.
class TSLine : public TComponent {
public:
    /// The x axis: A = 0, B = 1, C = 0, SubstituteInf false.
    explicit TSLine(TComponent* AOwner = nullptr);
    const char* ClassName() const override { return "TSLine"; }

    /// Copies the coefficients and SubstituteInf from another TSLine (any other source raises the
    /// platform's EConvertError).
    void Assign(const TPersistent* Source) override;

    /// The coefficients A, B and C.
    ///@{
    double ParA() const noexcept { return FParA; }
    double ParB() const noexcept { return FParB; }
    double ParC() const noexcept { return FParC; }
    ///@}
    /// A and B may not both become zero: "parameter A and B must not both be zero".
    ///@{
    void SetParA(double x);
    void SetParB(double x);
    ///@}
    /// Sets C.
    void SetParC(double x) noexcept { FParC = x; }

    /// When true, CalcX and CalcY divide by 1e-100 instead of a zero coefficient, giving a huge
    /// value of the sign of the numerator instead of an error (0 for a zero numerator, and an
    /// infinity once the numerator exceeds about 1.8e208 in magnitude).
    bool SubstituteInf() const noexcept { return FSubstInf; }
    /// Sets SubstituteInf.
    void SetSubstituteInf(bool Value) noexcept { FSubstInf = Value; }

    /// Angle of the direction vector (B, -A) in [0, 2*pi): the x axis in its default orientation
    /// has direction 0, the line y = x (A = 1, B = -1) 5*pi/4.
    double Direction() const noexcept;
    /// -A/B; "slope is infinite" when B = 0.
    double Slope() const;
    /// -C/B; "cannot calculate intercept (line is parallel to y axis)" when B = 0.
    double Intercept() const;

    /// The line through two points; false and no change when they are the same point.
    bool LineFrom2Points(double P1X, double P1Y, double P2X, double P2Y) noexcept;
    /// The line through (px, py) at the angle (radians) from the x axis.
    void LineThroughPoint(double px, double py, double angle) noexcept;
    /// The line y = k*x + d.
    void LineFromSlopeIcpt(double k, double d) noexcept;
    /// The line through (px, py) parallel to, or normal to, OtherLine (which may be this line).
    ///@{
    void ParallelLine(double px, double py, const TSLine& OtherLine) noexcept;
    void NormalLine(double px, double py, const TSLine& OtherLine) noexcept;
    ///@}

    /// The crossing point with OtherLine; false (x, y untouched) for parallel or identical lines
    /// and for NaN coefficients.
    bool InterSection(const TSLine& OtherLine, double& x, double& y) const noexcept;
    /// The acute angle between the two lines, in [0, pi/2].
    double AngleBetweenLines(const TSLine& OtherLine) const noexcept;
    /// Signed distance of (px, py): positive on the side the normal vector (A, B) points to.
    double Distance(double px, double py) const noexcept;

    /// x for a given y: (-y*B - C)/A; "cannot calculate x" when A = 0 unless SubstituteInf.
    double CalcX(double y) const;
    /// y for a given x: (-x*A - C)/B; "cannot calculate y" when B = 0 unless SubstituteInf.
    double CalcY(double x) const;
    /// The form y = k*x + d; "cannot convert to k-d-form if ParB is zero" when B = 0.
    void CalcKDForm(double& k, double& d) const;

    /// The part of the line inside the rectangle with lower left corner (bllx, blly) and upper
    /// right corner (burx, bury), borders included: true when the line meets it, with its two ends
    /// in (x1, y1) and (x2, y2). The edges are tried left, right, bottom, top; a line that only
    /// touches a corner gives that corner twice, a line along an edge gives the edge's corners.
    /// Lines parallel to an axis never raise. Without a hit the outputs stay untouched.
    bool ClipBox(double bllx, double blly, double burx, double bury, double& x1, double& y1,
                 double& x2, double& y2) const noexcept;

private:
    double FParA = 0;
    double FParB = 1;
    double FParC = 0;
    bool FSubstInf = false;
};

}  // namespace ozm
