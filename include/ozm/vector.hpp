/// @file
/// The unit vector: TVector, the library's one-dimensional container of doubles, and TIntVector,
/// its 32-bit integer twin. Both share TVectorCore (ozm/vector/vector_core.hpp), which documents
/// sizing, access, copying, arithmetic, sorting, statistics and the stream, ASC and list readers;
/// this header adds what differs between the two.
#pragma once

#include <cstdint>
#include <string>

#include "ozm/vector/vector_core.hpp"

namespace ozm {

class TVector;
class TIntVector;

/// Integration rules of TVector::Integrate.
enum class TIntegMethod : uint8_t { imSimple, imTrapezoidal, imSimpson };

/// The one-dimensional container of doubles, 1-based; its members are those of TVectorCore and the
/// ones below.
class TVector : public TVectorCore<double, TVector> {
public:
    /// One element holding 0, IsEmpty true (see TVectorCore); owned by AOwner when given.
    explicit TVector(TComponent* AOwner = nullptr) : TVectorCore(AOwner) {}
    const char* ClassName() const override { return "TVector"; }

    using TVectorCore::LoadFromFile;

    /// Writer of NrOfElem: Resize(NE) when NE > 0 and NE differs from the present size.
    void SetVecSize(int NE);

    /// Element := RangeLow + u (RangeHigh - RangeLow), u uniform in [0, 1) from the shared
    /// generator (Random), one draw per element in index order. IsEmpty false, OnChange.
    void FillRandomUniform(double RangeLow, double RangeHigh);
    /// Element := g StdDev + Mean, g a standard normal deviate of math1::GRandom, one per element
    /// in index order. IsEmpty false, OnChange.
    void FillRandomGauss(double Mean, double StdDev);

    /// Scales the vector to length x when its length is above 0 (OnChange); a zero vector stays
    /// unchanged without notification.
    void SetVecLeng(double x);

    /// Normalisations in place; none of them fires OnChange.
    /// Subtracts the mean (as MeanVar) from every element and returns it.
    double MeanCenter();
    /// mean and stddev (square root of MeanVar's variance) of all elements; when stddev > 0 every
    /// element becomes (x - mean) / stddev. For one or two elements the variance is 1.
    void Standardize(double& mean, double& stddev);
    /// Median := Percentile(50); QuantDiff := |Median - Percentile(RefQuant)|; when QuantDiff > 0
    /// every element becomes (x - Median) / QuantDiff.
    void QNormalize(double RefQuant, double& Median, double& QuantDiff);

    /// Frequency distribution of elements FirstElem..LastElem (used as given, not normalised;
    /// indices outside the vector read 0) into Histo, which gets
    /// NB = round(|LastBin - FirstBin| / BinWidth) + 1 bins and is cleared first. x < FirstBin is
    /// an underflow; x < LastBin + BinWidth goes into bin floor((x - FirstBin) / BinWidth) + 1
    /// (the last bin covers [LastBin, LastBin + BinWidth)); anything else, NaN included, and a
    /// value whose bin would lie beyond NB is an overflow. MaxCnt is the largest bin count.
    /// False, with nothing changed, when NB > 500, BinWidth <= 0, a bin bound is not finite or
    /// Histo is null. Histo fires OnChange when resized, when cleared and once filled.
    bool Histogram(int FirstElem, int LastElem, double FirstBin, double LastBin, double BinWidth,
                   TIntVector* Histo, int& Underflow, int& Overflow, int& MaxCnt) const;

    /// Cross-correlation sum at a shift: sum over i from max(1, ElemShift + 1) to
    /// min(NrOfElem, ElemShift + OtherVec length) of x(i) y(i - ElemShift); 0 for a null operand
    /// or when fewer than two indices overlap.
    double Correlate(const TVector* OtherVec, int ElemShift) const;

    /// Integral of the elements taken as samples at abscissae 1..NrOfElem between two real bounds
    /// (clamped to 1..NrOfElem, swapped if reversed). Partial unit intervals at the ends are
    /// trapezoids with linearly interpolated heights (trapezoidal and Simpson methods). imSimple:
    /// mean of the samples inside times the width; imTrapezoidal: trapezoids; imSimpson: Simpson,
    /// three-eighths, Boole or the extended rule with end corrections by the number of samples
    /// inside (trapezoids below three). A NaN bound gives NaN.
    double Integrate(double BoundLow, double BoundHigh, TIntegMethod Method) const;

    /// Writes the ASC format: the comment line (line ends in Comment become blanks; empty gives
    /// "Exported by OZM TVector component: " and FName), 1 column, NrOfElem rows, four FALSE
    /// flags, then one value per line with Precision decimals, right-aligned in 12 characters
    /// (negative Precision: exponential). Returns 0, or -1 when the file cannot be created;
    /// errors while writing raise EInOutError.
    int ExportAsASC(const std::string& FName, int Precision, const std::string& Comment) const;

    /// Writes the list format of elements FirstElem..LastElem (swapped if reversed, then
    /// normalised): "first last", then one value per line. Precision 0..20 gives that many
    /// decimals without padding; -1 and -2 give exponential text in 13 or 26 characters; below -2
    /// it becomes 2, above 20 it becomes 20. False when the file cannot be created or written.
    bool StoreOnFile(int FirstElem, int LastElem, int Precision, const std::string& FileName) const;

    /// With AutoDetect false: LoadFromFile(FileName, AdjustVectorSize). With true: reads a plain
    /// column of numbers without header. Every non-empty line that holds a decimal digit is one
    /// entry (its first field is the value); with AdjustVectorSize the vector takes their count.
    /// Entries go to elements 1, 2, ... up to NrOfElem; an entry that is no number is skipped
    /// (its element keeps its value). OnChange when resized and once at the end. False only when
    /// the file cannot be read.
    bool LoadFromFile(const std::string& FileName, bool AdjustVectorSize, bool AutoDetect);
};

/// The one-dimensional container of 32-bit integers, 1-based; its members are those of TVectorCore
/// and the ones below.
class TIntVector : public TVectorCore<int32_t, TIntVector> {
public:
    /// One element holding 0, IsEmpty true (see TVectorCore); owned by AOwner when given.
    explicit TIntVector(TComponent* AOwner = nullptr) : TVectorCore(AOwner) {}
    const char* ClassName() const override { return "TIntVector"; }

    /// Writer of NrOfElem: Resize(NE) when NE > 0 and NE differs from the present size.
    void SetIntVecSize(int NE);

    /// Index of the first element of the normalised range equal to value, or 0.
    int FindExact(int LowElem, int HighElem, int32_t value) const;

    /// sum over i = 1..NrOfElem of x(i) y(i + ElemShift), y outside OtherVec reading 0 (the shift
    /// runs the other way than in TVector::Correlate, and one overlapping element counts);
    /// 32-bit wrapping arithmetic; 0 for a null operand.
    int32_t Correlate(const TIntVector* OtherVec, int ElemShift) const;

    /// Integer frequency distribution of elements FirstElem..LastElem (used as given; indices
    /// outside the vector read 0) into Histo. A BinWidth <= 0 is taken as 1;
    /// NB = |LastBin - FirstBin| div BinWidth + 1 bins. x < FirstBin is an underflow;
    /// x < LastBin + BinWidth goes into bin (x - FirstBin) div BinWidth + 1; anything else, and a
    /// value whose bin would lie beyond NB, is an overflow. MaxCnt is the largest bin count. NB
    /// above 500 raises "Component \"<Name>.Histogram\": invalid number of bins". False (nothing
    /// changed) only for a null Histo. Histo fires OnChange when resized, when cleared and once
    /// filled.
    bool Histogram(int FirstElem, int LastElem, int FirstBin, int LastBin, int BinWidth,
                   TIntVector* Histo, int& Underflow, int& Overflow, int& MaxCnt) const;

    /// The ASC format with every value a decimal integer (right-aligned in 12 characters); the
    /// default comment is "Exported by OZM TIntVector component: " and FName. Returns 0, or -1
    /// when the file cannot be created; errors while writing raise EInOutError.
    int ExportAsASC(const std::string& FName, const std::string& Comment) const;

    /// The list format with decimal integers. Range: reversed bounds are exchanged, a first index
    /// below 1 becomes 1 and a last index above NrOfElem becomes NrOfElem (nothing else is
    /// clamped; an empty range writes the header alone). False when the file cannot be created
    /// or written.
    bool StoreOnFile(int FirstElem, int LastElem, const std::string& FileName) const;
};

extern template class TVectorCore<double, TVector>;
extern template class TVectorCore<int32_t, TIntVector>;

}  // namespace ozm
