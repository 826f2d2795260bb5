#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "data/observation_set.h"

// The data file is a byte stream of decimal numbers taken in order as x1, y1, x2, y2, ...
// A number is a maximal run of digits, '.' and '-', with ',' read as '.'; every other byte
// (blanks, line ends, letters, '+', NUL, bytes above 127) ends a number and is otherwise ignored.
// At most 200 numbers (100 pairs) are read; an unpaired last x is dropped.

// Significant digits a token keeps for its conversion. A double, or a midpoint between two
// neighbouring doubles, never needs more than 767 significant decimal digits, so the first 800
// plus one sticky digit standing for all the nonzero digits dropped after them round exactly as
// the whole token would, however long it is.
inline constexpr int kKeptDigits = 800;

// The number being read, kept in bounded memory whatever its length: its sign, its leading
// significant digits and its decimal exponent, with the checks of the number syntax made byte
// by byte.
struct NumberToken {
  std::int64_t Length = 0;        // bytes appended; 0 is the empty token
  bool Negative = false;          // a '-' in the first place
  bool Malformed = false;         // a '-' in a later place, or a second '.'
  bool SawPoint = false;          // the one '.' allowed
  bool SawSignificant = false;    // a nonzero digit has been seen
  bool DroppedNonZero = false;    // a nonzero digit fell beyond kKeptDigits
  int KeptCount = 0;              // digits held in Digits
  std::int64_t Exponent = 0;      // value = 0.Digits x 10^Exponent
  char Digits[kKeptDigits] = {};  // significant digits, leading zeros left out
};

// Empties the token.
void ClearToken(NumberToken& token);

// Appends one number byte: a digit, '.' or '-' (a ',' must already be mapped to '.').
void AppendTokenByte(NumberToken& token, char ch);

// Converts a non-empty token to the nearest double (ties to even) and returns true, or returns
// false when it is no number: a lone '-', a '-' after the first place, or a second '.'. A '.'
// alone and "-." are 0; a value too small for a double reads as its rounded value or 0, with the
// token's sign. Raises RunTimeFault (Overflow) when the value rounds beyond the largest double.
bool ConvertToken(const NumberToken& token, double& value);

// The read in progress: the loader's token, the count k of numbers stored so far and the
// conversion failure flag. The last valid index n lives in the set's LastIndex.
struct DataReadState {
  NumberToken Token;
  std::int32_t K = 0;
  bool ReadFailed = false;
};

// Starts a read into obs: empties the token, clears the flag, sets k = 0 and LastIndex = 0.
void BeginDataRead(DataReadState& state, ObservationSet& obs);

// Feeds the next bytes of the file, in order, storing x at odd k into X and y at even k into
// WorkY. Returns true while the reader wants more bytes, false once it has stopped (the y of
// pair 100 stored, or a number failed to convert); after that no more bytes may be fed and the
// rest of the file need not be read. A failed number is stored as 0. Raises RunTimeFault
// (Overflow) for a number too large for a double, leaving the numbers stored before it.
bool FeedDataBytes(DataReadState& state, std::string_view bytes, ObservationSet& obs);

// Ends the read at the end of the file (or after FeedDataBytes stopped): stores a number that
// ends at the end of the file, drops an unpaired last x (LastIndex becomes -1 for a single
// number; no number at all leaves 0) and reports whether a number failed to convert.
void FinishDataRead(DataReadState& state, ObservationSet& obs, bool& readFailed);

// Reads the data file held in memory into X[0..n] and WorkY[0..n] and sets LastIndex (n) and
// readFailed, as LoadDataFile does for a file. Does not prepare the set.
void LoadDataBytes(std::string_view bytes, ObservationSet& obs, bool& readFailed);

// Reads the data file at path into X[0..n] and WorkY[0..n] and sets LastIndex (n) and
// readFailed; it does not prepare the set, and it reads no further than the numbers it takes.
// Raises RunTimeFault (InputOutput) naming the file when it cannot be opened, is not a regular
// file (a directory, FIFO or device, also through a symlink; checked before any byte is read),
// or a read or the close fails; and RunTimeFault (Overflow) for a number too large for a double.
// A fault leaves the set part-written, so the caller reads into a scratch set and copies it into
// the real one only when this returns.
void LoadDataFile(const std::string& path, ObservationSet& obs, bool& readFailed);

// Receives every chunk of the file as LoadDataFile reads it, whole, including the bytes after the
// point where the reader stopped. Returns true while it wants the rest of the file too.
using DataBytesSeen = std::function<bool(std::string_view bytes)>;

// LoadDataFile, with every byte it reads also passed to seen: the read, its results and its
// faults are those of the plain LoadDataFile. Once the reader has stopped, the file is read on,
// chunk by chunk, while seen returns true.
void LoadDataFile(const std::string& path,
                  ObservationSet& obs,
                  bool& readFailed,
                  const DataBytesSeen& seen);
