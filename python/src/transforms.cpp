// TFastFourier and TWavelet1D, with numpy conveniences to load and read whole signals.
#include <pybind11/complex.h>

#include <complex>

#include "common.hpp"
#include "ozm/fourier.hpp"
#include "ozm/wavelet.hpp"

namespace ozmpy {

namespace {
using namespace ozm;
using DoubleIn = py::array_t<double, py::array::forcecast>;

void BindFourier(py::module_& m) {
    py::enum_<TFastFourierWgtWin>(m, "TFastFourierWgtWin")
        .value("fwRectangle", TFastFourierWgtWin::fwRectangle)
        .value("fwTriangle", TFastFourierWgtWin::fwTriangle)
        .value("fwCos2", TFastFourierWgtWin::fwCos2)
        .value("fwGauss", TFastFourierWgtWin::fwGauss)
        .value("fwHamming", TFastFourierWgtWin::fwHamming)
        .value("fwBlackman", TFastFourierWgtWin::fwBlackman)
        .value("fwBlkmHarris", TFastFourierWgtWin::fwBlkmHarris)
        .value("fwBlkmNuttall", TFastFourierWgtWin::fwBlkmNuttall)
        .value("fwUserDef", TFastFourierWgtWin::fwUserDef)
        .export_values();

    py::class_<TFastFourier, TComponent>(m, "TFastFourier",
                                         "Radix-2 FFT of N complex samples with a weighting window.")
        .def(py::init([] { return std::make_unique<TFastFourier>(); }))
        .def_property("NumData", &TFastFourier::SpectrumSize, &TFastFourier::SetNumData)
        .def_property_readonly("SpectrumSize", &TFastFourier::SpectrumSize)
        .def_property("WeightingWindow", &TFastFourier::WeightingWindow, &TFastFourier::SetWgtWin)
        .def("GetRealVal", &TFastFourier::GetRealVal, py::arg("ix"))
        .def("GetImagVal", &TFastFourier::GetImagVal, py::arg("ix"))
        .def("SetRealVal", &TFastFourier::SetRealVal, py::arg("ix"), py::arg("v"))
        .def("SetImagVal", &TFastFourier::SetImagVal, py::arg("ix"), py::arg("v"))
        .def("GetWgtVal", &TFastFourier::GetWgtVal, py::arg("ix"))
        .def("SetWgtVal", &TFastFourier::SetWgtVal, py::arg("ix"), py::arg("v"))
        .def("Clear", &TFastFourier::Clear)
        .def("ClearReal", &TFastFourier::ClearReal)
        .def("ClearImag", &TFastFourier::ClearImag)
        .def("Transform", [](TFastFourier& f) { RunWithoutGIL([&] { f.Transform(); }); })
        .def("InverseTransform", [](TFastFourier& f) { RunWithoutGIL([&] { f.InverseTransform(); }); })
        .def("DoFFT", [](TFastFourier& f, int Direction) { RunWithoutGIL([&] { f.DoFFT(Direction); }); },
             py::arg("Direction"))
        .def("WindowWeight", &TFastFourier::WindowWeight, py::arg("k"))
        .def("GetPowerSpec", &TFastFourier::GetPowerSpec, py::arg("ix"))
        .def("GetMagnitude", &TFastFourier::GetMagnitude, py::arg("ix"))
        .def("GetPhase", &TFastFourier::GetPhase, py::arg("ix"))
        .def("GetFSerCos", &TFastFourier::GetFSerCos, py::arg("n"))
        .def("GetFSerSin", &TFastFourier::GetFSerSin, py::arg("n"))
        .def("RMS", &TFastFourier::RMS, py::arg("FirstIx"), py::arg("LastIx"))
        .def("FreqOfLine", &TFastFourier::FreqOfLine, py::arg("ix"), py::arg("SampleTime"))
        .def("LineOfFreq", &TFastFourier::LineOfFreq, py::arg("f"), py::arg("SampleTime"))
        .def_property_readonly("MaxReal", &TFastFourier::GetMaxReal)
        .def_property_readonly("MaxImag", &TFastFourier::GetMaxImag)
        .def_property_readonly("MinReal", &TFastFourier::GetMinReal)
        .def_property_readonly("MinImag", &TFastFourier::GetMinImag)
        .def_property_readonly("MaxPower", &TFastFourier::GetMaxPower)
        .def_property_readonly("MaxMagni", &TFastFourier::GetMaxMagni)
        // numpy conveniences over the 1-based accessors.
        .def(
            "SetSamples",
            [](TFastFourier& f, const py::array_t<std::complex<double>, py::array::forcecast>& x) {
                if (x.ndim() != 1 || x.shape(0) != f.SpectrumSize())
                    throw py::value_error("SetSamples needs a one-dimensional array of NumData samples");
                auto r = x.unchecked<1>();
                for (py::ssize_t k = 0; k < x.shape(0); ++k) {
                    f.SetRealVal(static_cast<int>(k) + 1, r(k).real());
                    f.SetImagVal(static_cast<int>(k) + 1, r(k).imag());
                }
            },
            py::arg("x"), "Stores NumData (complex) samples: x[k] is sample k + 1.")
        .def(
            "GetSamples",
            [](const TFastFourier& f) {
                py::array_t<std::complex<double>> out(f.SpectrumSize());
                auto w = out.mutable_unchecked<1>();
                for (int k = 0; k < f.SpectrumSize(); ++k)
                    w(k) = {f.GetRealVal(k + 1), f.GetImagVal(k + 1)};
                return out;
            },
            "The NumData samples (after Transform: the spectrum X(0..N-1)) as a complex array.")
        .def(
            "GetPowerSpectrum",
            [](const TFastFourier& f) {
                const int lines = f.SpectrumSize() / 2 + 1;
                py::array_t<double> out(lines);
                auto w = out.mutable_unchecked<1>();
                for (int l = 0; l < lines; ++l) w(l) = f.GetPowerSpec(l);
                return out;
            },
            "GetPowerSpec of the lines 0..N/2 as an array.");
}

void BindWavelet(py::module_& m) {
    py::enum_<TWLSigExtMode>(m, "TWLSigExtMode")
        .value("wseWrap", TWLSigExtMode::wseWrap)
        .value("wseZeroPad", TWLSigExtMode::wseZeroPad)
        .value("wseSymmetric", TWLSigExtMode::wseSymmetric)
        .export_values();
    py::enum_<TWaveletFamily>(m, "TWaveletFamily")
        .value("wlfDaubechies", TWaveletFamily::wlfDaubechies)
        .export_values();

    py::class_<TWavelet1D, TComponent>(m, "TWavelet1D",
                                       "Daubechies wavelet transform of N values in place.")
        .def(py::init([] { return std::make_unique<TWavelet1D>(); }))
        .def_property("NumData", &TWavelet1D::Size, &TWavelet1D::SetNumData)
        .def_property_readonly("Size", &TWavelet1D::Size)
        .def_property("Order", &TWavelet1D::Order, &TWavelet1D::SetOrder)
        .def_property("SignalExtMode", &TWavelet1D::SignalExtMode, &TWavelet1D::SetSigExtMode)
        .def_property("WaveletFamily", &TWavelet1D::WaveletFamily, &TWavelet1D::SetWaveletFam)
        .def("GetDataVal", &TWavelet1D::GetDataVal, py::arg("ix"))
        .def("SetDataVal", &TWavelet1D::SetDataVal, py::arg("ix"), py::arg("v"))
        .def("Clear", &TWavelet1D::Clear)
        .def("LowPass", [](const TWavelet1D& w, int j) { return static_cast<double>(w.LowPass(j)); },
             py::arg("j"))
        .def("HighPass", [](const TWavelet1D& w, int j) { return static_cast<double>(w.HighPass(j)); },
             py::arg("j"))
        .def("Transform", [](TWavelet1D& w, int Level) { RunWithoutGIL([&] { w.Transform(Level); }); },
             py::arg("Level"))
        .def("InverseTransform",
             [](TWavelet1D& w, int Level) { RunWithoutGIL([&] { w.InverseTransform(Level); }); },
             py::arg("Level"))
        .def("SingleStep", &TWavelet1D::SingleStep, py::arg("Inverse"))
        .def("DoWLT", [](TWavelet1D& w, int Level, bool Inverse) { RunWithoutGIL([&] { w.DoWLT(Level, Inverse); }); },
             py::arg("Level"), py::arg("Inverse"))
        .def("PartialWLT", &TWavelet1D::PartialWLT, py::arg("n"), py::arg("Offset"), py::arg("Inverse"))
        .def(
            "SetData",
            [](TWavelet1D& w, const DoubleIn& x) {
                if (x.ndim() != 1 || x.shape(0) != w.Size())
                    throw py::value_error("SetData needs a one-dimensional array of NumData values");
                auto r = x.unchecked<1>();
                for (py::ssize_t k = 0; k < x.shape(0); ++k) w.SetDataVal(static_cast<int>(k) + 1, r(k));
            },
            py::arg("x"), "Stores NumData values: x[k] is value k + 1.")
        .def(
            "GetData",
            [](const TWavelet1D& w) {
                py::array_t<double> out(w.Size());
                auto o = out.mutable_unchecked<1>();
                for (int k = 0; k < w.Size(); ++k) o(k) = w.GetDataVal(k + 1);
                return out;
            },
            "The NumData values (coefficients after Transform) as an array.");
}
}  // namespace

void BindTransforms(py::module_& m) {
    BindFourier(m);
    BindWavelet(m);
}

}  // namespace ozmpy
