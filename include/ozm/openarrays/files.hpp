/// @file
/// Open arrays in files: a text layout (StoreArray / LoadArray) and a binary layout
/// (SaveBinaryArray / LoadBinaryArray / ReadBinaryArrayHeader), for double and 32-bit integer
/// arrays of rank 1 to 4. Both layouts are described in docs/array-files.md.
///
/// Binary files round-trip exactly (every bit of every cell, NaN payloads included). Text files
/// round-trip exactly for integers and for doubles written with Decimals < 0 (shortest exact
/// text); with Decimals 0..17 a double is written rounded to that many decimals.
///
/// Loading never trusts the extents a file states: they are checked against the size of the file
/// before anything is allocated, and the destination array is replaced only after the whole file
/// was read and checked, so a failed load leaves it unchanged.
#pragma once

#include <cstdint>
#include <string>

#include "ozm/base/types.hpp"

namespace ozm::openarrays {

/// Element kinds in array files.
enum class TArrayFileKind : uint8_t { afDouble = 1, afInteger = 2 };

/// Writes A as text. 0 done; -1 if A is empty; -2 if A is ragged or Decimals > 17; -3 if the file
/// cannot be created or written (a partly written file may remain).
///@{
int StoreArray(const std::string& FName, const TDoubleArray& A, int Decimals = -1);
int StoreArray(const std::string& FName, const TDouble2DArray& A, int Decimals = -1);
int StoreArray(const std::string& FName, const TDouble3DArray& A, int Decimals = -1);
int StoreArray(const std::string& FName, const TDouble4DArray& A, int Decimals = -1);
int StoreArray(const std::string& FName, const TIntArray& A);
int StoreArray(const std::string& FName, const TInt2DArray& A);
int StoreArray(const std::string& FName, const TInt3DArray& A);
int StoreArray(const std::string& FName, const TInt4DArray& A);
///@}

/// Reads a text array file into A. 0 done; -1 if the file cannot be opened; -2 if it is no text
/// array file, or holds another element kind or rank than A; -3 if it is damaged (extents that
/// the file cannot hold, a malformed, missing or surplus value). A is unchanged unless 0.
///@{
int LoadArray(const std::string& FName, TDoubleArray& A);
int LoadArray(const std::string& FName, TDouble2DArray& A);
int LoadArray(const std::string& FName, TDouble3DArray& A);
int LoadArray(const std::string& FName, TDouble4DArray& A);
int LoadArray(const std::string& FName, TIntArray& A);
int LoadArray(const std::string& FName, TInt2DArray& A);
int LoadArray(const std::string& FName, TInt3DArray& A);
int LoadArray(const std::string& FName, TInt4DArray& A);
///@}

/// Writes A in the binary layout (little-endian, with a CRC-32 of the cells). Codes as StoreArray.
///@{
int SaveBinaryArray(const std::string& FName, const TDoubleArray& A);
int SaveBinaryArray(const std::string& FName, const TDouble2DArray& A);
int SaveBinaryArray(const std::string& FName, const TDouble3DArray& A);
int SaveBinaryArray(const std::string& FName, const TDouble4DArray& A);
int SaveBinaryArray(const std::string& FName, const TIntArray& A);
int SaveBinaryArray(const std::string& FName, const TInt2DArray& A);
int SaveBinaryArray(const std::string& FName, const TInt3DArray& A);
int SaveBinaryArray(const std::string& FName, const TInt4DArray& A);
///@}

/// Reads a binary array file into A. Codes as LoadArray; -3 also when the size of the file does
/// not match its header or the CRC-32 of the cells does not match.
///@{
int LoadBinaryArray(const std::string& FName, TDoubleArray& A);
int LoadBinaryArray(const std::string& FName, TDouble2DArray& A);
int LoadBinaryArray(const std::string& FName, TDouble3DArray& A);
int LoadBinaryArray(const std::string& FName, TDouble4DArray& A);
int LoadBinaryArray(const std::string& FName, TIntArray& A);
int LoadBinaryArray(const std::string& FName, TInt2DArray& A);
int LoadBinaryArray(const std::string& FName, TInt3DArray& A);
int LoadBinaryArray(const std::string& FName, TInt4DArray& A);
///@}

/// Reads only the header of a binary array file, so that a caller can pick the array type before
/// loading: Kind, Rank (1..4) and Extents (Rank values, each >= 1). 0 done; -1 if the file cannot
/// be opened; -2 if it is no binary array file; -3 if the header is damaged or the file size does
/// not match it. The outputs are set only on success.
int ReadBinaryArrayHeader(const std::string& FName, TArrayFileKind& Kind, int& Rank,
                          TIntArray& Extents);

}  // namespace ozm::openarrays
