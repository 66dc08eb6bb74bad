/// @file
/// Scalar numeric helpers: compensated summation, selection, sorting and sorted insertion, value
/// exchange, random numbers, integer and bit utilities, polynomials, table interpolation,
/// elementary functions, angle normalisation, 1-2-5 rounding and axis scaling.
///
/// Open-array routines take a std::span and use 0-based positions; the untyped routines take a
/// pointer, an element count and a TVarKind and use 1-based positions. TVarKind selects the element
/// type: vkDouble and vkFloat64 are double, vkSingle float, vkInteger and vkInt32 int32_t; any
/// other value (a kind cast from an out-of-range integer) leaves the data alone. Untyped data must
/// be aligned for its element type; a null pointer or a count below 1 does nothing.
///
/// Errors raise EOZMMath1Error unless stated otherwise. Every routine accepts every input: NaN and
/// infinities give the documented results, never a hang or an access outside the data.
///
/// Unit state: GRandom caches one normal deviate and LongRand keeps three state words. The words
/// are drawn from ozm::Random() when the library is loaded (each Random() * 990000, rounded), and
/// the cache starts empty. The shared generator has a fixed start seed at that moment, so every
/// process begins the same LongRand sequence; pass a seed to LongRand to choose another. Both sit behind a mutex, so concurrent calls are safe, though the
/// values a thread receives then depend on the interleaving. MathFeedBackProc starts unassigned.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "ozm/base/types.hpp"
#include "ozm/platform/object.hpp"

namespace ozm {

/// Compensated (Kahan) summation: Sum holds the compensated sum, cps the running compensation
/// (the low-order part that Sum could not take). Summing n values this way has an error bound
/// independent of n, where a plain loop grows with n. Reset sets both fields to 0. No events.
class TKahanSum : public TComponent {
public:
    /// Sum and cps 0; owned by AOwner when given.
    explicit TKahanSum(TComponent* AOwner = nullptr) : TComponent(AOwner) { Reset(); }
    const char* ClassName() const override { return "TKahanSum"; }

    /// Sets Sum and cps to 0.
    void Reset() noexcept { cps = 0; Sum = 0; }
    /// y = ANumber - cps; t = Sum + y; cps = (t - Sum) - y; Sum = t. A NaN or an infinity makes
    /// Sum NaN or infinite until Reset.
    void Add(double ANumber) noexcept;

    /// The running compensation.
    double cps = 0;
    /// The compensated sum.
    double Sum = 0;
};

namespace math1 {

/// Number of primes in the table behind ListOfPrimes (2 .. 46337, the largest prime below the
/// square root of 2^31 - 1).
constexpr int kPrimeCount = 4792;

// --- selection, sorting, insertion, exchange -------------------------------------------------

/// The value that would stand at index k if data[lo..hi] were sorted ascending; reorders the range
/// in place (quickselect with the middle element as pivot), touching nothing outside it.
/// hi < lo gives 0. An all-equal range gives its value without moving anything. A range outside
/// the span, or k outside [lo, hi], gives 0 and leaves the data alone. NaN values are never moved
/// past by the comparisons; the result is then some value of the range.
double QuickSelect(std::span<double> data, int k, int lo, int hi);

/// Comb sort (gap = trunc(gap / 1.3), at least 1, until a pass with gap 1 exchanges nothing), in
/// place, ascending or descending; not stable. Every pass adds 1 to ProcStat and calls
/// MathFeedBackProc with it when assigned. NaN values stay where the comparisons leave them.
///@{
void SortArray(std::span<double> data, bool ascending);
void SortArray(std::span<float> data, bool ascending);
void SortArray(std::span<int32_t> data, bool ascending);
///@}
/// The same on count elements of the given kind; count < 2 or an unknown kind does nothing.
void SortArray(void* data, int count, TVarKind kind, bool ascending);

/// Inserts item into the already sorted array at its place, moving the elements behind it one up
/// and dropping the last: a fixed-length top-n list. Ascending: the place is the first element
/// >= item; when every element is smaller nothing is inserted. Without allowDuplicates an item
/// equal to the element at its place is not inserted. Descending mirrors this (first element
/// <= item). Returns the 0-based position, or -1 when nothing was inserted (also for an empty
/// span or a NaN item).
///@{
int SortIntoArray(std::span<double> data, double item, bool ascending, bool allowDuplicates);
int SortIntoArray(std::span<float> data, float item, bool ascending, bool allowDuplicates);
int SortIntoArray(std::span<int32_t> data, int32_t item, bool ascending, bool allowDuplicates);
///@}
/// The same on count elements; item points to one element of the same kind. Returns the 1-based
/// position or 0 (also for an unknown kind or a null pointer).
int SortIntoArray(void* data, int count, TVarKind kind, const void* item, bool ascending,
                  bool allowDuplicates);

/// Moves data[position..High-1] one place up (the last element is lost) and stores item at
/// position (0-based); a position outside the array does nothing.
///@{
void InsertIntoArray(std::span<double> data, double item, int position);
void InsertIntoArray(std::span<float> data, float item, int position);
void InsertIntoArray(std::span<int32_t> data, int32_t item, int position);
///@}
/// The same on count elements; position is 1-based, and one outside 1..count does nothing.
void InsertIntoArray(void* data, int count, TVarKind kind, const void* item, int position);

/// Exchange the contents of two variables (strings exchange their buffers).
///@{
void ExChange(int32_t& a, int32_t& b) noexcept;
void ExChange(uint32_t& a, uint32_t& b) noexcept;
void ExChange(int64_t& a, int64_t& b) noexcept;
void ExChange(uint8_t& a, uint8_t& b) noexcept;
void ExChange(uint16_t& a, uint16_t& b) noexcept;
void ExChange(bool& a, bool& b) noexcept;
void ExChange(float& a, float& b) noexcept;
void ExChange(double& a, double& b) noexcept;
void ExChange(long double& a, long double& b) noexcept;
void ExChange(char16_t& a, char16_t& b) noexcept;
void ExChange(char& a, char& b) noexcept;
void ExChange(std::string& a, std::string& b) noexcept;
///@}
/// Exchanges two memory blocks of size bytes, byte by byte (a null block does nothing).
void ExChange(void* a, void* b, uint16_t size) noexcept;

/// Exchanges a and b when ascending and b <= a, or descending and b > a; true when exchanged.
/// Equal values are therefore exchanged when ascending and left alone when descending.
bool SortSwap(double& a, double& b, bool ascending) noexcept;

// --- random numbers ---------------------------------------------------------------------------
// BRandom, CRandom and GRandom draw from ozm::Random(), so SetRandSeed makes them reproducible.

/// True with probability p: always for p >= 1 (without a draw), never for p <= 0 or NaN.
bool BRandom(double p);
/// Cauchy deviate: location + scale * tan(pi * (U - 0.5)).
double CRandom(double location, double scale);
/// Standard normal deviate by the polar method; every second call returns the cached partner of
/// the previous pair. The pair (0, 0), which the textbook test lets through and which would give
/// NaN, is drawn again.
double GRandom();
/// Combined congruential generator with its own three state words, in [0, 1). Seed 0 continues
/// the sequence; any other seed restarts it reproducibly (seeds that differ by a multiple of
/// 990923 restart the same sequence). Independent of ozm::Random() after the start-up. A state
/// word that a seed would set to 0 (and that would then stay 0) starts at 1 instead.
double LongRand(int32_t seed);

// --- integer, bit and byte utilities ----------------------------------------------------------

/// 1 for x >= 0 (zero included), -1 otherwise; NaN gives -1.
int Signum(double x) noexcept;
/// Smallest integer >= x (IntPos) and largest integer <= x (IntNeg). Results beyond the 32-bit
/// range saturate at its ends; NaN gives 0.
///@{
int IntPos(double x) noexcept;
int IntNeg(double x) noexcept;
///@}
/// True when no integer from 2 to trunc(sqrt(|n|)) divides n; so -1, 0 and 1 count as prime.
bool IsPrime(int32_t n) noexcept;
/// The i-th prime (ListOfPrimes(1) = 2, ListOfPrimes(4792) = 46337); 0 for i outside 1..4792.
int32_t ListOfPrimes(int32_t i) noexcept;
/// Replaces factors by the prime factors of n with repetition, ascending (360: 2 2 2 3 3 5);
/// n < 2 gives an empty array.
void FindPrimeFactors(int32_t n, TIntArray& factors);
/// Reduces numerator / denominator to lowest terms; the signs stay where they are (12/-18 gives
/// 2/-3). When either side is 0 or +-1 nothing changes (0/18 stays 0/18). INT_MIN is handled.
void CancelFraction(int32_t& numerator, int32_t& denominator) noexcept;
/// n! as the floating product 2 * 3 * ... * n (0! = 1! = 1), in 80-bit precision where long double
/// has it (1000! ~ 4e2567 needs its range). Raises "Factorial: negative argument" for n < 0 and
/// "Factorial: argument too big" for n > 1000.
long double Factorial(int32_t n);
/// a * (a + 1) * ... * b, the arguments taken in either order. 0 when the smaller is 0, -2 when
/// it is negative, -1 when the product would overflow 64 bits (the check is conservative: a
/// product within a factor b of the limit may report -1 although it would just fit).
int64_t ProductConsecInts(int32_t a, int32_t b) noexcept;
/// True when n has at most one bit set; 0 counts as a power of two.
bool CheckPowerOfTwo(uint32_t n) noexcept;
/// The byte with its bits in reverse order (bit 0 <-> bit 7, ...), from a table: 1 gives 128.
uint8_t BitReversal(uint8_t b) noexcept;
/// w xor (w shr 1): GrayCode(3) = 2.
uint16_t GrayCode(uint16_t w) noexcept;
/// 2^i for 0 <= i <= 7, otherwise 0.
int32_t DecodeBit(int32_t i) noexcept;
/// 2^i for 0 <= i <= 31, otherwise 0. 2^31 does not fit: DecodeLong(31) is its bit pattern,
/// INT_MIN.
int32_t DecodeLong(int32_t i) noexcept;
/// Number of trailing zero bits of v, at most 31; EncodeLong(0) = 31 (like EncodeLong(2^31)).
int32_t EncodeLong(uint32_t v) noexcept;
/// Number of set bits of b.
int32_t CountBits(uint8_t b) noexcept;
/// The value with its bytes in reverse order (8, 4, 2 and 4 bytes); a floating-point value is
/// reversed as its bit image, so the result may be a NaN or a subnormal.
///@{
double ConvertEndian(double value) noexcept;
float ConvertEndian(float value) noexcept;
uint16_t ConvertEndian(uint16_t value) noexcept;
int32_t ConvertEndian(int32_t value) noexcept;
///@}
/// Exactly digits decimal digits of |value| with leading zeros (digits 0 counts as 1; higher
/// digits that do not fit are dropped: Decimal(12345, 3) = "345"), after "-" when value < 0.
std::string Decimal(int32_t value, uint8_t digits);

// --- evaluation, interpolation, elementary functions ------------------------------------------

/// Sum of c[i] * x^i for i = 0..n, summed upwards with a running power (not Horner's scheme).
/// n < 0 or n > c.size() - 1 raises "Polynomial: invalid order of polynomial".
double Polynomial(std::span<const double> c, int n, double x);
/// Sum of c[i] * (x - shift)^i; same check and message as Polynomial.
double CenteredPolynomial(std::span<const double> c, int n, double shift, double x);
/// Linear interpolation in a table of n values at equally spaced abscissae from first (element 0)
/// to last (element n - 1); first > last is allowed (the table is then read from its end).
/// Beyond either end the line through the two end values is extended. Raises "InterpolTable:
/// pivot array must contain at least 2 values" for n < 2 and "InterpolTable: specified range of
/// pivot array is zero" for first = last. NaN in x, first or last gives NaN. The integer table is
/// interpolated in double, so large differences do not overflow.
///@{
double InterpolTable(double x, double first, double last, const TDoubleArray& table);
double InterpolTable(double x, double first, double last, const TIntArray& table);
///@}
/// Linear interpolation in a table of (x, y) rows: table[0] the abscissae, table[1] the ordinates,
/// abscissae ascending or descending (not checked). Strictly between the end abscissae the two
/// neighbouring rows are interpolated. Outside, including x equal to an end abscissa, the result
/// is 0 without extrapolate, and with it lies on the line through the two rows at that end (an
/// end abscissa gives its own ordinate). Raises "InterpolXYTable: pivot array must contain 2
/// columns" unless table.size() == 2 and "InterpolXYTable: pivot array must contain at least 2
/// rows" when the shorter column has fewer than 2 values (only rows both columns hold count).
double InterpolXYTable(double x, const TDouble2DArray& table, bool extrapolate);
/// Bilinear interpolation: z1 at (0, 0), z3 at (1, 0), z2 at (0, 1), z4 at (1, 1) in (fx, fy).
double InterpolZofXYRect(double z1, double z2, double z3, double z4, double fx, double fy) noexcept;
/// limit * tanh(slope * (x - centre) / limit), saturating at +-limit where the exponent
/// -2 * slope * (x - centre) / limit reaches 200 in magnitude. limit = 0 gives 0.
double Squash(double x, double centre, double slope, double limit) noexcept;
/// The lower edge origin + width * floor((x - origin) / width) of the bin that holds x; offset
/// receives x - edge. width = 0 gives the edge x and offset 0 (the limit for width -> 0).
double HistoBinRef(double x, double origin, double width, double& offset) noexcept;
/// y * frac(x / y): the remainder of x by y with the sign of x, computed exactly (as fmod).
/// y = 0 gives 0 (the limit for y -> 0); an infinite x or NaN gives NaN.
double modr(double x, double y) noexcept;
/// sqrt((x1 - x2)^2 + (y1 - y2)^2), without overflow or underflow of the squares.
///@{
double EuclideanDistance(double x1, double y1, double x2, double y2) noexcept;
double EuclideanDistance(const TPointDouble& p1, const TPointDouble& p2) noexcept;
///@}
/// Logarithms to base 10 and 2, exact at the powers of the base (lg(1000) = 3). x <= 0 raises
/// EMathError "logarithm: invalid argument"; NaN gives NaN.
///@{
double lg(double x);
double ld(double x);
///@}
/// Hyperbolic sine, cosine and tangent, accurate also for tiny and large arguments (where the
/// textbook forms with e^x cancel or overflow early). Call them qualified (math1::sinh): after
/// "using namespace ozm::math1" an unqualified sinh or cosh is ambiguous with the C library's.
///@{
double sinh(double x) noexcept;
double cosh(double x) noexcept;
double tgh(double x) noexcept;
///@}
/// sin x / cos x; raises EMathError "tangens overflow" where cos x = 0 (no finite double is an
/// odd multiple of pi/2, so in practice tg near pi/2 is large but finite).
double tg(double x);
/// cos x / sin x; raises EMathError "cotangens overflow" where sin x = 0 (x = 0 for one).
double cot(double x);
/// The equal angle in [-pi, pi] and in [-180, 180] (190 degrees gives -170, -540 gives -180).
/// NaN and infinities give NaN.
///@{
double CanonicalAngleRadians(double angle) noexcept;
double CanonicalAngleDegrees(double angle) noexcept;
///@}

// --- bounds and rounding ----------------------------------------------------------------------

/// min(b1, b2) <= x <= max(b1, b2), the bounds in either order; widened by tolerance on both
/// sides in the second form. NaN anywhere gives false.
///@{
bool WithinBounds(double x, double b1, double b2) noexcept;
bool WithinBounds(double x, double b1, double b2, double tolerance) noexcept;
///@}
/// x clamped into [min(b1, b2), max(b1, b2)]; a NaN x comes back as NaN.
///@{
double ConfineValue(double x, double b1, double b2) noexcept;
float ConfineValue(float x, float b1, float b2) noexcept;
int32_t ConfineValue(int32_t x, int32_t b1, int32_t b2) noexcept;
///@}
/// x rounded to the nearest integer (ties to even), then raised to low and lowered to high (so
/// high wins when low > high). x beyond the 64-bit range saturates first; NaN counts as 0.
int64_t RoundLimit(double x, int64_t low, int64_t high) noexcept;
/// The nearest value of the series 1, 2, 5 x 10^k with the sign of x: mantissas below 1.5 give 1,
/// below 3 give 2, below 8 give 5, others 10 (Round125(0.0034) = 0.005, Round125(-140) = -100).
/// RoundPos125 gives the series value next towards +infinity, never less than x (2.1 gives 5,
/// -2.1 gives -2); RoundNeg125 the next towards -infinity, never more than x (2.1 gives 2, -2.1
/// gives -5); a value of the series gives itself. 0, NaN and infinities come back unchanged; a
/// result beyond the double range is infinite.
///@{
double Round125(double x) noexcept;
double RoundPos125(double x) noexcept;
double RoundNeg125(double x) noexcept;
///@}
/// Ticks for a plot axis from x1 to x2 with about count intervals: step is +-1, 2 or 5 x 10^k
/// (the sign points from x1 to x2), chosen from range / count (mantissa up to 2 gives 1, up to 5
/// gives 2, above 5 gives 5), with minor = 5, 4 or 5 minor intervals; first is the first multiple
/// of step not before x1 by more than a thousandth of a step. count = 0 gives step 1 and minor 5
/// (range <= 10) or 1; a negative count counts by its magnitude. x1 = x2, NaN or infinite ends,
/// and ranges whose step would leave the floating-point range give first = x1, step = 0,
/// minor = 1: a caller stepping through ticks must stop on step = 0.
void CalcScalePars(int32_t count, long double x1, long double x2, long double& first,
                   long double& step, uint16_t& minor) noexcept;

}  // namespace math1
}  // namespace ozm
