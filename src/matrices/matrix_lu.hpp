// Crout LU decomposition with implicit partial pivoting on a column-major n x n buffer, and the
// inverse from its factors; shared by Invert, LUdecomposition and Determinant.
#pragma once

#include <vector>

namespace ozm::matrix::detail {

enum class TLUStatus { Ok, ZeroRow, Singular, Aborted };

// Implicit pivoting weights: 1 / (largest |a| of each row). ZeroRow when a row holds no non-zero
// number (a row of zeros or NaN); the matrix is not changed.
TLUStatus RowScales(const double* a, int n, std::vector<double>& scale);

// Decomposes a in place column by column (Crout): the unit lower factor below the diagonal, the
// upper factor on and above it, of the row-permuted matrix. Rows are exchanged across all columns
// as the pivots are chosen (the row with the largest scaled |a(i, j)|, the last one on ties);
// perm[j] is the row exchanged with row j, sign the sign of the permutation. A pivot below 1E-100
// in magnitude (or NaN) is replaced by 1E-100 and makes the result Singular; the decomposition
// continues. With Progress, each column is one step of the progress protocol (and may give
// Aborted). scale is permuted along with the rows.
TLUStatus CroutDecompose(double* a, int n, std::vector<double>& scale, std::vector<int>& perm,
                         int& sign, bool Progress);

// out := the inverse from the factors of CroutDecompose (n x n, column-major), computed in work
// (n x n) and written to out at the end, so out may be lu itself. Each column of the identity is
// one step of the progress protocol; false on abort, with out untouched.
bool InverseFromFactors(const double* lu, int n, const std::vector<int>& perm, double* work,
                        double* out);

}  // namespace ozm::matrix::detail
