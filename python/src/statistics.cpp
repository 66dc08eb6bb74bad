// The unit statis (special functions, distributions, critical values) and the numerical
// routines of math2 that build on matrices: singular value decomposition and least squares,
// covariance and principal components, multiple linear regression. The distributions accept
// numpy arrays and broadcast like numpy's ufuncs.
#include "common.hpp"
#include "ozm/math2/lsq.hpp"
#include "ozm/math2/pca.hpp"
#include "ozm/math2/regression.hpp"
#include "ozm/statis.hpp"

namespace ozmpy {

namespace {
using namespace ozm;
namespace st = ozm::statis;
namespace m2 = ozm::math2;

void BindSpecial(py::module_& m) {
    py::enum_<st::TSignifLevel>(m, "TSignifLevel")
        .value("Dot20", st::TSignifLevel::Dot20)
        .value("Dot15", st::TSignifLevel::Dot15)
        .value("Dot10", st::TSignifLevel::Dot10)
        .value("Dot05", st::TSignifLevel::Dot05)
        .value("Dot01", st::TSignifLevel::Dot01);
    py::enum_<st::TSignifLevelEx>(m, "TSignifLevelEx")
        .value("Dot001", st::TSignifLevelEx::Dot001)
        .value("Dot002", st::TSignifLevelEx::Dot002)
        .value("Dot005", st::TSignifLevelEx::Dot005)
        .value("Dot010", st::TSignifLevelEx::Dot010)
        .value("Dot020", st::TSignifLevelEx::Dot020)
        .value("Dot050", st::TSignifLevelEx::Dot050)
        .value("Dot100", st::TSignifLevelEx::Dot100)
        .value("Dot200", st::TSignifLevelEx::Dot200)
        .value("Dot500", st::TSignifLevelEx::Dot500);

    // Lambdas: py::vectorize wants plain callables, not noexcept function pointers.
    m.def("LnGamma", py::vectorize([](double x) { return st::LnGamma(x); }), py::arg("x"));
    m.def("IncompleteGamma", py::vectorize([](double x, double a) { return st::IncompleteGamma(x, a); }),
          py::arg("x"), py::arg("a"));
    m.def("IncompleteBeta",
          py::vectorize([](double x, double a, double b) { return st::IncompleteBeta(x, a, b); }),
          py::arg("x"), py::arg("a"), py::arg("b"));
    m.def("LnBeta", py::vectorize([](double a, double b) { return st::LnBeta(a, b); }), py::arg("a"),
          py::arg("b"));
    m.def("Erf", py::vectorize([](double x) { return st::Erf(x); }), py::arg("x"));
    m.def("nDistriDensity", py::vectorize([](double x) { return st::nDistriDensity(x); }), py::arg("x"));
    m.def("nDistriIntegral", py::vectorize([](double x) { return st::nDistriIntegral(x); }), py::arg("x"));
    m.def("nDistriQuantile", py::vectorize([](double p) { return st::nDistriQuantile(p); }), py::arg("p"));
    m.def("BinomCoeff", &st::BinomCoeff, py::arg("n"), py::arg("k"));
    m.def("LnBinomCoeff", &st::LnBinomCoeff, py::arg("n"), py::arg("k"));
    m.def("HyperGeoDistriDensity", &st::HyperGeoDistriDensity, py::arg("p"), py::arg("npop"),
          py::arg("nsample"), py::arg("k"));
    m.def("WeibullDensity",
          py::vectorize([](double x, double beta, double eta) { return st::WeibullDensity(x, beta, eta); }),
          py::arg("x"), py::arg("beta"), py::arg("eta"));
    m.def("FisherTransform", &st::FisherTransform, py::arg("r"));
    m.def("FisherTransformInv", &st::FisherTransformInv, py::arg("z"));
    m.def("ConfidenceInterval", &st::ConfidenceInterval, py::arg("alpha"), py::arg("stddev"), py::arg("n"));
}

void BindDistributions(py::module_& m) {
    m.def("Chi2DistriDensity", py::vectorize([](double x, double df) { return st::Chi2DistriDensity(x, df); }),
          py::arg("x"), py::arg("df"));
    m.def("chi2DistriIntegral", py::vectorize([](double x, double df) { return st::chi2DistriIntegral(x, df); }),
          py::arg("x"), py::arg("df"));
    m.def("chi2DistriQuantile", py::vectorize([](double p, double df) { return st::chi2DistriQuantile(p, df); }),
          py::arg("p"), py::arg("df"));
    m.def("FDistriDensity",
          py::vectorize([](double x, double d1, double d2) { return st::FDistriDensity(x, d1, d2); }),
          py::arg("x"), py::arg("df1"), py::arg("df2"));
    m.def("FDistriIntegral",
          py::vectorize([](double x, double d1, double d2) { return st::FDistriIntegral(x, d1, d2); }),
          py::arg("x"), py::arg("df1"), py::arg("df2"));
    m.def("FDistriQuantile",
          py::vectorize([](double p, double d1, double d2) { return st::FDistriQuantile(p, d1, d2); }),
          py::arg("p"), py::arg("df1"), py::arg("df2"));
    m.def("tDistriDensity", py::vectorize([](double t, double df) { return st::tDistriDensity(t, df); }),
          py::arg("t"), py::arg("df"));
    m.def("tDistriIntegral", py::vectorize([](double t, double df) { return st::tDistriIntegral(t, df); }),
          py::arg("t"), py::arg("df"));
    m.def("tDistriQuantile", py::vectorize([](double p, double df) { return st::tDistriQuantile(p, df); }),
          py::arg("p"), py::arg("df"));
    m.def("BinomDistriDensity",
          py::vectorize([](double p, int32_t n, int32_t k) { return st::BinomDistriDensity(p, n, k); }),
          py::arg("p"), py::arg("n"), py::arg("k"));
    m.def("BinomDistriIntegral",
          py::vectorize([](double p, int32_t n, int32_t k) { return st::BinomDistriIntegral(p, n, k); }),
          py::arg("p"), py::arg("n"), py::arg("k"));
    m.def("BinomDistriQuantile", &st::BinomDistriQuantile, py::arg("p"), py::arg("n"), py::arg("prob"));
    m.def("UDistriIsExact", &st::UDistriIsExact, py::arg("n1"), py::arg("n2"));
    m.def("UDistriDensity", &st::UDistriDensity, py::arg("u"), py::arg("n1"), py::arg("n2"));
    m.def("UDistriIntegral", &st::UDistriIntegral, py::arg("u"), py::arg("n1"), py::arg("n2"));
    m.def("UDistriQuantile", &st::UDistriQuantile, py::arg("p"), py::arg("n1"), py::arg("n2"));
    m.def("ShapiroWilkIntegral", &st::ShapiroWilkIntegral, py::arg("w"), py::arg("n"));
}

void BindCritical(py::module_& m) {
    m.def("KSPValue", py::vectorize([](int32_t n, double d) { return st::KSPValue(n, d); }),
          py::arg("n"), py::arg("d"));
    m.def("KolmogSmir1SampleTestStat", &st::KolmogSmir1SampleTestStat, py::arg("n"), py::arg("level"));
    m.def("KSQuantile", &st::KSQuantile, py::arg("n"), py::arg("level"));
    m.def("LillieforsPValue", &st::LillieforsPValue, py::arg("n"), py::arg("d"));
    m.def("LillieforsQuantile", &st::LillieforsQuantile, py::arg("n"), py::arg("alpha"));
    m.def("WilcoxonSRQuantile", &st::WilcoxonSRQuantile, py::arg("n"), py::arg("alpha"), py::arg("TwoSided"));
    m.def("DeanDixonCriticalValues", &st::DeanDixonCriticalValues, py::arg("n"), py::arg("level"));
    m.def("GrubbsCriticalValues", &st::GrubbsCriticalValues, py::arg("n"), py::arg("alpha"),
          py::arg("TwoSided"));
    m.def(
        "DurbinWatsonCrit5pct",
        [](int32_t n, int32_t k) {
            double dL = 0, dU = 0;
            const bool ok = st::DurbinWatsonCrit5pct(n, k, dL, dU);
            return py::make_tuple(ok, dL, dU);
        },
        py::arg("n"), py::arg("k"), "(ok, dL, dU).");
}

void BindLeastSquares(py::module_& m) {
    m.def(
        "SingValDecomp",
        [](const TMatrix& A, TMatrix& U, TVector& W, TMatrix& V) {
            RequireNoViews(&U, "TMatrix");
            RequireNoViews(&W, "TVector");
            RequireNoViews(&V, "TMatrix");
            return RunWithoutGIL([&] { return m2::SingValDecomp(A, U, W, V); });
        },
        py::arg("A"), py::arg("U"), py::arg("W"), py::arg("V"),
        "Thin SVD A = U diag(W) V^T into the given containers.");
    m.def(
        "SolveLeastSquaresSVD",
        [](TMatrix& A, const TVector& b, TVector& x, TVector& sd) {
            RequireNoViews(&A, "TMatrix");
            RequireNoViews(&x, "TVector");
            RequireNoViews(&sd, "TVector");
            bool nearSingular = false;
            const bool ok =
                RunWithoutGIL([&] { return m2::SolveLeastSquaresSVD(A, b, x, nearSingular, sd); });
            return py::make_tuple(ok, nearSingular);
        },
        py::arg("A"), py::arg("b"), py::arg("x"), py::arg("sd"),
        "Minimises |A x - b|; A holds U afterwards. Returns (ok, NearSingular).");
    m.def(
        "PseudoInverse",
        [](const TMatrix& In, TMatrix& Out, double Threshold) {
            RequireNoViews(&Out, "TMatrix");
            return RunWithoutGIL([&] { return m2::PseudoInverse(In, Out, Threshold); });
        },
        py::arg("InMat"), py::arg("OutMat"), py::arg("Threshold"));

    m.attr("kCovarCrossProducts") = m2::kCovarCrossProducts;
    m.attr("kCovarCovariance") = m2::kCovarCovariance;
    m.attr("kCovarCorrelation") = m2::kCovarCorrelation;
    m.attr("kCovarSqrCorrelation") = m2::kCovarSqrCorrelation;
    m.attr("kCovarMeanSqrDiff") = m2::kCovarMeanSqrDiff;
    m.def(
        "CalcCovar",
        [](const TMatrix& In, TMatrix& Out, int LowCol, int HighCol, int LowRow, int HighRow, int Mode) {
            return RunWithoutGIL([&] { return m2::CalcCovar(In, Out, LowCol, HighCol, LowRow, HighRow, Mode); });
        },
        py::arg("InMat"), py::arg("OutMat"), py::arg("LowCol"), py::arg("HighCol"), py::arg("LowRow"),
        py::arg("HighRow"), py::arg("Mode"));
    m.def("CalcEigVec", [](TMatrix& Mat) { return RunWithoutGIL([&] { return m2::CalcEigVec(Mat); }); },
          py::arg("Mat"));
    m.def("GetEigenResult", &m2::GetEigenResult, py::arg("k"), py::arg("j"));
    m.def("GetEigenSize", &m2::GetEigenSize);
    m.def("RemoveEigenMatrix", &m2::RemoveEigenMatrix);
    m.def(
        "CalcPrincComp",
        [](const TMatrix& Data, int LowCol, int HighCol, int LowRow, int HighRow, int Mode, bool Normalise) {
            return RunWithoutGIL(
                [&] { return m2::CalcPrincComp(Data, LowCol, HighCol, LowRow, HighRow, Mode, Normalise); });
        },
        py::arg("DataMat"), py::arg("LowCol"), py::arg("HighCol"), py::arg("LowRow"), py::arg("HighRow"),
        py::arg("Mode"), py::arg("Normalise") = true,
        "Principal components; read them with GetEigenResult or GetEigenArrays.");
    m.def(
        "GetEigenArrays",
        [] {
            const int n = m2::GetEigenSize();
            py::array_t<double> values(n);
            py::array_t<double> vectors({n, n});
            auto v = values.mutable_unchecked<1>();
            auto e = vectors.mutable_unchecked<2>();
            for (int k = 1; k <= n; ++k) {
                v(k - 1) = m2::GetEigenResult(k, 0);
                for (int j = 1; j <= n; ++j) e(j - 1, k - 1) = m2::GetEigenResult(k, j);
            }
            return py::make_tuple(values, vectors);
        },
        "(eigenvalues, eigenvectors as columns) of the stored eigen result, as numpy arrays.");
    m.def("MahalanobisDistance", &m2::MahalanobisDistance, py::arg("x"), py::arg("y"),
          py::arg("InvCovar"));

    py::class_<m2::TLinRegResult>(m, "TLinRegResult")
        .def_readonly("Rank", &m2::TLinRegResult::Rank)
        .def_readonly("RankDeficient", &m2::TLinRegResult::RankDeficient)
        .def_property_readonly("Coeffs", [](const m2::TLinRegResult& r) { return FromDoubleArray(r.Coeffs); })
        .def_property_readonly("StdErrors", [](const m2::TLinRegResult& r) { return FromDoubleArray(r.StdErrors); })
        .def_property_readonly("TValues", [](const m2::TLinRegResult& r) { return FromDoubleArray(r.TValues); })
        .def_property_readonly("Residuals", [](const m2::TLinRegResult& r) { return FromDoubleArray(r.Residuals); })
        .def_readonly("RSS", &m2::TLinRegResult::RSS)
        .def_readonly("MSS", &m2::TLinRegResult::MSS)
        .def_readonly("RSquared", &m2::TLinRegResult::RSquared)
        .def_readonly("AdjRSquared", &m2::TLinRegResult::AdjRSquared)
        .def_readonly("SigmaResid", &m2::TLinRegResult::SigmaResid)
        .def_readonly("DFModel", &m2::TLinRegResult::DFModel)
        .def_readonly("DFResid", &m2::TLinRegResult::DFResid)
        .def_readonly("FValue", &m2::TLinRegResult::FValue)
        .def_readonly("FPValue", &m2::TLinRegResult::FPValue);
    m.def(
        "MultiLinReg",
        [](const TMatrix& X, const TVector& y, const TVector* Weights, double RelTol) {
            m2::TLinRegResult result;
            const bool ok = RunWithoutGIL([&] { return m2::MultiLinReg(X, y, result, Weights, RelTol); });
            return py::make_tuple(ok, result);
        },
        py::arg("X"), py::arg("y"), py::arg("Weights") = nullptr, py::arg("RelTol") = 0.0,
        "(ok, TLinRegResult) of y = b0 + sum b_k x_k.");
}
}  // namespace

void BindStatistics(py::module_& m) {
    BindSpecial(m);
    BindDistributions(m);
    BindCritical(m);
    BindLeastSquares(m);
}

}  // namespace ozmpy
