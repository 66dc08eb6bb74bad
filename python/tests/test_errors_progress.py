"""Library exceptions as Python classes with the library's messages; the progress hooks."""
import threading

import numpy as np
import pytest

import ozmnum


def test_exception_hierarchy_and_messages():
    assert issubclass(ozmnum.EOZMVectorError, ozmnum.EOZMError)
    assert issubclass(ozmnum.EOZMError, ozmnum.Exception)
    assert issubclass(ozmnum.Exception, Exception)
    assert issubclass(ozmnum.EOZMSLineError, ozmnum.Exception)
    assert not issubclass(ozmnum.EOZMSLineError, ozmnum.EOZMError)

    v = ozmnum.TVector(np.array([1.0, -2.0]))
    v.Name = "vec"
    with pytest.raises(ozmnum.EOZMVectorError) as err:
        v.GeometricMean()
    assert str(err.value) == 'Component "vec": negative argument passed to GeometricMean'

    with pytest.raises(ozmnum.EOZMVectorError) as err:
        v.Add(ozmnum.TVector(np.ones(3)))
    assert str(err.value) == 'Component "vec": vectors have different dimensions'

    fft = ozmnum.TFastFourier()
    fft.Name = "fft"
    with pytest.raises(ozmnum.EOZMFourierError) as err:
        fft.NumData = 100
    assert str(err.value) == 'Component "fft": data length must be power of 2'
    assert fft.NumData == 256

    fit = ozmnum.TCurveFit()
    fit.EnterStatValue(1.0, 2.0)
    with pytest.raises(ozmnum.EOZMMath2Error) as err:
        fit.CalcLinFit()
    assert str(err.value) == "CalcLinFit: not enough data points"

    with pytest.raises(ozmnum.EOZMMath2Error) as err:
        ozmnum.CalcChebFilterCoeffs(3, False, 0.1, 0.5)
    assert str(err.value) == "CalcChebFilterCoeffs: NPoles must be even"

    with pytest.raises(ozmnum.EConvertError) as err:
        ozmnum.TMatrix().Assign(ozmnum.TVector())
    assert str(err.value) == "Cannot assign a TVector to a TMatrix"


def test_feedback_proc_runs_during_released_operation(rng):
    a = rng.normal(size=(40, 40)) + 40 * np.eye(40)
    m = ozmnum.TMatrix(a)
    calls = []
    proc = lambda stat: calls.append((stat, threading.get_ident()))
    ozmnum.SetMathFeedBackProc(proc)
    assert ozmnum.GetMathFeedBackProc() is proc
    assert m.Invert()
    # One step per column of the decomposition and of the inverse.
    assert [c[0] for c in calls] == list(range(1, 81))
    assert ozmnum.GetProcStat() == 80
    np.testing.assert_allclose(np.asarray(m), np.linalg.inv(a), rtol=1e-11, atol=1e-13)


def test_abort_from_feedback_proc(rng):
    a = rng.normal(size=(30, 30)) + 30 * np.eye(30)

    def stop_at_five(stat):
        if stat >= 5:
            ozmnum.SetAbortMathProc(True)

    ozmnum.SetMathFeedBackProc(stop_at_five)
    assert not ozmnum.TMatrix(a).Invert()
    code, inv = ozmnum.InvertArray(a)
    assert code == -3 and inv is None  # the flag stays set until the caller clears it
    ozmnum.SetAbortMathProc(False)
    ozmnum.SetMathFeedBackProc(None)
    code, inv = ozmnum.InvertArray(a)
    assert code == 0
    np.testing.assert_allclose(inv, np.linalg.inv(a), rtol=1e-11, atol=1e-13)


def test_error_in_feedback_proc_stops_and_propagates(rng):
    a = rng.normal(size=(30, 30)) + 30 * np.eye(30)
    m = ozmnum.TMatrix(a)
    calls = []

    def fail(stat):
        calls.append(stat)
        raise RuntimeError("stop here")

    ozmnum.SetMathFeedBackProc(fail)
    with pytest.raises(RuntimeError, match="stop here"):
        m.Invert()
    assert len(calls) == 1  # the operation stopped at the first step
    assert not ozmnum.GetAbortMathProc()  # the flag set to stop it is cleared again


def test_inc_proc_stat_calls_feedback():
    seen = []
    ozmnum.SetMathFeedBackProc(seen.append)
    ozmnum.SetProcStat(41)
    ozmnum.IncProcStat()
    assert seen == [42.0] and ozmnum.GetProcStat() == 42.0
    ozmnum.SetMathFeedBackProc(lambda stat: 1 / 0)
    with pytest.raises(ZeroDivisionError):
        ozmnum.IncProcStat()
    assert not ozmnum.GetAbortMathProc()


def test_square_threads_with_feedback(rng):
    b = rng.normal(size=(200, 120))
    m = ozmnum.TMatrix(b)
    seen = []
    ozmnum.SetMathFeedBackProc(lambda stat: seen.append(stat))
    res = ozmnum.TMatrix()
    assert m.Square(res, 1.0, 4)
    assert seen and seen[-1] == 120
    np.testing.assert_allclose(np.asarray(res), b.T @ b, rtol=1e-12, atol=1e-11)


def test_operations_run_in_parallel_threads(rng):
    # Operations release the GIL: several Python threads running them at once give the same
    # results as running them one after the other.
    mats = [rng.normal(size=(60, 60)) + 60 * np.eye(60) for _ in range(4)]
    out = [None] * 4

    def work(i):
        m = ozmnum.TMatrix(mats[i])
        for _ in range(5):
            m.Invert()
            m.Invert()
        out[i] = np.array(m.Data)

    threads = [threading.Thread(target=work, args=(i,)) for i in range(4)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    for i in range(4):
        np.testing.assert_allclose(out[i], mats[i], rtol=1e-9, atol=1e-10)
