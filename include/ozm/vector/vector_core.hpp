/// @file
/// The behaviour TVector and TIntVector share, written once over the cell type: sizing and element
/// access, fills, copying, element-wise arithmetic, searching, the comb sort, extremes, the
/// descriptive statistics, the stream layout and the ASC and list readers. TSelf is the concrete
/// vector class (TVector or TIntVector), so that operands and sources have the caller's type.
///
/// Conventions of every member:
/// - Elements are 1-based. A range (LowElem, HighElem) is normalised by MakeValidElemRange unless a
///   routine says otherwise: (0, 0) is the whole vector, bounds are clamped to 1..NrOfElem and
///   reversed bounds swapped. Single out-of-range indices read 0 and ignore writes.
/// - OnChange fires once after every operation that modifies elements, except where a routine says
///   otherwise; routines built on SetVal fire it once per element and then once more.
/// - Errors are EOZMVectorError with the component messages "Component \"<Name>\"..."; a failed
///   allocation leaves the vector at its previous size.
/// - NaN elements never crash a routine; order statistics place NaN after every number.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "ozm/frame.hpp"
#include "ozm/platform/stream.hpp"

namespace ozm {

/// What differs between the cell types beyond their arithmetic.
template <typename TCell>
struct TVectorCellTraits;

/// The cell type double: the start values of the MinMax scan.
template <>
struct TVectorCellTraits<double> {
    /// Start values of the MinMax scan; they come back unchanged when no element beats them.
    static constexpr double kMinMaxStartMin = 1.7E308;
    /// Start value of the maximum.
    static constexpr double kMinMaxStartMax = -1.7E308;
};

/// The cell type int32_t: the start values of the MinMax scan.
template <>
struct TVectorCellTraits<int32_t> {
    /// The maximum deliberately starts at -2147483647, not at the smallest integer, so a range
    /// holding only -2147483648 reports Maximum -2147483647 with index 0.
    static constexpr int32_t kMinMaxStartMin = 2147483647;
    /// Start value of the maximum.
    static constexpr int32_t kMinMaxStartMax = -2147483647;
};

namespace vecimpl {
struct TTextReaders;  // the text readers under the file API, fed from files or memory
}

/// The behaviour TVector and TIntVector share, over the element type TCell; TSelf is the concrete
/// class. The conventions of its members are stated at the top of this header.
template <typename TCell, typename TSelf>
class TVectorCore : public TOZMContainer {
    friend struct vecimpl::TTextReaders;

public:
    /// The element type.
    using TCellType = TCell;
    /// A plain array of elements.
    using TCellArray = std::vector<TCell>;

    /// One element holding 0, IsEmpty true. Raises "Component \"<Name>\": not enough memory on
    /// heap" when even that cannot be allocated.
    explicit TVectorCore(TComponent* AOwner = nullptr);

    // --- size and element access ---------------------------------------------------------------

    /// Number of elements, always at least 1.
    int NrOfElem() const noexcept { return FNElem; }
    /// True after creation and Clear; false after SetVal, Fill, the random fills and loads.
    bool IsEmpty() const noexcept { return FIsEmpty; }

    /// Sets the number of elements to NE, keeping the elements that still fit; new elements are 0.
    /// NE equal to the present size: true, nothing else (no OnChange). NE <= 0: false, unchanged.
    /// Raises "Component \"<Name>\": not enough memory" (size unchanged) when the storage cannot
    /// be obtained, including requests beyond the machine's physical memory.
    bool Resize(int NE);

    /// Element Elem, or 0 outside 1..NrOfElem.
    TCell GetVal(int Elem) const noexcept {
        return (Elem >= 1 && Elem <= FNElem) ? FVec[static_cast<size_t>(Elem - 1)] : TCell(0);
    }
    /// Stores Value at Elem, clears IsEmpty and fires OnChange; out of range: ignored, no event.
    void SetVal(int Elem, TCell Value);

    /// Direct access to the contiguous storage (element k at position k - 1), for callers that
    /// fill many elements at once; call CellsWritten() afterwards.
    ///@{
    std::span<TCell> Cells() noexcept { return {FVec.data(), FVec.size()}; }
    /// Read-only access to the storage.
    std::span<const TCell> Cells() const noexcept { return {FVec.data(), FVec.size()}; }
    ///@}
    /// Ends a write through Cells(): IsEmpty becomes false and OnChange fires once.
    void CellsWritten();

    /// Normalises an element range in place (see the conventions above).
    void MakeValidElemRange(int& LowElem, int& HighElem) const noexcept;

    /// Fingerprint of the elements: one CRC-32 lane per byte of the cell type, 8 hexadecimal
    /// digits per lane (64 characters for doubles, 32 for integers).
    std::string CRCofData() const;

    /// All elements 0, IsEmpty true, OnChange.
    void Clear();
    /// All elements := value, IsEmpty false, OnChange.
    void Fill(TCell value);

    // --- copying -----------------------------------------------------------------------------

    /// From a vector of the same class: size, elements, IsEmpty and both event handlers, without
    /// OnChange. Another class raises EConvertError "Cannot assign a <class> to a <class>".
    void Assign(const TPersistent* Source) override;
    /// Copies this vector into Dest of the same class; another class raises EConvertError.
    void AssignTo(TPersistent* Dest) const override;

    /// Data-only copy: Resize to the source's length, every element through SetVal, then OnChange
    /// once more. Handlers are not copied. A null source does nothing.
    void Clone(const TSelf* VecSource);

    /// Copies source elements SourceElemLo..SourceElemHi (clamped to the source; (0, 0) becomes
    /// (1, 1) here) through SetVal to DestElem, DestElem + 1, ...; positions beyond this vector
    /// are dropped, the vector is not resized. OnChange once at the end. Null source: nothing.
    void CopyFrom(const TSelf* VecSource, int SourceElemLo, int SourceElemHi, int DestElem);

    /// DestArray := elements LowElem..HighElem (normalised), 0-based.
    void CopyToArray(TCellArray& DestArray, int LowElem, int HighElem) const;
    /// SrcArray[k] goes to element Elem + k through SetVal; positions outside the vector are
    /// dropped; no notification beyond the per-element ones.
    void CopyFromArray(std::span<const TCell> SrcArray, int Elem);

    // --- arithmetic (in place) -----------------------------------------------------------------
    // Integer vectors compute in 32-bit two's complement: results beyond the range wrap.

    /// Element-wise this + other / this - other, OnChange. Null: nothing. Different lengths raise
    /// "Component \"<Name>\": vectors have different dimensions".
    void Add(const TSelf* OtherVec);
    /// The same, subtracting.
    void Subtract(const TSelf* OtherVec);
    /// Every element times scalar, OnChange.
    void SMult(TCell scalar);
    /// Every element replaced by its absolute value, OnChange.
    void AbsVal();
    /// Sum of products in index order. Null: 0. Different lengths raise the dimensions error.
    TCell DotProduct(const TSelf* OtherVec) const;
    /// sqrt(sum (this - other)^2). Different lengths (or a null operand) raise
    /// "EuclideanDistance: dimensions of vectors do not match".
    double EuclideanDistance(const TSelf* OtherVec) const;
    /// sqrt(sum x^2) over all elements.
    double CalcVecLeng() const;

    // --- searching and ordering ----------------------------------------------------------------

    /// Index of the element of the range closest to value; the lowest index wins ties.
    int Find(int LowElem, int HighElem, TCell value) const;
    /// Bisection on a vector sorted in the stated direction: the index of an element equal to
    /// Value, else of the nearer of the two bracketing elements (ties go to the higher index).
    int FindInSortedVector(bool Ascending, TCell Value) const;

    /// Comb sort (shrink factor 1.3) of RangeFirst..RangeLast; (0, 0) is the whole vector, other
    /// bounds are swapped if reversed and clamped. Every exchange is reported through
    /// OnSortExchange (kind 0, the two indices, 0, 0); OnChange once at the end. A range of one
    /// element returns at once without events. Equal elements are never exchanged; NaN elements
    /// are never exchanged either, so the sort always ends.
    void SortElems(bool Ascending, int RangeFirst, int RangeLast);
    /// Reverses the order of all elements, OnChange.
    void Mirror();
    /// Reseeds the shared generator from the clock, then permutes the elements uniformly at
    /// random. No OnChange.
    void ShuffleElems();

    /// Smallest and largest value of the range and their indices (first occurrence wins). The
    /// scan starts from TVectorCellTraits' start values and indices 0, so values that never beat
    /// them (NaN, or beyond 1.7E308 for doubles) leave them unchanged.
    ///@{
    void MinMax(int LowElem, int HighElem, TCell& Minimum, TCell& Maximum) const;
    /// The same, also giving the indices of the extremes.
    void MinMax(int LowElem, int HighElem, TCell& Minimum, TCell& Maximum, int& MinIx,
                int& MaxIx) const;
    ///@}

    // --- statistics (read-only, no events) -----------------------------------------------------

    /// Sum of the range in index order.
    TCell Sum(int LowElem, int HighElem) const;
    /// Mean = sum x / n; Variance = (sum x^2 - (sum x)^2 / n) / (n - 1) for n >= 3, evaluated on
    /// deviations from the mean for accuracy, and 1 for n of 1 or 2.
    void MeanVar(int LowElem, int HighElem, double& Mean, double& Variance) const;
    /// exp(sum ln x / n); 0 when an element is 0. A negative element raises
    /// "Component \"<Name>\": negative argument passed to GeometricMean".
    double GeometricMean(int LowElem, int HighElem) const;
    /// n / sum(1 / x). An element <= 0 raises
    /// "Component \"<Name>\": negative or zero argument passed to HarmonicMean".
    double HarmonicMean(int LowElem, int HighElem) const;
    /// The most frequent value; between runs of equal length the smallest value wins.
    double Mode(int LowElem, int HighElem) const;
    /// Quartiles by the (n + 1)p rule held to the first and last element pairs ([1, 2, 3, 4]
    /// gives 1.25, 2.5, 3.75): a position below the first pair gives the first sorted element,
    /// one beyond the last pair the last element ([10, 20] gives 10, 15, 20). n = 1 gives the
    /// element three times. Always true.
    bool Quartiles(int LowElem, int HighElem, double& Q1, double& Q2, double& Q3) const;
    /// Percentile for prob in percent (clamped to 0..100), interpolated linearly between order
    /// statistics at 1 + (n - 1) prob / 100 ([1, 2, 3, 4]: 25 -> 1.75, 50 -> 2.5).
    /// Work copies that cannot be allocated raise "Component \"<Name>\": not enough memory on heap".
    double Percentile(double prob, int LowElem, int HighElem) const;
    /// Skewness (sum d^3 / n) / s^3 and excess kurtosis (sum d^4 / n) / s^4 - 3, s the sample
    /// standard deviation; both 0 for fewer than 4 elements or s = 0.
    void SkewKurt(int LowElem, int HighElem, double& Skewness, double& Kurtosis) const;
    /// The same corrected for sample size; both 0 for fewer than 4 elements.
    void SkewKurtSample(int LowElem, int HighElem, double& Skewness, double& Kurtosis) const;
    /// Pearson correlation of this vector with OtherVec; 0 for a null operand, different lengths,
    /// fewer than 2 elements, or a zero sum of squares or spread.
    double PearsonCorrCoeff(const TSelf* OtherVec) const;
    /// True when the vector holds at most two distinct values: v1 the first element, v2 the first
    /// element that differs from it (or v1). Fewer than 2 elements: false, v1 = v2 = 0.
    bool IsDichotomous(TCell& v1, TCell& v2) const;

    // --- streams and files ---------------------------------------------------------------------

    /// Writes the stream layout at the current position: first index, last index, then the
    /// elements, each as a 10-byte extended real. The range is normalised.
    void SaveToStream(TStream& OutStream, int LowElem, int HighElem) const;
    /// The same; a null OutStream receives a new TMemoryStream, which the caller owns.
    void SaveToStream(TMemoryStream*& OutStream, int LowElem, int HighElem) const;
    /// The same on an existing file stream; null does nothing.
    void SaveToStream(TFileStream* OutStream, int LowElem, int HighElem) const;

    /// Reads the stream layout. The first and last index are read (rounded); a failed read, an
    /// index range that starts below 1 or is reversed, or one announcing more elements than the
    /// stream still holds gives false with the vector unchanged. With AdjustVectorSize the vector
    /// is resized to the last index, which must not exceed max(2^20, elements the stream still
    /// holds) (false, unchanged); if it is then shorter than that index: false, nothing read.
    /// Otherwise each element is stored through SetVal; an element that cannot be read (or does
    /// not fit an integer vector) keeps its value and makes the result false. OnChange fires at
    /// the end whenever the header was accepted. A null stream gives false.
    ///@{
    bool LoadFromStream(TStream& InStream, bool AdjustVectorSize);
    /// From a memory stream; null gives false.
    bool LoadFromStream(TMemoryStream* InStream, bool AdjustVectorSize);
    /// From a file stream; null gives false.
    bool LoadFromStream(TFileStream* InStream, bool AdjustVectorSize);
    ///@}

    /// Reads a single-column ASC file into the vector and returns 0 or an error code: -8 the file
    /// does not exist, -7 more than one column, -5 a row attribute is no number, -6 a value is no
    /// number (integer vectors: or outside the 32-bit range; values are rounded, ties to even),
    /// or a negative result of ReadHeaderOfASC. "NAN" and "###" read as 0. Comment receives the
    /// header's comment line. Header errors leave the vector unchanged. Otherwise the vector takes
    /// the row count, or, when reading stopped at row k, k elements (element k keeps its previous
    /// value or 0); OnChange fires once. Fields after the value and ";" comments are ignored.
    int ImportASC(const std::string& FName, std::string& Comment);

    /// Reads the list format: a line "first last", then one value per line. With
    /// AdjustVectorSize the vector is resized to the last index. False when the file cannot be
    /// opened, the header is not two integers, entries start below index 1, the file is too small
    /// to hold the announced entries (a file of S bytes holds at most S / 2), the last index to
    /// adjust to exceeds max(2^20, S / 2), the vector is shorter than the last index (nothing
    /// read), or the file ends before the last entry. A reversed range ("5 3", as an integer
    /// vector writes an empty range) announces no entries. An entry that is no number is skipped
    /// (its element keeps its value). Entries are stored through SetVal; OnChange fires at the
    /// end once the header was accepted (a refused header changes nothing and fires nothing).
    /// Integer vectors round each value (ties to even).
    bool LoadFromFile(const std::string& FileName, bool AdjustVectorSize);

protected:
    /// @cond
    /// The storage request size in bytes is checked against the machine before allocating.
    void ResizeStorage(int NE);
    /// Stores without events (loads, which notify once at the end).
    void AdoptCells(TCellArray&& Cells);

    int FNElem = 1;
    bool FIsEmpty = true;
    TCellArray FVec;
/// @endcond
};

}  // namespace ozm
