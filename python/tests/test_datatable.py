"""TDataTable from Python: numpy in and out, CSV, cell states, events, statistics."""
import numpy as np
import pytest
import scipy.stats

import ozmnum


def iris(data_dir):
    raw = np.loadtxt(data_dir / "iris.csv", delimiter=",", skiprows=1)
    return raw[:, :4], raw[:, 4].astype(int)


def test_table_from_numpy_and_view(data_dir):
    x, _ = iris(data_dir)
    t = ozmnum.TDataTable(x)
    assert (t.NrOfRows, t.NrOfColumns) == (150, 4)
    view = t.Data
    np.testing.assert_array_equal(view, x)
    assert np.shares_memory(view, np.asarray(t.NumericData))
    view[0, 0] = 99.0
    assert t.GetElem(1, 1) == 99.0
    with pytest.raises(BufferError):
        t.Resize(5, 150)
    with pytest.raises(BufferError):
        t.InsertRow(1)
    del view
    t.InsertRow(1)
    # A view of the values keeps the table (which owns them) alive.
    kept = ozmnum.TDataTable(x).Data
    import gc

    gc.collect()
    np.testing.assert_array_equal(kept, x)
    assert t.NrOfRows == 151 and t.GetElem(1, 2) == 99.0
    # Statistics of the table against numpy on the same columns.
    t2 = ozmnum.TDataTable(x)
    n, mean, var = t2.MeanVarOfNumCells(3, 0, 3, 0)
    assert n == 150
    np.testing.assert_allclose([mean, var], [x[:, 2].mean(), x[:, 2].var(ddof=1)], rtol=1e-13)
    n, p = t2.PercentileOfNumCells(25, 1, 0, 1, 0)
    np.testing.assert_allclose(p, np.percentile(x[:, 0], 25), rtol=1e-14)
    cov = ozmnum.TMatrix()
    cov.Resize(4, 4)
    assert t2.CalcCovar(cov, 0, 0, 0, 0, ozmnum.kCovarCorrelation)
    np.testing.assert_allclose(np.asarray(cov), np.corrcoef(x, rowvar=False), rtol=1e-12, atol=1e-14)


def test_csv_states_and_events():
    t = ozmnum.TDataTable()
    t.Name = "tab"
    sizes, names = [], []
    t.OnResize = lambda s, oc, orw, nc, nr: sizes.append((s is t, oc, orw, nc, nr))
    t.OnChangeNames = lambda s: names.append(s is t)
    csv = "height,weight,group\n1.5,60,a\n1.8,,b\n1.7,75,a\n"
    assert t.ReadFromCSVString(csv) == 0
    assert (t.NrOfColumns, t.NrOfRows) == (3, 3)
    assert sizes and sizes[-1] == (True, 1, 1, 3, 3)
    assert t.GetColName(2) == "weight" and t.FindColIndex(" WEIGHT ") == 2
    assert t.GetIsEmpty(2, 2) and not t.GetIsNumber(2, 2)
    n, mean, _ = t.MeanVarOfNumCells(2, 0, 2, 0)
    assert (n, mean) == (2, 67.5)
    assert t.GetMScaleType(3) == ozmnum.stNominal
    assert [t.GetElemNominal(3, r) for r in (1, 2, 3)] == ["a", "b", "a"]
    states = t.CellStates()
    assert states.shape == (3, 3) and states[1, 1] & ozmnum.csEmpty
    t.SetColName(1, "h")
    assert names and all(names)
    assert t.ReadFromCSVString('x,y\n1,"2\n') == -2  # unclosed quote: table unchanged
    assert (t.NrOfColumns, t.NrOfRows) == (3, 3)


def test_nominal_overflow_message():
    t = ozmnum.TDataTable()
    t.Name = "tab"
    t.Resize(1, 151)
    t.SetMScaleType(1, ozmnum.stNominal)
    for r in range(1, 151):
        t.SetElemNominal(1, r, f"c{r}")
    with pytest.raises(ozmnum.EOZMDataTableError) as err:
        t.SetElemNominal(1, 151, "one more")
    assert str(err.value) == 'Component "tab": number of available nominal values exceeded'


def test_contingency_table_against_scipy(data_dir):
    x, species = iris(data_dir)
    t = ozmnum.TDataTable(np.column_stack([species + 1, (x[:, 0] > 5.8) + 1]).astype(float))
    t.SetMScaleType(1, ozmnum.stNominal)
    t.SetMScaleType(2, ozmnum.stNominal)
    code, tab = t.CreateContingencyTable(1, 2)
    counts = np.array(tab)  # [category of column 1][category of column 2], totals last
    ref = scipy.stats.contingency.crosstab(species, x[:, 0] > 5.8).count
    assert code == 0
    np.testing.assert_array_equal(counts[:-1, :-1], ref)
    np.testing.assert_array_equal(counts[-1, :-1], ref.sum(axis=0))
    np.testing.assert_array_equal(counts[:-1, -1], ref.sum(axis=1))
    assert counts[-1, -1] == 150
