// The median test of two samples, through a data table and its contingency table.

#include <algorithm>

#include "ozm/datatable.hpp"
#include "ozm/statis/tests.hpp"

namespace ozm::statis {

int MedianTest(const TDoubleArray& Data1, const TDoubleArray& Data2, double& Chi2, double& p,
               double& Chi2Yates, double& pYates, double& pFisher) {
    Chi2 = p = Chi2Yates = pYates = 0.0;
    pFisher = -1.0;
    if (Data1.empty() || Data2.empty()) return -1;
    const int n1 = static_cast<int>(Data1.size()), n2 = static_cast<int>(Data2.size());
    TDataTable table;
    table.Resize(3, n1 + n2);
    table.SetMScaleType(2, TMScaleType::stOrdinal);
    table.SetMScaleType(3, TMScaleType::stOrdinal);
    TMatrix& cells = *table.NumericData();
    for (int i = 0; i < n1 + n2; ++i) {
        cells.SetVal(1, i + 1, i < n1 ? Data1[size_t(i)] : Data2[size_t(i - n1)]);
        cells.SetVal(2, i + 1, i < n1 ? 1.0 : 2.0);
    }
    double q1, median, q3;
    int count;
    table.QuartilesOfNumCells(1, 1, 1, n1 + n2, q1, median, q3, count);
    for (int r = 1; r <= n1 + n2; ++r) cells.SetVal(3, r, cells.GetVal(1, r) <= median ? 2.0 : 1.0);
    TInt2DArray tab;
    table.CreateContingencyTable(2, 3, 1, n1 + n2, tab);
    // Both samples occupy rows 1 and 2; a side that no value takes still gets its column, so the
    // table is 2 x 2 with totals (zero margins then show in the Yates statistic).
    TInt2DArray full(3, std::vector<int32_t>(3, 0));
    for (size_t i = 0; i + 1 < tab.size() && i < 2; ++i)
        for (size_t j = 0; j + 1 < tab[i].size() && j < 2; ++j) full[i][j] = tab[i][j];
    for (size_t i = 0; i < 2; ++i)
        for (size_t j = 0; j < 2; ++j) {
            full[i][2] += full[i][j];
            full[2][j] += full[i][j];
            full[2][2] += full[i][j];
        }
    Chi2OfContTab(full, Chi2, p);
    int result = 0;
    if (Chi2OfContTabYates(full, Chi2Yates, pYates) != 0) {
        Chi2Yates = pYates = 0.0;
        result = -2;
    }
    double pLow, pHigh, pTwo;
    if (FisherExactTest({{full[0][0], full[0][1]}, {full[1][0], full[1][1]}}, pLow, pHigh, pTwo) == 0)
        pFisher = std::min(pLow, pHigh);
    return result;
}

}  // namespace ozm::statis
