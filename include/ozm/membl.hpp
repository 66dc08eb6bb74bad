/// @file
/// TMemBasedLearner: a k-nearest-neighbour learner whose model is a data table of known objects.
//
// The model is ModelData(), a TDataTable whose column attributes mark each column as ignored (0),
// independent (1) or target (2). ApplyModel finds the model rows nearest to a new object by a
// distance over the independent columns and estimates every target column from those rows by one
// of four local models. The learner also keeps the 100 nearest neighbours of every model row, a
// contingency table of class agreement built from them, and two model files (XML with the table
// embedded, and a binary file of mixed items).
//
// Conventions of every member:
// - Model rows and columns are 1-based (as in the data table); Sensor arrays are 0-based with one
//   entry per model column (Sensor[j - 1] belongs to column j).
// - The neighbour search keeps the 100 nearest rows in ascending order of distance; among equal
//   distances the row met later (the higher row number) comes first. Rows whose distance is NaN
//   or infinite never enter the list; free places hold row 0 and distance uc_MaxDouble.
// - The per-column statistics (mean, variance) and the scaled copy of the independent columns
//   that the search runs over follow every change of the model table; they are brought up to
//   date when next needed, so filling the table cell by cell costs no repeated statistics.
// - The learner has no exception class of its own: exhausted memory raises EOZMError with the
//   component message "Component \"<Name>\": not enough memory on heap".
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "ozm/base/types.hpp"
#include "ozm/datatable.hpp"
#include "ozm/matrix/tmatrix.hpp"
#include "ozm/platform/object.hpp"
#include "ozm/platform/stream.hpp"

namespace ozm {

/// Role of a model column, stored as its column attribute.
enum class TMBLVarType : uint8_t {
    mblVarIgnore,  ///< not used (attribute 0)
    mblVarIndep,   ///< independent variable: enters the distance (attribute 1)
    mblVarTarget   ///< target variable: estimated by ApplyModel (attribute 2)
};

/// Distance between a new object and a model row over the independent columns.
enum class TMBLDistMode : uint8_t {
    mblDistEuclid,      ///< sqrt(sum (u - v)^2)
    mblDistManhattan,   ///< sum |u - v|
    mblDistMahalanobis  ///< computed exactly as mblDistEuclid
};

/// Scaling of the independent columns before the distance is taken.
enum class TMBLScalingMode : uint8_t {
    mblUnscaled,     ///< raw values
    mblStandardized  ///< (x - mean) / sd of the model column; only centred when its variance is 0
};

/// How the target values of the k nearest rows become the estimate.
enum class TMBLLocalModel : uint8_t {
    mblLMAverage,   ///< the mean target value
    mblLMWgtGauss,  ///< mean weighted by exp(-(d / s)^2), s the sd of all candidate distances
    mblLMMajority,  ///< the value shared (within one sd of the column) by most neighbours
    mblLMRegress    ///< multiple linear regression on the independent columns, evaluated at Sensor
};

/// Elements of the XML model file; ordinals index ozm::membl::MBLxmlTags.
enum class TMBLxmlTags : uint8_t {
    xmlMBLId,       ///< "membasedlearner", the root element
    xmlComment,     ///< "comment"
    xmlModelName,   ///< "modelname"
    xmlModelData,   ///< "modeldata", holding the model table
    xmlDistMode,    ///< "distmode"
    xmlSclMode,     ///< "scaling"
    xmlLocalModel,  ///< "locmodel"
    xmlNumNNb,      ///< "numnnb"
    xmlInvalid      ///< any other element
};

/// Fired at the end of every ApplyModel that got a Sensor of the right length: the caller's Tag,
/// the 100 neighbour rows and their distances (free places: row 0, uc_MaxDouble) and the result.
using TOnMBLModelApplied =
    std::function<void(TObject* Sender, int Tag, const TIntArray& NearNix,
                       const TDoubleArray& NearNDist, int errnum)>;

namespace membl {

/// Names of the distance modes, indexed by TMBLDistMode.
inline constexpr std::array<std::string_view, 3> MBLDistModeID = {"Euclidean", "Manhattan",
                                                                  "Mahalanobis"};
/// Names of the scaling modes, indexed by TMBLScalingMode.
inline constexpr std::array<std::string_view, 2> MBLScalingModeID = {"Unscaled", "Standardized"};
/// Names of the local models, indexed by TMBLLocalModel.
inline constexpr std::array<std::string_view, 4> MBLLocalModelID = {
    "Average", "Weighted Average", "Majority Vote", "Regression"};
/// Element names of the XML model file, indexed by TMBLxmlTags (xmlInvalid has none).
inline constexpr std::array<std::string_view, 8> MBLxmlTags = {
    "membasedlearner", "comment", "modelname", "modeldata",
    "distmode",        "scaling", "locmodel",  "numnnb"};

/// The number of neighbours kept per object.
inline constexpr int kMaxNeighbours = 100;

/// The element of a tag text (its first word compared exactly with MBLxmlTags); anything else,
/// closing tags included, is xmlInvalid.
TMBLxmlTags MBLxmlTagOf(std::string_view TagText) noexcept;

/// Results of ApplyModel.
inline constexpr int kApplyOk = 0;               ///< estimates stored
inline constexpr int kApplyTooFewObjects = -2;   ///< k is not smaller than the number of rows
inline constexpr int kApplyBadSensor = -3;       ///< Sensor length differs from the column count
inline constexpr int kApplyNoNeighbour = -4;     ///< no model row lies at a finite distance

/// Results of CalcContingencyTable.
inline constexpr int kContTabOk = 0;             ///< table built
inline constexpr int kContTabBadColumn = -1;     ///< column index outside 1..columns
inline constexpr int kContTabNotCategorical = -2;///< column neither nominal nor ordinal
inline constexpr int kContTabBadCount = -3;      ///< fewer than 2 or more than 100 categories
inline constexpr int kContTabBadMinimum = -4;    ///< smallest category is 0 or negative

/// Results of LoadModelXML.
inline constexpr int kXmlOk = 0;                 ///< model read
inline constexpr int kXmlNoModelData = -1;       ///< no readable file, or it ends, breaks the
                                                 ///< vocabulary or holds a bad value before the
                                                 ///< model data element
inline constexpr int kXmlBadModelData = -2;      ///< the model table inside cannot be read

/// Results of LoadModelBin.
inline constexpr int kBinOk = 0;                 ///< model read
inline constexpr int kBinBadSignature = -1;      ///< the first text is not the learner's signature
inline constexpr int kBinReadError = -2;         ///< anything else: unreadable, truncated, a size
                                                 ///< the file cannot hold, a value out of range

}  // namespace membl

/// The memory-based (k-nearest-neighbour) learner.
class TMemBasedLearner : public TComponent {
public:
    /// Model name "undefined", empty comment, k = 3, mblLMAverage, mblDistEuclid, mblUnscaled;
    /// the model table is one column by one row (as a new TDataTable) and owned by the learner.
    explicit TMemBasedLearner(TComponent* AOwner = nullptr);
    /// Frees the model table.
    ~TMemBasedLearner() override;
    /// "TMemBasedLearner".
    const char* ClassName() const override { return "TMemBasedLearner"; }

    // --- events ------------------------------------------------------------------------------
    /// Fired at the end of ApplyModel (see there).
    TOnMBLModelApplied OnModelApplied;
    /// Progress of the model table's long operations (forwarded, the learner as sender) and of
    /// CalcNNOfModelData.
    TOnPercentDoneEvent OnPercentDone;

    // --- model and settings ------------------------------------------------------------------
    /// The model objects. Its OnChange and OnPercentDone are bound to the learner; do not
    /// reassign them.
    TDataTable* ModelData() const noexcept { return FModelData; }
    /// Free model name.
    const std::string& ModelName() const noexcept { return FModelName; }
    /// Sets the model name.
    void SetModelName(const std::string& Value) { FModelName = Value; }
    /// Free comment.
    const std::string& Comment() const noexcept { return FComment; }
    /// Sets the comment.
    void SetComment(const std::string& Value) { FComment = Value; }
    /// k, the number of neighbours the local models use (always 1..100).
    int NumNearestNb() const noexcept { return FNumNearestNb; }
    /// k is cut to the number of model rows, then to at most 100, then raised to at least 1.
    void SetNumNearestNb(int k) noexcept;
    /// The local model.
    TMBLLocalModel LocalModel() const noexcept { return FLocModel; }
    /// Sets the local model.
    void SetLocalModel(TMBLLocalModel Value) noexcept { FLocModel = Value; }
    /// The distance mode.
    TMBLDistMode DistMode() const noexcept { return FDistMode; }
    /// Sets the distance mode.
    void SetDistMode(TMBLDistMode Value) noexcept { FDistMode = Value; }
    /// The scaling mode.
    TMBLScalingMode ScalingMode() const noexcept { return FScalingMode; }
    /// Sets the scaling mode.
    void SetScalingMode(TMBLScalingMode Value) noexcept { FScalingMode = Value; }

    /// The role of column ix (its attribute read as TMBLVarType); mblVarIgnore outside the table
    /// or for an attribute other than 1 and 2.
    TMBLVarType GetVarType(int ix) const noexcept;
    /// Stores the role of column ix as its attribute (ordinal masked to 7 bits); ignored outside
    /// the table. Fires the table's OnChangeAttrib.
    void SetVarType(int ix, TMBLVarType Value);
    /// Gives every column the role VarType.
    void SetAllVars(TMBLVarType VarType);
    /// Number of columns with attribute 1 (independent) and 2 (target).
    int CountIndependentVars() const noexcept;
    /// Number of target columns.
    int CountTargetVars() const noexcept;

    /// Per model column c: row 1 its mean, row 2 its variance (n - 1 denominator; 1 for fewer
    /// than three rows), row 3 its smallest and row 4 its largest value, over all rows of the
    /// raw values (TMatrix::MeanVar). Brought up to date first when the table changed.
    const TMatrix& MeanVarRange();
    /// The handler of the model table's OnChange: marks the statistics and the search copy as
    /// out of date and drops the neighbour lists of CalcNNOfModelData.
    void DataTableChanged(TObject* Sender);

    // --- applying the model ------------------------------------------------------------------
    /// Distance of the object Sensor (one entry per model column) to model row obj by the
    /// current distance and scaling mode; categorical model values are rounded (GetElem). -1
    /// when Sensor's length differs from the number of columns or obj lies outside 1..rows.
    double CalcDist(const TDoubleArray& Sensor, int obj);
    /// Estimates the target columns of Sensor from its k nearest model rows, leaving out row
    /// ExcludeObj (0 or a number outside the table leaves out nothing). Results:
    /// - kApplyBadSensor (-3): Sensor's length differs from the column count; Sensor is filled
    ///   with 0 and no event fires.
    /// - kApplyTooFewObjects (-2): k is not smaller than the number of rows; Sensor is filled
    ///   with 0.
    /// - kApplyNoNeighbour (-4): no candidate row lies at a finite distance (NaN in Sensor or in
    ///   the model); the target entries become NaN.
    /// - kApplyOk (0): every target entry Sensor[j - 1], in column order, is estimated from the
    ///   k nearest rows found (fewer when fewer rows lie at a finite distance):
    ///   mblLMAverage the mean; mblLMWgtGauss sum w y / sum w with w = exp(-(d / s)^2), s the
    ///   sample standard deviation (n - 1) of the finite distances of all candidates, evaluated
    ///   relative to the nearest neighbour's weight (the ratio is the same, but a far object no
    ///   longer gives 0/0), with equal weights when s is 0 or undefined; mblLMMajority: with
    ///   sigma the sd of the column, the value of model row 1 when sigma is 0, otherwise the
    ///   value of the first neighbour having the most neighbours within |y_i - y_m| < sigma;
    ///   mblLMRegress the least-squares fit y = b0 + sum b_c x_c over the independent columns
    ///   (math2::MultiLinReg, minimum-norm when the neighbours do not determine it) evaluated at
    ///   Sensor; when the regression fails (a non-finite cell among the neighbours) or its
    ///   estimate is not finite, the plain mean of the neighbours' targets is given instead.
    /// OnModelApplied fires with Tag, the 100 neighbour rows and distances and the result
    /// (except for kApplyBadSensor).
    int ApplyModel(TDoubleArray& Sensor, int ExcludeObj, int Tag);

    // --- neighbours of the model objects -----------------------------------------------------
    /// For every model row r the 100 nearest rows (r itself included) and their distances.
    /// O(rows^2 * independent columns); fires OnPercentDone as it goes.
    void CalcNNOfModelData();
    /// Row number of the k-th nearest object of model row obj (k = 1 is obj itself unless
    /// another row lies at distance 0); -1 for k outside 1..100, obj outside the lists of the
    /// last CalcNNOfModelData, or when the table changed since.
    int GetkNNofModelData(int k, int obj) const noexcept;
    /// Its distance; -1 when invalid as above.
    double GetkNNDistofModelData(int k, int obj) const noexcept;
    /// Agreement of the categories of column VarIx (1-based) between every model row and its
    /// NumNb nearest other rows (NumNb held to 0..99; the row itself is skipped wherever the
    /// tie rule puts it). With min and max the rounded extremes of the column's valid cells and
    /// p = max - min + 1: ContTab becomes (p + 1) x (p + 1) with ContTab[a - min][b - min]
    /// counting pairs of a row of category a with a neighbour of category b; ContTab[p][b]
    /// holds the totals over a, ContTab[a][p] those over b, ContTab[p][p] the grand total.
    /// Rows whose cell is not a valid number are left out, as row and as neighbour. Results:
    /// kContTabBadColumn, kContTabNotCategorical, kContTabBadMinimum (min <= 0),
    /// kContTabBadCount (p > 100 or p < 2), else kContTabOk after CalcNNOfModelData ran.
    int CalcContingencyTable(int VarIx, int NumNb, TInt2DArray& ContTab);

    // --- model files -------------------------------------------------------------------------
    /// Writes the XML model file (lines end in CR LF):
    /// @verbatim
    ///     <?xml version="1.0"?>
    ///     <membasedlearner sig="OZMNumLib" vers="1.000" id="DataID">
    ///     <!-- TMemBasedLearner / Kestrin -->
    ///     <comment>...</comment>  <modelname>...</modelname>  <numnnb>k</numnnb>
    ///     <distmode>euclidean</distmode>  <scaling>unscaled</scaling>  <locmodel>average</locmodel>
    ///     <modeldata>
    ///     the model table as TDataTable::WriteToXMLStream writes it (no header)
    ///     </modeldata>
    ///     </membasedlearner>
    /// @endverbatim
    /// one element per line; texts are escaped (& < > " as entities), mode names lower case.
    /// Write errors raise EInOutError.
    void StoreModelXML(const std::string& FName, const std::string& DataID) const;
    /// The same into a stream.
    void StoreModelXML(TStream& Out, const std::string& DataID) const;
    /// Reads an XML model file. The first line is skipped; the root element must follow;
    /// DataId receives its id attribute (entities decoded). comment, modelname, numnnb,
    /// distmode, scaling and locmodel set what they name (mode names found ignoring case; an
    /// unknown name leaves the mode); modeldata reads the model table and ends the reading.
    /// kXmlOk on success; otherwise kXmlNoModelData or kXmlBadModelData with the learner
    /// unchanged and DataId empty. After a load k is held to 1..100.
    int LoadModelXML(const std::string& FName, std::string& DataId);
    /// The same over the text of a model file in memory.
    int LoadModelXMLFromString(std::string_view Text, std::string& DataId);
    /// Applies one element of an XML model file to this learner: 0 to go on, 1 when the model
    /// table was read from Content (the text after the modeldata tag), -1 for xmlInvalid or a
    /// number of neighbours that is no integer, -2 for a model table that cannot be read.
    int ProcessXmlTag(TMBLxmlTags Tag, const std::string& TagText, const std::string& Content);

    /// Writes the binary model file through TMixedFStream. A text item is a 4-byte length and
    /// the text as a line (CR LF). Items: "TMemBasedLearner/Kestrin", "vers=1.000",
    /// "DataID=" + DataID, comment, model name; integers k and the ordinals of distance,
    /// scaling and local model; the table comment; integers columns C, rows R and 150; per column
    /// its scale type (integer) followed, for a nominal or ordinal column, by its 150 identifier
    /// slots as bare lines (line breaks inside an identifier are dropped); the column names and
    /// the row names as text items (outer blanks removed); the column and the row attributes
    /// (integers); the values row by row (doubles, GetElem); the cell states row by row (bytes).
    /// EInOutError when the file cannot be created or written.
    void StoreModelBin(const std::string& FName, const std::string& DataID) const;
    /// Reads a binary model file: kBinBadSignature when the first text is not the signature,
    /// kBinReadError for every other failure (missing file, truncation, an ordinal or size out
    /// of range, sizes the remaining bytes cannot hold), kBinOk on success. DataId receives the
    /// third text without its first "dataid=" (any case). Nothing is changed on failure; on
    /// success the model table is replaced at once (its events fire as after CopyContentsFrom)
    /// and k is held to 1..100.
    int LoadModelBin(const std::string& FName, std::string& DataId);
    /// The same from a stream's current position.
    int LoadModelBin(TStream& In, std::string& DataId);

private:
    struct TNeighbourList;
    friend struct TMBLFiles;

    [[noreturn]] void RaiseNoMemory() const;
    void ForwardPercentDone(TObject* Sender, int Percent);
    // Brings the statistics and the scaled copy of the independent columns up to date.
    void RefreshStatistics();
    void RefreshSearchData();
    // Scaled values of Sensor's independent entries into FQuery.
    void PrepareQuery(const double* Sensor);
    // Searches all rows except Exclude for the query in FQuery; fills FNbRows/FNbDist and
    // returns the standard deviation of the finite candidate distances (NaN for fewer than 2).
    double SearchNeighbours(int Exclude);
    // The estimate of target column Col from the first Count entries of the neighbour list.
    double EstimateTarget(int Col, int Count, double DistSd, const TDoubleArray& Sensor);
    // Takes over settings (and nothing else) from a learner that a reader filled.
    void TakeSettings(const TMemBasedLearner& From);

    std::string FModelName = "undefined";
    std::string FComment;
    TMatrix FMeanVarRange;
    int FNumNearestNb = 3;
    TMBLLocalModel FLocModel = TMBLLocalModel::mblLMAverage;
    TMBLDistMode FDistMode = TMBLDistMode::mblDistEuclid;
    TMBLScalingMode FScalingMode = TMBLScalingMode::mblUnscaled;
    // Neighbour lists of CalcNNOfModelData, row after row: entry (k, obj) at (obj - 1) * 100 + k - 1.
    std::vector<int32_t> FNNList;
    std::vector<double> FNNDist;
    int FNNObjects = 0;
    TDataTable* FModelData = nullptr;

    // Search state, reused by every call so that the search allocates nothing.
    bool FStatsValid = false;
    bool FSearchValid = false;
    int FStatCols = -1, FStatRows = -1;     // size the statistics were taken at
    std::vector<int> FIndepCols;            // independent columns of the search copy
    std::vector<uint8_t> FIndepCategorical; // their rounding (categorical scale type)
    TMBLScalingMode FSearchScaling = TMBLScalingMode::mblUnscaled;
    int FSearchRows = 0;
    std::vector<double> FSearchData;        // column after column: scaled independent values
    std::vector<double> FCentre, FScale;    // per independent column: x -> (x - centre) / scale
    std::vector<double> FQuery;             // the scaled query
    TIntArray FNbRows;                      // 100 neighbour rows
    TDoubleArray FNbDist;                   // and their distances
};

}  // namespace ozm
