#include "data/data_file_reader.h"

#include <fcntl.h>
#include <locale.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <memory>
#include <string>
#include <system_error>

#include "base/run_time_fault.h"

namespace {

// Numbers read at most: 100 pairs.
constexpr std::int32_t kLastReadIndex = kObservationCapacity - 1;

// A token whose leading digit stands at 10^(Exponent - 1) with Exponent above this is at least
// 10^309, beyond the largest double (about 1.8e308); one with Exponent below the other bound is
// under 10^-331, less than half the smallest subnormal (about 4.9e-324), so it rounds to 0.
// Deciding these early keeps the exponent text short.
constexpr std::int64_t kOverflowExponent = 309;
constexpr std::int64_t kUnderflowExponent = -330;

// The buffer size for file reads: large enough that a long file costs few system calls.
constexpr std::size_t kReadChunk = 64 * 1024;

bool IsNumberByte(char ch) { return (ch >= '0' && ch <= '9') || ch == '.' || ch == '-'; }

double SignedZero(bool negative) { return negative ? -0.0 : 0.0; }

// The loop of the reader runs while no number has failed and the y of pair 100 is not stored.
bool ReadStopped(const DataReadState& state, const ObservationSet& obs) {
  return state.ReadFailed || (obs.LastIndex == kLastReadIndex && state.K % 2 == 0);
}

// Converts the token and stores it as the next number: x at odd k, y at even k.
void StoreToken(DataReadState& state, ObservationSet& obs) {
  double value = 0.0;
  const bool converted = ConvertToken(state.Token, value);
  state.ReadFailed = !converted;
  if (!converted) value = 0.0;
  ClearToken(state.Token);
  state.K += 1;
  obs.LastIndex = (state.K - 1) / 2;
  if (state.K % 2 == 1) {
    obs.X[obs.LastIndex] = value;
  } else {
    obs.WorkY[obs.LastIndex] = value;
  }
}

// The system's error text in English, whatever locale the window framework has set.
std::string ErrorText(int error) {
  static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
  if (cLocale == static_cast<locale_t>(0)) return "error " + std::to_string(error);
  return strerror_l(error, cLocale);
}

[[noreturn]] void RaiseFileFault(const char* action,
                                 const std::string& path,
                                 const std::string& reason) {
  throw RunTimeFault(RunTimeFault::Kind::InputOutput,
                     std::string(action) + " file \"" + path + "\": " + reason);
}

// Closes the descriptor when a fault leaves the read early; the normal path closes it itself
// so that a failed close can be reported.
struct FileDescriptor {
  int Fd = -1;
  ~FileDescriptor() {
    if (Fd >= 0) close(Fd);
  }
};

// Opens path for reading and makes sure it is a regular file before any byte is read.
// O_NONBLOCK keeps the open of a FIFO without a writer from waiting; it does not change how a
// regular file reads.
void OpenRegularFile(const std::string& path, FileDescriptor& file) {
  file.Fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (file.Fd < 0) RaiseFileFault("Cannot open", path, ErrorText(errno));
  struct stat status {};
  if (fstat(file.Fd, &status) != 0) RaiseFileFault("Cannot open", path, ErrorText(errno));
  if (!S_ISREG(status.st_mode)) RaiseFileFault("Cannot open", path, "it is not a regular file");
}

// Reads up to capacity bytes; returns 0 at the end of the file.
std::size_t ReadChunk(int fd, char* buffer, std::size_t capacity, const std::string& path) {
  for (;;) {
    const ssize_t count = read(fd, buffer, capacity);
    if (count >= 0) return static_cast<std::size_t>(count);
    if (errno != EINTR) RaiseFileFault("Cannot read", path, ErrorText(errno));
  }
}

}  // namespace

void ClearToken(NumberToken& token) {
  // Digits past KeptCount are never read, so they are left as they are.
  token.Length = 0;
  token.Negative = false;
  token.Malformed = false;
  token.SawPoint = false;
  token.SawSignificant = false;
  token.DroppedNonZero = false;
  token.KeptCount = 0;
  token.Exponent = 0;
}

void AppendTokenByte(NumberToken& token, char ch) {
  token.Length += 1;
  if (ch == '-') {
    if (token.Length == 1) {
      token.Negative = true;
    } else {
      token.Malformed = true;
    }
    return;
  }
  if (ch == '.') {
    if (token.SawPoint) token.Malformed = true;
    token.SawPoint = true;
    return;
  }
  if (!token.SawSignificant) {
    // Leading zeros only move the exponent when they follow the point.
    if (ch == '0') {
      if (token.SawPoint) token.Exponent -= 1;
      return;
    }
    token.SawSignificant = true;
  }
  if (!token.SawPoint) token.Exponent += 1;
  if (token.KeptCount < kKeptDigits) {
    token.Digits[token.KeptCount++] = ch;
  } else if (ch != '0') {
    token.DroppedNonZero = true;
  }
}

bool ConvertToken(const NumberToken& token, double& value) {
  if (token.Malformed || token.Length == 0) return false;
  if (token.Negative && token.Length == 1) return false;
  if (!token.SawSignificant) {
    value = SignedZero(token.Negative);
    return true;
  }
  if (token.Exponent > kOverflowExponent) RaiseFault(RunTimeFault::Kind::Overflow);
  if (token.Exponent < kUnderflowExponent) {
    value = SignedZero(token.Negative);
    return true;
  }
  // "-0." + digits + sticky digit + "e-330": the sticky '1' stands strictly between the kept
  // prefix and the next value of its last place, which no midpoint between doubles can.
  char text[kKeptDigits + 16];
  char* end = text;
  if (token.Negative) *end++ = '-';
  *end++ = '0';
  *end++ = '.';
  end = std::copy(token.Digits, token.Digits + token.KeptCount, end);
  if (token.DroppedNonZero) *end++ = '1';
  *end++ = 'e';
  end = std::to_chars(end, text + sizeof text, token.Exponent).ptr;
  const std::from_chars_result result = std::from_chars(text, end, value);
  if (result.ec == std::errc::result_out_of_range) {
    // Out of range is an overflow for a value of at least 0.1 and an underflow below that.
    if (token.Exponent > 0) RaiseFault(RunTimeFault::Kind::Overflow);
    value = SignedZero(token.Negative);
  }
  return true;
}

void BeginDataRead(DataReadState& state, ObservationSet& obs) {
  ClearToken(state.Token);
  state.K = 0;
  state.ReadFailed = false;
  obs.LastIndex = 0;
}

bool FeedDataBytes(DataReadState& state, std::string_view bytes, ObservationSet& obs) {
  for (char ch : bytes) {
    if (ReadStopped(state, obs)) return false;
    if (ch == ',') ch = '.';
    if (IsNumberByte(ch)) {
      AppendTokenByte(state.Token, ch);
    } else if (state.Token.Length != 0) {
      StoreToken(state, obs);
    }
  }
  return !ReadStopped(state, obs);
}

void FinishDataRead(DataReadState& state, ObservationSet& obs, bool& readFailed) {
  // The token is empty when the read stopped early, so this stores only a number that ends at
  // the end of the file.
  if (state.Token.Length != 0) StoreToken(state, obs);
  if (state.K % 2 == 1) obs.LastIndex -= 1;
  readFailed = state.ReadFailed;
}

void LoadDataBytes(std::string_view bytes, ObservationSet& obs, bool& readFailed) {
  DataReadState state;
  BeginDataRead(state, obs);
  FeedDataBytes(state, bytes, obs);
  FinishDataRead(state, obs, readFailed);
}

void LoadDataFile(const std::string& path, ObservationSet& obs, bool& readFailed) {
  LoadDataFile(path, obs, readFailed, DataBytesSeen());
}

void LoadDataFile(const std::string& path,
                  ObservationSet& obs,
                  bool& readFailed,
                  const DataBytesSeen& seen) {
  FileDescriptor file;
  OpenRegularFile(path, file);
  const auto buffer = std::make_unique<char[]>(kReadChunk);
  const auto state = std::make_unique<DataReadState>();
  BeginDataRead(*state, obs);
  bool reading = true;
  bool seeing = static_cast<bool>(seen);
  while (reading || seeing) {
    std::size_t count = 0;
    if (reading) {
      count = ReadChunk(file.Fd, buffer.get(), kReadChunk, path);
    } else {
      // The reader has all it takes: a failing read of the rest only ends what seen is given.
      try {
        count = ReadChunk(file.Fd, buffer.get(), kReadChunk, path);
      } catch (const RunTimeFault&) {
        break;
      }
    }
    if (count == 0) break;
    const std::string_view chunk(buffer.get(), count);
    if (reading) reading = FeedDataBytes(*state, chunk, obs);
    if (seeing) seeing = seen(chunk);
  }
  FinishDataRead(*state, obs, readFailed);
  const int fd = file.Fd;
  file.Fd = -1;
  if (close(fd) != 0 && errno != EINTR) RaiseFileFault("Cannot close", path, ErrorText(errno));
}
