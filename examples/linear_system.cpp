// Solves a small linear system A x = b with TMatrix, then shows the inverse, the LU and Cholesky
// factors, the determinant and the norms of A.
#include <cstdio>

#include <ozm/matrix.hpp>
#include <ozm/vector.hpp>

namespace {

// Prints the matrix row by row (the cells are addressed column first, row second).
void Print(const char* title, const ozm::TMatrix& m) {
    std::printf("%s (%d x %d)\n", title, m.NrOfRows(), m.NrOfColumns());
    for (int r = 1; r <= m.NrOfRows(); ++r) {
        std::printf("  ");
        for (int c = 1; c <= m.NrOfColumns(); ++c) std::printf("%10.5f", m.GetVal(c, r));
        std::printf("\n");
    }
}

}  // namespace

int main() {
    // A symmetric positive definite system:
    //   4 x1 + 2 x2 + 2 x3 = 2
    //   2 x1 + 5 x2 + 1 x3 = 1
    //   2 x1 + 1 x2 + 6 x3 = 3
    const double rows[3][3] = {{4, 2, 2}, {2, 5, 1}, {2, 1, 6}};
    const double rhs[3] = {2, 1, 3};
    ozm::TMatrix a;
    a.Resize(3, 3);
    for (int r = 1; r <= 3; ++r)
        for (int c = 1; c <= 3; ++c) a.SetVal(c, r, rows[r - 1][c - 1]);
    ozm::TVector b;
    b.Resize(3);
    for (int i = 1; i <= 3; ++i) b.SetVal(i, rhs[i - 1]);
    Print("A", a);

    // x = A^-1 b.
    ozm::TMatrix inverse;
    inverse.Assign(&a);
    if (!inverse.Invert()) {
        std::printf("A is singular\n");
        return 1;
    }
    Print("A^-1", inverse);
    ozm::TVector x;
    inverse.Multiply(&b, &x);
    std::printf("x = (%.6f, %.6f, %.6f)\n", x.GetVal(1), x.GetVal(2), x.GetVal(3));
    ozm::TVector check;
    a.Multiply(&x, &check);
    std::printf("A x = (%.6f, %.6f, %.6f)\n", check.GetVal(1), check.GetVal(2), check.GetVal(3));

    // The factors: L U = P A, and L L^T = A for the symmetric matrix.
    ozm::TMatrix lower, upper;
    int permutationSign = 1;
    if (a.LUdecomposition(&lower, &upper, permutationSign)) {
        Print("L", lower);
        Print("U", upper);
        std::printf("sign of the row permutation: %+d\n", permutationSign);
    }
    ozm::TMatrix work, cholesky;
    work.Assign(&a);  // CholeskyDecomp keeps its factor values above the diagonal of its matrix
    if (work.CholeskyDecomp(&cholesky)) Print("Cholesky factor", cholesky);

    std::printf("det A = %.6f\n", a.Determinant());
    std::printf("norms of A: column %.4f, row %.4f, Frobenius %.4f, spectral %.4f\n",
                a.Norm(ozm::TNormType::ntColwise), a.Norm(ozm::TNormType::ntRowwise),
                a.Norm(ozm::TNormType::ntFrobenius), a.Norm(ozm::TNormType::ntSpectral));
    return 0;
}
