// Scalar numeric helpers: compensated summation, selection, sorting and sorted insertion, value
// exchange, random numbers, integer and bit utilities, polynomials, table interpolation,
// elementary functions, angle normalisation, 1-2-5 rounding and axis scaling.
//
// Open-array routines take a std::span and use 0-based positions; the untyped routines take a
// pointer, an element count and a TVarKind and use 1-based positions. Errors raise
// EOZMMath1Error unless stated otherwise.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "ozm/base/types.hpp"
#include "ozm/platform/object.hpp"

namespace ozm {

// Compensated (Kahan) summation. Sum holds the compensated sum, cps the running compensation.
class TKahanSum : public TComponent {
public:
    explicit TKahanSum(TComponent* AOwner = nullptr) : TComponent(AOwner) { Reset(); }
    const char* ClassName() const override { return "TKahanSum"; }

    void Reset() noexcept { cps = 0; Sum = 0; }
    void Add(double ANumber) noexcept;

    double cps = 0;
    double Sum = 0;
};

namespace math1 {

// Number of primes in the table behind ListOfPrimes (2 .. 46337).
constexpr int kPrimeCount = 4792;

// --- selection, sorting, insertion, exchange -------------------------------------------------

// The value that would stand at index k if data[lo..hi] were sorted ascending; reorders the range
// in place. hi < lo gives 0. The caller keeps lo <= k <= hi inside the array; positions outside
// the array give 0 without touching it.
double QuickSelect(std::span<double> data, int k, int lo, int hi);

// Comb sort (shrink factor 1.3), in place. Each pass adds 1 to ProcStat and calls
// MathFeedBackProc.
void SortArray(std::span<double> data, bool ascending);
void SortArray(std::span<float> data, bool ascending);
void SortArray(std::span<int32_t> data, bool ascending);
// The same on count elements of the given kind; count < 2 or an unknown kind does nothing.
void SortArray(void* data, int count, TVarKind kind, bool ascending);

// Inserts item into the sorted array at its place, dropping the last element; returns the 0-based
// position or -1 when nothing was inserted.
int SortIntoArray(std::span<double> data, double item, bool ascending, bool allowDuplicates);
int SortIntoArray(std::span<float> data, float item, bool ascending, bool allowDuplicates);
int SortIntoArray(std::span<int32_t> data, int32_t item, bool ascending, bool allowDuplicates);
// The same on count elements of the given kind; returns the 1-based position or 0.
int SortIntoArray(void* data, int count, TVarKind kind, const void* item, bool ascending,
                  bool allowDuplicates);

// Moves data[position..High-1] one place up (the last element is lost) and stores item at
// position (0-based); a position outside the array does nothing.
void InsertIntoArray(std::span<double> data, double item, int position);
void InsertIntoArray(std::span<float> data, float item, int position);
void InsertIntoArray(std::span<int32_t> data, int32_t item, int position);
// The same on count elements; position is 1-based.
void InsertIntoArray(void* data, int count, TVarKind kind, const void* item, int position);

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
// Exchanges two memory blocks of size bytes (null blocks do nothing).
void ExChange(void* a, void* b, uint16_t size) noexcept;

// Exchanges a and b when ascending and b <= a, or descending and b > a; true when exchanged.
bool SortSwap(double& a, double& b, bool ascending) noexcept;

// --- random numbers ---------------------------------------------------------------------------

// True with probability p.
bool BRandom(double p);
// Cauchy deviate: location + scale * tan(pi * (U - 0.5)).
double CRandom(double location, double scale);
// Standard normal deviate (polar method, one value cached).
double GRandom();
// Combined congruential generator with its own state; seed 0 continues the sequence.
double LongRand(int32_t seed);

// --- integer, bit and byte utilities ----------------------------------------------------------

int Signum(double x) noexcept;
int IntPos(double x) noexcept;
int IntNeg(double x) noexcept;
bool IsPrime(int32_t n) noexcept;
int32_t ListOfPrimes(int32_t i) noexcept;
void FindPrimeFactors(int32_t n, TIntArray& factors);
void CancelFraction(int32_t& numerator, int32_t& denominator) noexcept;
long double Factorial(int32_t n);
int64_t ProductConsecInts(int32_t a, int32_t b) noexcept;
bool CheckPowerOfTwo(uint32_t n) noexcept;
uint8_t BitReversal(uint8_t b) noexcept;
uint16_t GrayCode(uint16_t w) noexcept;
int32_t DecodeBit(int32_t i) noexcept;
int32_t DecodeLong(int32_t i) noexcept;
int32_t EncodeLong(uint32_t v) noexcept;
int32_t CountBits(uint8_t b) noexcept;
double ConvertEndian(double value) noexcept;
float ConvertEndian(float value) noexcept;
uint16_t ConvertEndian(uint16_t value) noexcept;
int32_t ConvertEndian(int32_t value) noexcept;
std::string Decimal(int32_t value, uint8_t digits);

// --- evaluation, interpolation, elementary functions ------------------------------------------

double Polynomial(std::span<const double> c, int n, double x);
double CenteredPolynomial(std::span<const double> c, int n, double shift, double x);
double InterpolTable(double x, double first, double last, const TDoubleArray& table);
double InterpolTable(double x, double first, double last, const TIntArray& table);
double InterpolXYTable(double x, const TDouble2DArray& table, bool extrapolate);
double InterpolZofXYRect(double z1, double z2, double z3, double z4, double fx, double fy) noexcept;
double Squash(double x, double centre, double slope, double limit) noexcept;
double HistoBinRef(double x, double origin, double width, double& offset) noexcept;
double modr(double x, double y) noexcept;
double EuclideanDistance(double x1, double y1, double x2, double y2) noexcept;
double EuclideanDistance(const TPointDouble& p1, const TPointDouble& p2) noexcept;
// Logarithms to base 10 and 2; x <= 0 raises EMathError "logarithm: invalid argument".
double lg(double x);
double ld(double x);
double sinh(double x) noexcept;
double cosh(double x) noexcept;
double tgh(double x) noexcept;
// tg raises EMathError "tangens overflow" where cos x = 0; cot "cotangens overflow" where sin x = 0.
double tg(double x);
double cot(double x);
double CanonicalAngleRadians(double angle) noexcept;
double CanonicalAngleDegrees(double angle) noexcept;

// --- bounds and rounding ----------------------------------------------------------------------

bool WithinBounds(double x, double b1, double b2) noexcept;
bool WithinBounds(double x, double b1, double b2, double tolerance) noexcept;
double ConfineValue(double x, double b1, double b2) noexcept;
float ConfineValue(float x, float b1, float b2) noexcept;
int32_t ConfineValue(int32_t x, int32_t b1, int32_t b2) noexcept;
int64_t RoundLimit(double x, int64_t low, int64_t high) noexcept;
double Round125(double x) noexcept;
double RoundPos125(double x) noexcept;
double RoundNeg125(double x) noexcept;
void CalcScalePars(int32_t count, long double x1, long double x2, long double& first,
                   long double& step, uint16_t& minor) noexcept;

}  // namespace math1
}  // namespace ozm
