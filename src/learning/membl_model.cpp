// TMemBasedLearner: model table, settings, column statistics, the neighbour search and what is
// built on it (CalcDist, the neighbour lists of the model objects, the contingency table).
#include <algorithm>
#include <cmath>
#include <limits>
#include <atomic>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define OZM_MEMBL_HAVE_AVX2 1
#else
#define OZM_MEMBL_HAVE_AVX2 0
#endif

#include "ozm/base/constants.hpp"
#include "ozm/membl.hpp"
#include "ozm/platform/component_error.hpp"
#include "ozm/platform/exceptions.hpp"
#include "ozm/platform/rounding.hpp"
#include "learning/membl_internal.hpp"

namespace ozm {

namespace membl {

TMBLxmlTags MBLxmlTagOf(std::string_view TagText) noexcept {
    size_t start = 0;
    while (start < TagText.size() && (TagText[start] == ' ' || TagText[start] == '\t' ||
                                      TagText[start] == '\r' || TagText[start] == '\n'))
        ++start;
    size_t end = start;
    while (end < TagText.size() && TagText[end] != ' ' && TagText[end] != '\t' &&
           TagText[end] != '\r' && TagText[end] != '\n' && TagText[end] != '/')
        ++end;
    const std::string_view name = TagText.substr(start, end - start);
    for (size_t i = 0; i < MBLxmlTags.size(); ++i)
        if (name == MBLxmlTags[i]) return static_cast<TMBLxmlTags>(i);
    return TMBLxmlTags::xmlInvalid;
}

}  // namespace membl

namespace {

constexpr int kNb = membl::kMaxNeighbours;
// Rows whose distances are taken together before they are counted and inserted.
constexpr int kSearchBlock = 256;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The distances of the m rows starting at Data (column j of them at Data + j * Stride) to the
// p-entry Query into acc: the sum over the columns in column order, then the square root
// (Euclidean) or not (Manhattan). The vector forms sum 8 (SSE2) or 16 (AVX2) rows in registers
// over all columns, so partial sums are not stored and reloaded once per column; all forms sum
// in the same order without fused operations, and square roots are correctly rounded, so they
// give the same bits.
void BlockDistancesTail(const double* Data, size_t Stride, const double* Query, size_t p, int i,
                        int m, bool Manhattan, double* acc) noexcept {
    for (; i < m; ++i) {
        double a = 0.0;
        const double* col = Data + i;
        for (size_t j = 0; j < p; ++j, col += Stride) {
            const double d = Query[j] - *col;
            a += Manhattan ? std::fabs(d) : d * d;
        }
        acc[i] = Manhattan ? a : std::sqrt(a);
    }
}

void BlockDistancesPortable(const double* Data, size_t Stride, const double* Query, size_t p,
                            int m, bool Manhattan, double* acc) noexcept {
    BlockDistancesTail(Data, Stride, Query, p, 0, m, Manhattan, acc);
}

#if defined(__SSE2__)
void BlockDistancesSSE2(const double* Data, size_t Stride, const double* Query, size_t p, int m,
                        bool Manhattan, double* acc) noexcept {
    int i = 0;
    const __m128d sign = _mm_set1_pd(-0.0);
    for (; i + 8 <= m; i += 8) {
        __m128d a0 = _mm_setzero_pd(), a1 = a0, a2 = a0, a3 = a0;
        const double* col = Data + i;
        for (size_t j = 0; j < p; ++j, col += Stride) {
            const __m128d u = _mm_set1_pd(Query[j]);
            __m128d d0 = _mm_sub_pd(u, _mm_loadu_pd(col));
            __m128d d1 = _mm_sub_pd(u, _mm_loadu_pd(col + 2));
            __m128d d2 = _mm_sub_pd(u, _mm_loadu_pd(col + 4));
            __m128d d3 = _mm_sub_pd(u, _mm_loadu_pd(col + 6));
            if (Manhattan) {
                d0 = _mm_andnot_pd(sign, d0);
                d1 = _mm_andnot_pd(sign, d1);
                d2 = _mm_andnot_pd(sign, d2);
                d3 = _mm_andnot_pd(sign, d3);
            } else {
                d0 = _mm_mul_pd(d0, d0);
                d1 = _mm_mul_pd(d1, d1);
                d2 = _mm_mul_pd(d2, d2);
                d3 = _mm_mul_pd(d3, d3);
            }
            a0 = _mm_add_pd(a0, d0);
            a1 = _mm_add_pd(a1, d1);
            a2 = _mm_add_pd(a2, d2);
            a3 = _mm_add_pd(a3, d3);
        }
        if (!Manhattan) {
            a0 = _mm_sqrt_pd(a0);
            a1 = _mm_sqrt_pd(a1);
            a2 = _mm_sqrt_pd(a2);
            a3 = _mm_sqrt_pd(a3);
        }
        _mm_storeu_pd(acc + i, a0);
        _mm_storeu_pd(acc + i + 2, a1);
        _mm_storeu_pd(acc + i + 4, a2);
        _mm_storeu_pd(acc + i + 6, a3);
    }
    BlockDistancesTail(Data, Stride, Query, p, i, m, Manhattan, acc);
}
#endif

#if OZM_MEMBL_HAVE_AVX2
// Only "avx2": without "fma" the compiler cannot fuse the products into the sums.
__attribute__((target("avx2"))) void BlockDistancesAVX2(const double* Data, size_t Stride,
                                                        const double* Query, size_t p, int m,
                                                        bool Manhattan, double* acc) noexcept {
    int i = 0;
    const __m256d sign = _mm256_set1_pd(-0.0);
    for (; i + 16 <= m; i += 16) {
        __m256d a0 = _mm256_setzero_pd(), a1 = a0, a2 = a0, a3 = a0;
        const double* col = Data + i;
        for (size_t j = 0; j < p; ++j, col += Stride) {
            const __m256d u = _mm256_set1_pd(Query[j]);
            __m256d d0 = _mm256_sub_pd(u, _mm256_loadu_pd(col));
            __m256d d1 = _mm256_sub_pd(u, _mm256_loadu_pd(col + 4));
            __m256d d2 = _mm256_sub_pd(u, _mm256_loadu_pd(col + 8));
            __m256d d3 = _mm256_sub_pd(u, _mm256_loadu_pd(col + 12));
            if (Manhattan) {
                d0 = _mm256_andnot_pd(sign, d0);
                d1 = _mm256_andnot_pd(sign, d1);
                d2 = _mm256_andnot_pd(sign, d2);
                d3 = _mm256_andnot_pd(sign, d3);
            } else {
                d0 = _mm256_mul_pd(d0, d0);
                d1 = _mm256_mul_pd(d1, d1);
                d2 = _mm256_mul_pd(d2, d2);
                d3 = _mm256_mul_pd(d3, d3);
            }
            a0 = _mm256_add_pd(a0, d0);
            a1 = _mm256_add_pd(a1, d1);
            a2 = _mm256_add_pd(a2, d2);
            a3 = _mm256_add_pd(a3, d3);
        }
        if (!Manhattan) {
            a0 = _mm256_sqrt_pd(a0);
            a1 = _mm256_sqrt_pd(a1);
            a2 = _mm256_sqrt_pd(a2);
            a3 = _mm256_sqrt_pd(a3);
        }
        _mm256_storeu_pd(acc + i, a0);
        _mm256_storeu_pd(acc + i + 4, a1);
        _mm256_storeu_pd(acc + i + 8, a2);
        _mm256_storeu_pd(acc + i + 12, a3);
    }
    BlockDistancesTail(Data, Stride, Query, p, i, m, Manhattan, acc);
}
#endif

using TBlockDistances = void (*)(const double*, size_t, const double*, size_t, int, bool,
                                 double*) noexcept;

bool CpuHasAvx2() noexcept {
#if OZM_MEMBL_HAVE_AVX2
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
#else
    return false;
#endif
}

TBlockDistances KernelFunction(membl::detail::TSearchKernel Kernel) noexcept {
    switch (Kernel) {
#if OZM_MEMBL_HAVE_AVX2
        case membl::detail::TSearchKernel::AVX2:
            return CpuHasAvx2() ? BlockDistancesAVX2 : nullptr;
#endif
#if defined(__SSE2__)
        case membl::detail::TSearchKernel::SSE2:
            return BlockDistancesSSE2;
#endif
        case membl::detail::TSearchKernel::Portable:
            return BlockDistancesPortable;
        default:
            return nullptr;
    }
}

membl::detail::TSearchKernel BestKernel() noexcept {
    using membl::detail::TSearchKernel;
    for (TSearchKernel k : {TSearchKernel::AVX2, TSearchKernel::SSE2})
        if (KernelFunction(k) != nullptr) return k;
    return TSearchKernel::Portable;
}

std::atomic<membl::detail::TSearchKernel> gKernel{BestKernel()};
std::atomic<TBlockDistances> gBlockDistances{KernelFunction(BestKernel())};

// Adds the finite entries of acc[0..m) (distances: >= 0, infinite or NaN) to the shifted sums
// s1 (x - shift), s2 ((x - shift)^2) and their count, two lanes at a time.
void AddMoments(const double* acc, int m, double shift, double (&s1)[2], double (&s2)[2],
                double (&count)[2]) noexcept {
    int i = 0;
#if defined(__SSE2__)
    __m128d v1 = _mm_loadu_pd(s1), v2 = _mm_loadu_pd(s2), vc = _mm_loadu_pd(count);
    const __m128d sh = _mm_set1_pd(shift), big = _mm_set1_pd(uc_MaxDouble), one = _mm_set1_pd(1.0);
    for (; i + 2 <= m; i += 2) {
        const __m128d d = _mm_loadu_pd(acc + i);
        const __m128d finite = _mm_cmple_pd(d, big);
        const __m128d t = _mm_and_pd(finite, _mm_sub_pd(d, sh));
        v1 = _mm_add_pd(v1, t);
        v2 = _mm_add_pd(v2, _mm_mul_pd(t, t));
        vc = _mm_add_pd(vc, _mm_and_pd(finite, one));
    }
    _mm_storeu_pd(s1, v1);
    _mm_storeu_pd(s2, v2);
    _mm_storeu_pd(count, vc);
#endif
    for (; i < m; ++i)
        if (acc[i] <= uc_MaxDouble) {
            const double t = acc[i] - shift;
            s1[0] += t;
            s2[0] += t * t;
            count[0] += 1.0;
        }
}

bool IsCategoricalScale(TMScaleType t) noexcept {
    return t == TMScaleType::stNominal || t == TMScaleType::stOrdinal;
}

}  // namespace

namespace membl::detail {

TSearchKernel SearchKernel() noexcept { return gKernel.load(); }

bool SetSearchKernel(TSearchKernel Kernel) noexcept {
    const TBlockDistances f = KernelFunction(Kernel);
    if (f == nullptr) return false;
    gBlockDistances.store(f);
    gKernel.store(Kernel);
    return true;
}

}  // namespace membl::detail

TMemBasedLearner::TMemBasedLearner(TComponent* AOwner)
    : TComponent(AOwner), FNbRows(kNb, 0), FNbDist(kNb, uc_MaxDouble) {
    FModelData = new TDataTable(nullptr);
    FModelData->OnChange = [this](TObject* Sender) { DataTableChanged(Sender); };
    // A resize of the table fires only OnResize; the neighbour lists and statistics go with it.
    FModelData->OnResize = [this](TObject* Sender, int, int, int, int) { DataTableChanged(Sender); };
    FModelData->OnPercentDone = [this](TObject* Sender, int Percent) {
        ForwardPercentDone(Sender, Percent);
    };
}

TMemBasedLearner::~TMemBasedLearner() {
    FModelData->OnChange = nullptr;
    FModelData->OnResize = nullptr;
    FModelData->OnPercentDone = nullptr;
    delete FModelData;
}

void TMemBasedLearner::RaiseNoMemory() const { RaiseComponentError<EOZMError>(*this, kMsgNoMemoryOnHeap); }

void TMemBasedLearner::ForwardPercentDone(TObject*, int Percent) {
    if (OnPercentDone) OnPercentDone(this, Percent);
}

void TMemBasedLearner::SetNumNearestNb(int k) noexcept {
    k = std::min(k, FModelData->NrOfRows());
    k = std::min(k, kNb);
    FNumNearestNb = std::max(k, 1);
}

TMBLVarType TMemBasedLearner::GetVarType(int ix) const noexcept {
    if (ix < 1 || ix > FModelData->NrOfColumns()) return TMBLVarType::mblVarIgnore;
    const int32_t a = FModelData->GetColAttrib(ix);
    if (a == 1) return TMBLVarType::mblVarIndep;
    if (a == 2) return TMBLVarType::mblVarTarget;
    return TMBLVarType::mblVarIgnore;
}

void TMemBasedLearner::SetVarType(int ix, TMBLVarType Value) {
    if (ix < 1 || ix > FModelData->NrOfColumns()) return;
    FModelData->SetColAttrib(ix, static_cast<int32_t>(static_cast<uint8_t>(Value) & 0x7F));
}

void TMemBasedLearner::SetAllVars(TMBLVarType VarType) {
    FModelData->SetColAttributes(static_cast<int32_t>(static_cast<uint8_t>(VarType) & 0x7F));
}

int TMemBasedLearner::CountIndependentVars() const noexcept {
    int n = 0;
    for (int c = 1; c <= FModelData->NrOfColumns(); ++c) n += FModelData->GetColAttrib(c) == 1;
    return n;
}

int TMemBasedLearner::CountTargetVars() const noexcept {
    int n = 0;
    for (int c = 1; c <= FModelData->NrOfColumns(); ++c) n += FModelData->GetColAttrib(c) == 2;
    return n;
}

void TMemBasedLearner::DataTableChanged(TObject*) {
    FStatsValid = false;
    FSearchValid = false;
    FNNList.clear();
    FNNDist.clear();
    FNNObjects = 0;
}

const TMatrix& TMemBasedLearner::MeanVarRange() {
    RefreshStatistics();
    return FMeanVarRange;
}

void TMemBasedLearner::RefreshStatistics() {
    const int cols = FModelData->NrOfColumns();
    const int rows = FModelData->NrOfRows();
    if (FStatsValid && FStatCols == cols && FStatRows == rows) return;
    try {
        FMeanVarRange.Resize(cols, 4);
    } catch (const EOZMMatrixError&) {
        RaiseNoMemory();
    }
    const TMatrix& data = *FModelData->NumericData();
    double* out = FMeanVarRange.Data();
    for (int c = 1; c <= cols; ++c) {
        double mean = 0.0, var = 0.0;
        data.MeanVar(c, 1, c, rows, mean, var);
        double lo = 0.0, hi = 0.0;
        if (rows > 0) {
            const double* x = data.Data() + static_cast<size_t>(c - 1) * static_cast<size_t>(rows);
            lo = hi = x[0];
            for (int r = 1; r < rows; ++r) {
                lo = std::min(lo, x[r]);
                hi = std::max(hi, x[r]);
            }
        }
        double* cell = out + static_cast<size_t>(c - 1) * 4;
        cell[0] = mean;
        cell[1] = var;
        cell[2] = lo;
        cell[3] = hi;
    }
    FStatCols = cols;
    FStatRows = rows;
    FStatsValid = true;
    // Only a standardised search copy is built on the statistics.
    if (FSearchScaling == TMBLScalingMode::mblStandardized) FSearchValid = false;
}

void TMemBasedLearner::RefreshSearchData() {
    const int cols = FModelData->NrOfColumns();
    const int rows = FModelData->NrOfRows();
    const bool standardized = FScalingMode == TMBLScalingMode::mblStandardized;
    if (standardized) RefreshStatistics();
    // The copy depends on the roles and scale types, which change without OnChange.
    bool same = FSearchValid && FSearchRows == rows && FSearchScaling == FScalingMode;
    size_t n_indep = 0;
    for (int c = 1; c <= cols; ++c) {
        if (FModelData->GetColAttrib(c) != 1) continue;
        const bool cat = IsCategoricalScale(FModelData->GetMScaleType(c));
        if (same && (n_indep >= FIndepCols.size() || FIndepCols[n_indep] != c ||
                     (FIndepCategorical[n_indep] != 0) != cat))
            same = false;
        ++n_indep;
    }
    if (same && n_indep == FIndepCols.size()) return;

    try {
        FIndepCols.clear();
        FIndepCategorical.clear();
        for (int c = 1; c <= cols; ++c) {
            if (FModelData->GetColAttrib(c) != 1) continue;
            FIndepCols.push_back(c);
            FIndepCategorical.push_back(IsCategoricalScale(FModelData->GetMScaleType(c)) ? 1 : 0);
        }
        const size_t p = FIndepCols.size();
        FSearchData.assign(p * static_cast<size_t>(rows), 0.0);
        FCentre.assign(p, 0.0);
        FScale.assign(p, 1.0);
        FQuery.assign(p, 0.0);
    } catch (const std::bad_alloc&) {
        FSearchValid = false;
        RaiseNoMemory();
    } catch (const std::length_error&) {
        FSearchValid = false;
        RaiseNoMemory();
    }
    const size_t p = FIndepCols.size();
    for (size_t j = 0; j < p; ++j) {
        const int c = FIndepCols[j];
        if (standardized) {
            const double mean = FMeanVarRange.GetVal(c, 1);
            const double var = FMeanVarRange.GetVal(c, 2);
            FCentre[j] = mean;
            FScale[j] = var > 0.0 ? std::sqrt(var) : 1.0;
        }
        double* dst = FSearchData.data() + j * static_cast<size_t>(rows);
        const double centre = FCentre[j], scale = FScale[j];
        for (int r = 1; r <= rows; ++r) dst[r - 1] = (FModelData->GetElem(c, r) - centre) / scale;
    }
    FSearchRows = rows;
    FSearchScaling = FScalingMode;
    FSearchValid = true;
}

void TMemBasedLearner::PrepareQuery(const double* Sensor) {
    for (size_t j = 0; j < FIndepCols.size(); ++j)
        FQuery[j] = (Sensor[FIndepCols[j] - 1] - FCentre[j]) / FScale[j];
}

double TMemBasedLearner::SearchNeighbours(int Exclude) {
    const int n = FSearchRows;
    const size_t p = FIndepCols.size();
    const bool manhattan = FDistMode == TMBLDistMode::mblDistManhattan;
    double* nd = FNbDist.data();
    int32_t* nr = FNbRows.data();
    std::fill(nd, nd + kNb, uc_MaxDouble);
    std::fill(nr, nr + kNb, 0);
    double worst = uc_MaxDouble;  // the distance in the last place: a candidate must not exceed it

    // Moments of the finite distances, shifted by the first one against cancellation, in two
    // lanes.
    double shift = 0.0;
    bool have_shift = false;
    double s1[2] = {0.0, 0.0}, s2[2] = {0.0, 0.0}, count[2] = {0.0, 0.0};

    double acc[kSearchBlock];
    const double* query = FQuery.data();
    const TBlockDistances block_distances = gBlockDistances.load(std::memory_order_relaxed);
    for (int r0 = 0; r0 < n; r0 += kSearchBlock) {
        const int m = std::min(kSearchBlock, n - r0);
        if (p == 0)
            std::fill(acc, acc + m, 0.0);  // no independent column: every object at distance 0
        else
            block_distances(FSearchData.data() + r0, static_cast<size_t>(n), query, p, m,
                            manhattan, acc);
        // The row left out takes part in nothing: a NaN is neither counted nor inserted.
        if (Exclude > r0 && Exclude <= r0 + m) acc[Exclude - r0 - 1] = kNaN;
        for (int i = 0; !have_shift && i < m; ++i)
            if (acc[i] <= uc_MaxDouble) {
                shift = acc[i];
                have_shift = true;
            }
        AddMoments(acc, m, shift, s1, s2, count);
        for (int i = 0; i < m; ++i) {
            const double d = acc[i];
            // Not better than the last place (or NaN): the sorted insertion would drop it.
            if (!(d <= worst)) continue;
            // The first place whose distance is >= d, so that a later row goes before earlier
            // rows at the same distance.
            int pos = kNb - 1;
            while (pos > 0 && nd[pos - 1] >= d) {
                nd[pos] = nd[pos - 1];
                nr[pos] = nr[pos - 1];
                --pos;
            }
            nd[pos] = d;
            nr[pos] = r0 + i + 1;
            worst = nd[kNb - 1];
        }
    }
    const double c = count[0] + count[1];
    if (c < 2) return kNaN;
    const double t1 = s1[0] + s1[1], t2 = s2[0] + s2[1];
    return std::sqrt(std::max(0.0, (t2 - t1 * t1 / c) / (c - 1.0)));
}

double TMemBasedLearner::CalcDist(const TDoubleArray& Sensor, int obj) {
    const int cols = FModelData->NrOfColumns();
    if (Sensor.size() != static_cast<size_t>(cols) || obj < 1 || obj > FModelData->NrOfRows())
        return -1.0;
    RefreshSearchData();
    PrepareQuery(Sensor.data());
    const size_t n = static_cast<size_t>(FSearchRows);
    double acc = 0.0;
    for (size_t j = 0; j < FIndepCols.size(); ++j) {
        const double v = FSearchData[j * n + static_cast<size_t>(obj - 1)];
        if (FDistMode == TMBLDistMode::mblDistManhattan) {
            acc += std::fabs(FQuery[j] - v);
        } else {
            const double d = FQuery[j] - v;
            acc += d * d;
        }
    }
    return FDistMode == TMBLDistMode::mblDistManhattan ? acc : std::sqrt(acc);
}

void TMemBasedLearner::CalcNNOfModelData() {
    RefreshSearchData();
    const int n = FSearchRows;
    const size_t total = static_cast<size_t>(n) * kNb;
    std::vector<int32_t> list;
    std::vector<double> dist;
    try {
        list.resize(total);
        dist.resize(total);
    } catch (const std::bad_alloc&) {
        RaiseNoMemory();
    } catch (const std::length_error&) {
        RaiseNoMemory();
    }
    const size_t p = FIndepCols.size();
    int reported = -1;
    for (int r = 1; r <= n; ++r) {
        for (size_t j = 0; j < p; ++j)
            FQuery[j] = FSearchData[j * static_cast<size_t>(n) + static_cast<size_t>(r - 1)];
        SearchNeighbours(0);
        const size_t base = static_cast<size_t>(r - 1) * kNb;
        std::copy(FNbRows.begin(), FNbRows.end(), list.begin() + static_cast<std::ptrdiff_t>(base));
        std::copy(FNbDist.begin(), FNbDist.end(), dist.begin() + static_cast<std::ptrdiff_t>(base));
        const int percent = static_cast<int>(int64_t{100} * r / n);
        if (percent != reported && OnPercentDone) {
            reported = percent;
            OnPercentDone(this, percent);
        }
    }
    FNNList = std::move(list);
    FNNDist = std::move(dist);
    FNNObjects = n;
}

int TMemBasedLearner::GetkNNofModelData(int k, int obj) const noexcept {
    if (k < 1 || k > kNb || obj < 1 || obj > FNNObjects) return -1;
    return FNNList[static_cast<size_t>(obj - 1) * kNb + static_cast<size_t>(k - 1)];
}

double TMemBasedLearner::GetkNNDistofModelData(int k, int obj) const noexcept {
    if (k < 1 || k > kNb || obj < 1 || obj > FNNObjects) return -1.0;
    return FNNDist[static_cast<size_t>(obj - 1) * kNb + static_cast<size_t>(k - 1)];
}

int TMemBasedLearner::CalcContingencyTable(int VarIx, int NumNb, TInt2DArray& ContTab) {
    TDataTable& t = *FModelData;
    if (VarIx < 1 || VarIx > t.NrOfColumns()) return membl::kContTabBadColumn;
    if (!IsCategoricalScale(t.GetMScaleType(VarIx))) return membl::kContTabNotCategorical;
    const int rows = t.NrOfRows();
    double lo = 0.0, hi = 0.0;
    t.MinMaxOfValidCells(VarIx, 1, VarIx, rows, lo, hi);
    const int64_t min_cat = Round(lo);
    const int64_t max_cat = Round(hi);
    if (min_cat <= 0) return membl::kContTabBadMinimum;
    const int64_t p = max_cat - min_cat + 1;
    if (p > 100 || p < 2) return membl::kContTabBadCount;

    CalcNNOfModelData();
    const int others = std::clamp(NumNb, 0, kNb - 1);
    const size_t np = static_cast<size_t>(p);
    TInt2DArray tab(np + 1, TIntArray(np + 1, 0));
    // The category of a row as a table index, or -1 for a cell that is no valid number.
    auto category = [&](int r) -> int64_t {
        if (r < 1 || !t.GetIsNumber(VarIx, r)) return -1;
        const int64_t cat = Round(t.GetElem(VarIx, r)) - min_cat;
        return cat >= 0 && cat < p ? cat : -1;
    };
    for (int r = 1; r <= rows; ++r) {
        const int64_t a = category(r);
        if (a < 0) continue;
        // The nearest other rows: the row itself is skipped wherever the tie rule put it.
        int taken = 0;
        for (int k = 1; k <= kNb && taken < others; ++k) {
            const int nb = GetkNNofModelData(k, r);
            if (nb == r) continue;
            if (nb <= 0) break;
            ++taken;
            const int64_t b = category(nb);
            if (b >= 0) ++tab[static_cast<size_t>(a)][static_cast<size_t>(b)];
        }
    }
    for (size_t i = 0; i < np; ++i)
        for (size_t j = 0; j < np; ++j) {
            tab[np][j] += tab[i][j];
            tab[i][np] += tab[i][j];
            tab[np][np] += tab[i][j];
        }
    ContTab = std::move(tab);
    return membl::kContTabOk;
}

void TMemBasedLearner::TakeSettings(const TMemBasedLearner& From) {
    FModelName = From.FModelName;
    FComment = From.FComment;
    FNumNearestNb = std::clamp(From.FNumNearestNb, 1, kNb);
    FLocModel = From.FLocModel;
    FDistMode = From.FDistMode;
    FScalingMode = From.FScalingMode;
}

}  // namespace ozm
