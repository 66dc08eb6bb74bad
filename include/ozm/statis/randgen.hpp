/// @file
/// TRandGen: random numbers of an arbitrary distribution given as a table. The interval
/// [LowBorder, HighBorder] is divided into Resolution equal bins; bin i (1-based) starts at
/// λ(i) = LowBorder + (i - 1)(HighBorder - LowBorder)/Resolution and holds a relative probability
/// between 0 and 1. Numbers are drawn by rejection sampling against the table, linearly
/// interpolated between the starts of neighbouring bins (the last bin falls to 0 at HighBorder),
/// with the shared generator (ozm::Random), so a run after SetRandSeed is reproducible.
#pragma once

#include <vector>

#include "ozm/platform/object.hpp"

namespace ozm {

/// Random numbers of a distribution given as a table; see the top of this header.
class TRandGen : public TComponent {
public:
    /// 500 bins, all 1.0; borders 0. Raises EOZMStatisError "Component \"<Name>\": not enough
    /// memory on heap" when the table cannot be allocated.
    explicit TRandGen(TComponent* AOwner = nullptr);
    const char* ClassName() const override { return "TRandGen"; }

    /// The lower (upper) end of the tabulated interval.
    ///@{
    double LowBorder() const noexcept { return FLowBorder; }
    double HighBorder() const noexcept { return FHighBorder; }
    ///@}
    /// Set the lower (upper) end of the tabulated interval; the bins keep their values.
    ///@{
    void SetLowBorder(double Value) noexcept { FLowBorder = Value; }
    void SetHighBorder(double Value) noexcept { FHighBorder = Value; }
    ///@}
    /// The number of bins.
    int Resolution() const noexcept { return FResolution; }
    /// Count clamped to 10..4000; every bin is reset to 1.0. Raises EOZMStatisError
    /// "Component \"<Name>\": not enough memory" (table unchanged) when it cannot be allocated.
    void SetResolution(int Count);

    /// Bin value; 0 for Idx outside 1..Resolution. Writes clamp Value to [0, 1] (NaN gives 0)
    /// and ignore other indices.
    ///@{
    double GetProbability(int Idx) const noexcept;
    void SetProbability(int Idx, double Value) noexcept;
    ///@}
    /// λ(ix); LowBorder for ix <= 0, HighBorder for ix > Resolution.
    double GetLambda(int ix) const noexcept;
    /// 0 below LowBorder, Resolution + 1 above HighBorder, else
    /// floor((Lambda - LowBorder)·Resolution/(HighBorder - LowBorder)) + 1, so HighBorder itself
    /// gives Resolution + 1. With equal borders every Lambda inside gives 1.
    int IndexOfLambda(double Lambda) const noexcept;

    /// The next random number: a bin a and a fraction r are drawn uniformly, and the candidate
    /// LowBorder + (a + r)(HighBorder - LowBorder)/Resolution is accepted with the interpolated
    /// table value as probability (always when it is 1 or more). After 100 001 rejected
    /// candidates (a table of zeros) the last candidate is returned.
    double Random();
    /// The same as Random.
    double GetRandNum() { return Random(); }

    /// Maps the table linearly onto [0, 1]; nothing when all bins are equal.
    void Normalize() noexcept;
    /// Divides every bin by the largest value; false (table unchanged) when that is not above 0.
    bool Standardize() noexcept;

    /// Table fillers: bin i gets the density at λ(i), unscaled (apply Standardize or Normalize
    /// so that the largest bin is 1). Where the density is infinite at λ(i) (a pole at the lower
    /// end, chi-square with df < 2 at 0) the bin takes the density at the middle of the bin.
    void UniformDistri() noexcept;
    /// exp(-(λ - m)²/(2 s²)), peak 1; for s <= 0 a point mass: 1 in the bin holding m, else 0.
    void NormalDistri(double m, double s) noexcept;
    /// The Weibull density with shape beta and scale eta (see statis::WeibullDensity).
    void WeibullDistri(double beta, double eta) noexcept;
    /// 0 for λ < 0.
    void Chi2Distri(double df) noexcept;
    /// 0 for λ <= 0.
    void FDistri(double df1, double df2) noexcept;
    /// Student's t density with df degrees of freedom.
    void tDistri(double df) noexcept;

private:
    template <typename Density>
    void FillFrom(Density&& f) noexcept;

    double FLowBorder = 0.0;
    double FHighBorder = 0.0;
    int FResolution = 500;
    std::vector<double> FDistVec;
};

}  // namespace ozm
