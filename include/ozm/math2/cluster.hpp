/// @file
/// Clustering of the rows (objects) of a TMatrix whose columns are variables: k-means partitioning,
/// hierarchical agglomerative clustering with six linkage rules, and the mean distance of each
/// object to its nearest neighbours.
///
/// Progress and abort: k-means adds 1 to ProcStat per pass and stops when AbortMathProc is set
/// (it does not clear the flag); AgglomClustering clears the flag at its start, adds 1 per merge
/// step and stops when the flag is set meanwhile. Errors raise EOZMMath2Error.
#pragma once

#include <array>
#include <functional>
#include <string_view>

#include "ozm/matrix.hpp"
#include "ozm/vector.hpp"

namespace ozm::math2 {

// --- k-means -------------------------------------------------------------------------------------

/// Partitions the n rows of DataMat into k clusters by Lloyd's iteration (squared Euclidean
/// distance). The two integers after DataMat are accepted for compatibility and not used.
///
/// Centers is resized to (columns x k) and ClustIx to n when their sizes differ; ClustSize (second
/// overload) to k. Start centres: with Seed > 0 the shared generator is seeded with it and centre c
/// is a copy of a randomly drawn object (draws may repeat); otherwise centre c is object c.
///
/// Each pass assigns every object to the centre at the smallest squared distance (the first such
/// centre on ties; an object whose distances are all NaN goes to centre 1) and then, when any
/// assignment changed, recomputes every centre as the mean of its objects (a centre without
/// objects becomes 0). The first pass always counts as a change: the incoming content of ClustIx
/// is the caller's, not an assignment to these centres, so it cannot end the iteration early and
/// the centres returned are always the means of their clusters. The loop ends when a pass changes
/// nothing, when AbortMathProc is set or after the 1001st pass.
///
/// Result: the total within-cluster sum of squared distances. The clusters are renumbered by
/// decreasing size, the centre rows move along; clusters of equal size come in the order that
/// TIntMatrix::SortRows (a comb sort, not stable) gives the rows (size, old number) sorted
/// descending by size. On abort: 0, the outputs resized but otherwise untouched. Raises
/// "kMeansClustering: number of clusters is greater than number of objects" (k > n) and
/// "kMeansClustering: number of clusters must be at least 1" (k < 1) before any work, and
/// "kMeansClustering: max. number of iterations exceeded" after the outputs are complete when
/// more than 1000 passes were needed.
///@{
double kMeansClustering(const TMatrix& DataMat, int Unused1, int Unused2, int k, TMatrix& Centers,
                        TIntVector& ClustIx);
double kMeansClustering(const TMatrix& DataMat, int Unused1, int Unused2, int k, int Seed,
                        TMatrix& Centers, TIntVector& ClustIx, TIntVector& ClustSize);
///@}

/// An empirical estimate of the number of k-means passes:
/// round(0.18232 sqrt(a b) - 108 - 0.00092427 a - 0.00017557 a c + 0.38775 sqrt(a c)), at least
/// 20 (ties of the rounding go to even; negative products count as 0 under the roots; results
/// beyond the int range saturate).
int kMeansEstimatedSteps(int a, int b, int c) noexcept;

/// The k-means centres of the rows FirstRow..LastRow of DataMat (range rule: (0, 0) is all rows,
/// bounds clamped and put in order): kMeansClustering without seed on those rows, so the start
/// centres are the first k rows of the range. Centers receives the centres (columns x k, rows by
/// decreasing cluster size) and WithinSS the total within-cluster sum of squares. Nothing is
/// written anywhere else. Raises as kMeansClustering, with "FindCenters" as the routine name.
void FindCenters(const TMatrix& DataMat, int FirstRow, int LastRow, int k, TMatrix& Centers,
                 double& WithinSS);

/// For every object i of the rows First..Last (range rule: (0, 0) is all rows, bounds clamped into
/// 1..rows and put in order), MeanDist(i) := the mean Euclidean distance from i to its k nearest
/// objects of the range, i itself included (distance 0), so k = 1 gives 0. k is clamped into
/// 1..50 and to the number of objects in the range. MeanDist is not resized: elements beyond it
/// are dropped. Distances involving NaN rank behind every number; an object with fewer than k
/// distances that are numbers gets NaN.
void MeanDistanceKNN(const TMatrix& DataMat, int k, int First, int Last, TVector& MeanDist);

// --- agglomerative clustering ------------------------------------------------------------------

/// The linkage rule that AgglomClustering uses to merge two clusters.
enum class TClusterMethod : uint8_t {
    cmSingleLink, cmCompleteLink, cmWard, cmAvgLink, cmFlexLink, cmUpgma
};

/// The name of each TClusterMethod, in the order of the enumeration.
inline constexpr std::array<std::string_view, 6> ClusterMethodID = {
    "single linkage", "complete linkage", "Ward's method",
    "average linkage", "flexible strategy", "unweighted pair group"};

/// Feedback of AgglomClustering: (Sender, percent done, ProcStat).
using TClusterFeedback = std::function<void(TObject* Sender, double PercentDone, double Stat)>;
/// Caller-supplied distance between objects i and j (rows of the data matrix), as the matrix's
/// own OnCalcDistance event; Distance arrives preset to 0.
using TCalcDistFunc = TOnCalcDistanceEvent;

/// Hierarchical agglomerative clustering of the rows of DataMat, as AgglomClusteringSteps below
/// describes, with the dendrogram as an integer matrix: Dendrogram is resized to 3 x (n - 1) when
/// its size differs, and row s holds (first identifier, second identifier, n + s); after an abort
/// every cell is 0. A sparse Dendrogram stays sparse (its cells written through SetVal). With
/// fewer than 2 objects Dendrogram and MergeDist are left as they are. Result 0, or -1 after an
/// abort.
int AgglomClustering(TObject* Sender, TMatrix& DataMat, TDistMode Mode, TClusterMethod Method,
                     double FlexParam, TIntMatrix& Dendrogram, TVector& MergeDist,
                     TVector& Positions, const TClusterFeedback& Feedback = {},
                     const TCalcDistFunc& CalcDist = {});

/// The dendrogram as AgglomClusteringSteps produces it: row s (0-based) holds the two identifiers
/// joined and the new identifier n + s + 1.
struct TMergeStep {
    /// Identifier of the first cluster joined.
    int First = 0;
    /// Identifier of the second cluster joined.
    int Second = 0;
    /// Identifier of the new cluster, n + s + 1.
    int NewId = 0;
};

/// Hierarchical agglomerative clustering of the n rows of DataMat, the dendrogram given as plain
/// merge steps (Dendro resized to n - 1).
///
/// The n x n distance matrix comes from DataMat.CalcDistMat(Mode); for the duration of that call
/// DataMat's OnCalcDistance is replaced by CalcDist (restored afterwards, also on errors). The
/// flexibility parameter is clamped into 0.5..1 (NaN counts as 0.5). Objects have the identifiers
/// 1..n; merge step s joins the closest active pair of slots g < h (the lexicographically first
/// pair among equal distances, scanning g then h ascending; pairs at NaN or infinite distance are
/// taken only when no other pair remains, then the first such pair), records (identifier of g,
/// identifier of h, n + s) and the distance in MergeDist(s); slot h takes the new cluster with
/// identifier n + s, slot g is retired. The first identifier of a step is the one of the lower
/// slot, so it may be the larger number (objects 0, 1, 10 with single linkage give (1, 2, 4) and
/// (4, 3, 5)).
///
/// Distances to the merged cluster (Lance-Williams form, d_gh the distance of the pair merged):
/// @verbatim
///   single   min(d_gi, d_hi)                  complete   max(d_gi, d_hi)
///   Ward     ((n_g + n_i) d_gi + (n_h + n_i) d_hi - n_i d_gh) / (n_g + n_h + n_i)
///   average  (d_gi + d_hi) / 2 (WPGMA)        flexible   a (d_gi + d_hi) + (1 - 2a) d_gh
///   UPGMA    (n_g d_gi + n_h d_hi) / (n_g + n_h)
/// @endverbatim
/// Ward's rule is the classical method (the increase of the within-cluster sum of squares, times
/// 2) only on squared Euclidean distances: use dmSqrEuclidean; the square roots of its merge
/// distances are then the heights other packages report for Ward on Euclidean distances. On plain
/// Euclidean distances it is a different, non-classical method.
///
/// Positions (resized to 2n - 1) holds the plotting position of every identifier: the leaves in
/// the order obtained by expanding the last merge (second child in place, first child right
/// behind it) get 1..n, every cluster the mean of its two children's positions.
///
/// Feedback (when given) is called with (Sender, 0, ProcStat) before the work and with
/// (Sender, 100 s / n, ProcStat) at each step after ProcStat grew by 1. AbortMathProc is cleared
/// at the start and tested before each step. Result 0, or -1 after an abort (MergeDist and
/// Positions all 0, every step (0, 0, 0)). Fewer than 2 objects: no steps, result 0, MergeDist
/// untouched (Positions holds 1 for a single object). Raises EOZMMath2Error
/// "AgglomClustering: not enough memory" when the n x n distances cannot be held.
int AgglomClusteringSteps(TObject* Sender, TMatrix& DataMat, TDistMode Mode,
                          TClusterMethod Method, double FlexParam, std::vector<TMergeStep>& Dendro,
                          TVector& MergeDist, TVector& Positions, const TClusterFeedback& Feedback,
                          const TCalcDistFunc& CalcDist);

}  // namespace ozm::math2
