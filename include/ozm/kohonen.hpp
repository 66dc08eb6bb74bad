/// @file
/// OZM_kohonen: TKohonen, a Kohonen self-organizing map on a rectangular or toroidal grid.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ozm/base/types.hpp"
#include "ozm/platform/exceptions.hpp"
#include "ozm/platform/object.hpp"
#include "ozm/platform/stream.hpp"
#include "ozm/platform/textfile.hpp"

namespace ozm {

class TMat3D;
class TMatrix;
class TVector;

/// The error class of the self-organizing map ("Component \"<Name>\": <detail>").
class EOZMKohonenError : public EOZMError {
    using EOZMError::EOZMError;
};

/// The elements of the map's XML format; ordinals index ozm::kohonen::KohonenXMLTags.
enum class TKohonenXMLTag : uint8_t {
    xmlSizeX,       ///< "sizex": number of neurons along x
    xmlSizeY,       ///< "sizey": number of neurons along y
    xmlComment,     ///< "comment": the free text
    xmlNrInsens,    ///< "nrinsens": number of input variables
    xmlMaxNeighb,   ///< "maxneighb": initial neighbourhood radius
    xmlMaxSteps,    ///< "maxsteps": number of training steps
    xmlMaxAlpha,    ///< "maxalpha": initial learning rate
    xmlCurStep,     ///< "currentstep": the step a continued training starts with
    xmlCyclic,      ///< "cyclic": TRUE for a toroidal grid
    xmlCell,        ///< "cell": one weight (attributes ix, iy, iw)
    xmlMeanStdDev,  ///< "meanstddev": mean and standard deviation of one input (attribute iw)
    xmlEndKohonen,  ///< "/kohonen": end of the map element
    xmlInvalid      ///< "invalidtag": any other element
};

/// Names and constants of the map's XML format (docs/kohonen-format.md).
namespace kohonen {

/// The element name of each TKohonenXMLTag value, in the order of the enumeration.
inline constexpr std::array<std::string_view, 13> KohonenXMLTags = {
    "sizex",       "sizey",  "comment", "nrinsens",   "maxneighb", "maxsteps",  "maxalpha",
    "currentstep", "cyclic", "cell",    "meanstddev", "/kohonen",  "invalidtag"};

/// Name of the root element that opens a map document.
inline constexpr std::string_view kRootElement = "kohonen";
/// Value of the root element's sig attribute.
inline constexpr std::string_view kSignature = "OZMNumLib";
/// Value of the root element's vers attribute written by this library (major version 1).
inline constexpr std::string_view kFormatVersion = "1.000";

/// The vocabulary entry of a tag text (name and attributes as between "<" and ">"), found by
/// its first word; anything else, "invalidtag" itself included, is xmlInvalid.
TKohonenXMLTag KohonenXMLTagOf(std::string_view TagText) noexcept;

}  // namespace kohonen

/// Kohonen self-organizing map: SizeX x SizeY neurons, each with one weight per input variable.
///
/// The map is trained on the rows of a data matrix (one column per input variable, one row per
/// object), in the units of that matrix: after StandardizeData the weights live in standardized
/// units, and GetWeight/ApplyIt convert from and to the units of the data with the stored means
/// and standard deviations.
///
/// Training (ContinueTraining) runs the steps t = CurrentStep, ..., NrOfTrnSteps - 1. For step t
/// with a = (NrOfTrnSteps - t) / NrOfTrnSteps the radius is round(a^2 (InitialNeighbors - 1) + 1)
/// (ties to even, never below 0) and the learning rate a^2 InitialAlpha. Each step presents every
/// data row in order: the winner is the neuron of smallest squared Euclidean distance d2min (the
/// first in the order x = 1..SizeX, inside y = 1..SizeY); every neuron of the square window of
/// that radius around the winner (clipped to the grid, or wrapped on a cyclic grid, where the
/// radius is held to SizeX div 2 - 1 and SizeY div 2 - 1, at least 0, so that no neuron is
/// visited twice) moves towards the row by h = alpha / (1 + sqrt(d2 - d2min)), d2 being its own
/// squared distance before the update. After each step OnFeedback receives
/// round(100 t / NrOfTrnSteps).
///
/// Errors raise EOZMKohonenError with the component message. While a training runs (that is, from
/// its OnFeedback handler), the calls that change the structure or restart it (SetSizeX,
/// SetSizeY, SetNumInsens, SetDataMat, StandardizeData, Trainit, ContinueTraining and the XML
/// readers) raise "Component \"<Name>\": training is already running". The map is used by one
/// thread at a time, except AbortTraining, which any thread may call while another trains.
class TKohonen : public TComponent {
public:
    /// Grid 1 x 1, one input, one training object (a 1 x 1 data matrix of 0), InitialNeighbors
    /// 2, NrOfTrnSteps 200, InitialAlpha 1, CurrentStep 1, not cyclic, means 0 and standard
    /// deviations 1, weights random in [-0.1, 0.1) (SetWeigtsToRandom).
    explicit TKohonen(TComponent* AOwner = nullptr);
    ~TKohonen() override;
    /// "TKohonen".
    const char* ClassName() const override { return "TKohonen"; }

    // --- parameters ------------------------------------------------------------------------

    /// Initial neighbourhood radius.
    int InitialNeighbors() const noexcept { return FMaxNeighb; }
    /// Sets the initial radius; negative values are ignored.
    void SetInitialNeighbors(int Value) noexcept;
    /// Free text stored with the map.
    const std::string& Comment() const noexcept { return FComment; }
    /// Sets the free text.
    void SetComment(const std::string& Value) { FComment = Value; }
    /// Identifier written as the id attribute of the XML root element (empty after creation).
    const std::string& DataID() const noexcept { return FDataID; }
    /// Sets the identifier of the XML root element.
    void SetDataID(const std::string& Value) { FDataID = Value; }
    /// Number of training steps; steps 1 .. NrOfTrnSteps - 1 are trained.
    int NrOfTrnSteps() const noexcept { return FMaxSteps; }
    /// Sets the number of training steps; values <= 0 are ignored.
    void SetNrOfTrnSteps(int Value) noexcept;
    /// Initial learning rate.
    double InitialAlpha() const noexcept { return FMaxAlpha; }
    /// Sets the initial learning rate; NaN and infinities are ignored.
    void SetInitialAlpha(double Value) noexcept;
    /// True when the grid is closed into a torus.
    bool Cyclic() const noexcept { return FCyclic; }
    /// Opens or closes the grid.
    void SetCyclic(bool Value) noexcept { FCyclic = Value; }

    /// Neurons along x.
    int SizeX() const noexcept { return FSizeX; }
    /// Neurons along y.
    int SizeY() const noexcept { return FSizeY; }
    /// Number of input variables (weights per neuron).
    int NrOfInSens() const noexcept { return FNrInSens; }
    /// Sets the neurons along x; values <= 0 are ignored. Otherwise all weights become 0. A grid
    /// beyond memory raises "Component \"<Name>\": not enough memory on heap" (nothing changed).
    void SetSizeX(int Value);
    /// Sets the neurons along y, as SetSizeX.
    void SetSizeY(int Value);
    /// Sets the number of inputs; values <= 0 are ignored. Otherwise all weights become 0, the
    /// data matrix becomes n columns of zeros for the same number of objects, the means 0 and
    /// the standard deviations 1. Memory errors as SetSizeX (nothing changed).
    void SetNumInsens(int n);

    /// Number of training objects (rows of the data matrix).
    int NrOfTrnObj() const noexcept { return FNrTrnObj; }
    /// The training data: one column per input variable, one row per object.
    const TMatrix& TrainData() const noexcept { return *FDataMat; }
    /// Copies Value as the training data: NrOfInSens becomes its column count and NrOfTrnObj its
    /// row count; weights 0, means 0, standard deviations 1. A matrix without columns raises
    /// "Component \"<Name>\": training data without columns" (nothing changed).
    void SetDataMat(const TMatrix& Value);
    /// Per input variable, the mean the data were standardized with (0 until StandardizeData).
    const TVector& MeanVec() const noexcept { return *FMeanVec; }
    /// Per input variable, the standard deviation the data were standardized with (1 until
    /// StandardizeData).
    const TVector& StdDevVec() const noexcept { return *FStdDevVec; }
    /// Standardizes the columns of the data matrix in place (TMatrix::StandardizeColumns) and
    /// stores their means and standard deviations. A constant column (standard deviation 0) is
    /// centred, so that its cells are x - mean, the value ApplyIt forms for such an input.
    void StandardizeData();

    // --- training ------------------------------------------------------------------------------

    /// Every weight := (r - 0.5) * 0.2, r from the shared uniform generator (ozm::Random), so
    /// the weights lie in [-0.1, 0.1); SetRandSeed makes them reproducible. Drawn in the storage
    /// order of WeightMatrix (x fastest, then y, then the input).
    void SetWeigtsToRandom();
    /// CurrentStep := 1, random weights, then ContinueTraining.
    void Trainit();
    /// Trains the steps CurrentStep .. NrOfTrnSteps - 1 (see the class description); the abort
    /// flag is cleared first and after the last step. An abort stops the training after the
    /// step in which it was seen; CurrentStep then names the next step, so that a further call
    /// resumes the schedules there. Nothing is trained when CurrentStep >= NrOfTrnSteps. Calling
    /// it from an OnFeedback handler raises "Component \"<Name>\": training is already running".
    /// Non-finite data make the weights of the neurons they reach non-finite.
    void ContinueTraining();
    /// Asks the running training to stop after its current step. Safe from any thread.
    void AbortTraining() noexcept { FAbort.store(true, std::memory_order_release); }
    /// The step that the next training step will be (while OnFeedback runs: the step just
    /// trained); 1 after creation and after Trainit started.
    int CurrentStep() const noexcept { return FCurStep; }
    /// Radius of the current (or last) training step.
    int CurrentNeighbors() const noexcept { return FCurNeighb; }
    /// Learning rate of the current (or last) training step.
    double CurrentAlpha() const noexcept { return FCurAlpha; }
    /// Progress of the training: Sender is the map, the percentage round(100 t / NrOfTrnSteps).
    TOnPercentDoneEvent OnFeedback;
    /// Fires OnFeedback(this, Percent) when assigned.
    void DoFeedback(int Percent);

    // --- mapping -------------------------------------------------------------------------------

    /// Best-matching neuron of an input in data units: each value is standardized with the
    /// stored mean and standard deviation ((x - mean) / sd, or x - mean when sd is 0) and the
    /// neuron with the strictly smallest squared Euclidean distance (scan x = 1..SizeX, inside
    /// y) wins. Distance is that squared distance. An input whose length differs from
    /// NrOfInSens raises "Component \"<Name>\": input vector does not match the number of
    /// inputs" (outputs unchanged).
    void ApplyIt(const TVector& InData, int& BestIx, int& BestIy, double& Distance) const;
    /// Weight wi of neuron (ix, iy) in data units: weight * StdDevVec[wi] + MeanVec[wi]; 0 for
    /// indices outside the map.
    double GetWeight(int ix, int iy, int wi) const noexcept;
    /// The weights in training units: column x, row y, layer = input variable.
    const TMat3D& WeightMatrix() const noexcept { return *FKohMat; }

    /// Quantisation error over the training data: the mean Euclidean distance (not squared)
    /// of each data row to its best-matching neuron, in training units; 0 without objects.
    double QuantizationError() const;
    /// Topographic error over the training data: the share of rows whose best and second-best
    /// neurons are not grid neighbours. Two neurons are neighbours when they differ by at most
    /// 1 in x and in y (the square neighbourhood the training updates), counted around the
    /// torus on a cyclic grid. Ties go to the first neuron in the scan order of the winner
    /// search. 0 without objects or with a single neuron.
    double TopographicError() const;

    // --- XML files (docs/kohonen-format.md) --------------------------------------------------

    /// Writes the map element (parameters, every weight and the mean/standard-deviation pairs,
    /// numbers as the shortest text that reads back exactly), lines ending in CR LF; with
    /// CreateHeader the XML declaration first. Write errors raise EInOutError.
    void WriteToXMLStream(TStream& OutStream, bool CreateHeader) const;
    /// The same through an open text file.
    void WriteToOpenXMLFile(TTextWriter& OutFile, bool CreateHeader) const;
    /// Writes a file with the XML declaration; false when it cannot be written.
    bool SaveAsXMLFile(const std::string& FName) const;
    /// Reads one map element from the stream's position into fresh state and takes it over only
    /// when the whole element is valid; otherwise the map is unchanged, the result is false and
    /// LastXMLError() says why. The document may announce at most one weight per 16 bytes of
    /// the stream left. The stream is left right after "</kohonen>". When the number of inputs
    /// changes, the data matrix becomes NrOfInSens columns x 1 row of 0; otherwise it is kept.
    bool ReadFromXMLStream(TStream& InStream);
    /// The same from an open text file (which cannot be measured: up to 2^24 weights).
    bool ReadFromOpenXMLFile(TTextReader& InFile);
    /// The same from a file; false as well when it cannot be opened.
    bool LoadFromXMLFile(const std::string& FName);
    /// Why the last XML read failed ("" after a successful read).
    const std::string& LastXMLError() const noexcept { return FXmlError; }

private:
    [[noreturn]] void RaiseError(std::string_view Detail) const;
    // Raises "training is already running" while ContinueTraining runs (from its handlers).
    void RequireIdle() const;
    // A zero weight block of the given grid; memory errors as the component's heap message.
    std::unique_ptr<TMat3D> NewWeights(int Sx, int Sy, int Nin) const;
    // Squared distances of every training row to every neuron, handed per row to Visit.
    template <typename F>
    void ForEachTrainingRow(F&& Visit) const;
    bool ReadXml(const std::function<bool(std::string&, std::string&)>& Source, int64_t Backed);

    int FMaxNeighb = 2;
    std::string FComment;
    int FCurNeighb = 0;
    int FMaxSteps = 200;
    int FCurStep = 1;
    double FMaxAlpha = 1.0;
    double FCurAlpha = 0.0;
    std::unique_ptr<TMat3D> FKohMat;
    int FSizeX = 1;
    int FSizeY = 1;
    int FNrInSens = 1;
    int FNrTrnObj = 1;
    std::unique_ptr<TVector> FMeanVec;
    std::unique_ptr<TVector> FStdDevVec;
    bool FCyclic = false;
    std::atomic<bool> FAbort{false};
    std::unique_ptr<TMatrix> FDataMat;
    std::string FDataID;
    std::string FXmlError;
    bool FTraining = false;
};

}  // namespace ozm
