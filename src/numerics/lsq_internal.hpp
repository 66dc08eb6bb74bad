// Helpers shared by the least squares, principal component and regression routines of math2.
#pragma once

#include <cstddef>
#include <new>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "ozm/matrix.hpp"
#include "ozm/vector.hpp"

namespace ozm::math2::detail {

// Runs Body and turns exhausted memory (std::bad_alloc, or a size beyond what a container can
// hold) into EOZMMath2Error "<Routine>: not enough memory".
template <typename F>
decltype(auto) GuardMemory(const char* Routine, F&& Body) {
    try {
        return Body();
    } catch (const std::bad_alloc&) {
        throw EOZMMath2Error(std::string(Routine) + ": not enough memory");
    } catch (const std::length_error&) {
        throw EOZMMath2Error(std::string(Routine) + ": not enough memory");
    }
}

// The thin singular value decomposition of the column-major m x n buffer A (destroyed):
// r = min(m, n), U (m x r), W (r, descending), V (n x r), all column-major. False when a value did
// not converge or the abort flag stopped it (outputs then undefined).
bool ThinSVD(std::vector<double>& A, int m, int n, std::vector<double>& U, std::vector<double>& W,
             std::vector<double>& V);

// Resizes Vec to Values.size() elements (at least 1) and stores the values as SetVal does.
void StoreVector(TVector& Vec, std::span<const double> Values);

// Resizes Mat to Cols x Rows, copies the column-major Cells into it and fires OnChange once.
void StoreMatrix(TMatrix& Mat, int Cols, int Rows, std::span<const double> Cells);

// The normalised rectangle of Mat copied column by column into a work buffer.
std::vector<double> GatherColumns(const TMatrix& Mat, int LowCol, int HighCol, int LowRow,
                                  int HighRow);

// True when every value is finite.
bool AllFinite(std::span<const double> Values) noexcept;

// The rotation kernels of CalcEigVec: how many this processor can run (1: baseline only, 2: also
// AVX2), and forcing one (0 baseline, 1 AVX2 when available, anything else the best), for tests.
int JacobiKernelCount() noexcept;
void SetJacobiKernel(int Kernel) noexcept;

}  // namespace ozm::math2::detail
