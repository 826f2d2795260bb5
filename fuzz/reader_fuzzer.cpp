// Fuzz target for the data file reader. The first input byte chooses the chunk sizes of a
// streaming read; the remaining bytes are the file. Every input is read three ways (all at
// once, streamed in chunks, and by a plain reference reader kept here) and they must agree; the
// set must stay within its capacity and hold finite values; an accepted set must prepare. The
// import check reads the same bytes, whole and in the streamed chunks (going on after the reader
// stops, as the file loader feeds it): both reports must agree, stay bounded, count what the
// reader took, and leave the reader's result as it is.
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/run_time_fault.h"
#include "data/data_file_reader.h"
#include "data/import_check.h"
#include "data/import_listing.h"
#include "data/observation_set.h"

namespace {

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "reader invariant broken: %s\n", what);
  std::abort();
}

void Require(bool holds, const char* what) {
  if (!holds) Fail(what);
}

// What one read produced: either the pairs with the flag, or an overflow fault.
struct ReadResult {
  bool Overflowed = false;
  bool ReadFailed = false;
  ObservationSet Obs;
};

// The reference reader, written for clarity, not bounded memory: whole tokens as text and
// std::from_chars for their values.
struct ReferenceReader {
  std::string Token;
  int K = 0;
  bool ReadFailed = false;
  ObservationSet* Obs = nullptr;

  // The token's value, or nullopt when it is no number. Throws on overflow.
  static std::optional<double> Convert(const std::string& token) {
    const bool negative = token[0] == '-';
    const std::string body = negative ? token.substr(1) : token;
    if (body.empty() || body.find('-') != std::string::npos) return std::nullopt;
    if (body.find('.') != body.rfind('.')) return std::nullopt;
    const double zero = negative ? -0.0 : 0.0;
    if (body == ".") return zero;
    double value = 0;
    const auto result = std::from_chars(body.data(), body.data() + body.size(), value);
    if (result.ptr != body.data() + body.size()) Fail("reference conversion stopped early");
    if (result.ec == std::errc::result_out_of_range) {
      // Too large when a nonzero digit stands before the point; otherwise too small.
      const std::string whole = body.substr(0, body.find('.'));
      if (whole.find_first_not_of('0') != std::string::npos) {
        throw RunTimeFault(RunTimeFault::Kind::Overflow, kOverflowText);
      }
      return zero;
    }
    return negative ? -value : value;
  }

  bool Stopped() const { return ReadFailed || (Obs->LastIndex == 99 && K % 2 == 0); }

  void Store() {
    const std::optional<double> value = Convert(Token);
    ReadFailed = !value.has_value();
    Token.clear();
    K += 1;
    Obs->LastIndex = (K - 1) / 2;
    (K % 2 == 1 ? Obs->X : Obs->WorkY)[Obs->LastIndex] = value.value_or(0.0);
  }

  void Read(std::string_view bytes) {
    Obs->LastIndex = 0;
    for (char ch : bytes) {
      if (Stopped()) break;
      if (ch == ',') ch = '.';
      if ((ch >= '0' && ch <= '9') || ch == '.' || ch == '-') {
        Token += ch;
      } else if (!Token.empty()) {
        Store();
      }
    }
    if (!Token.empty()) Store();
    if (K % 2 == 1) Obs->LastIndex -= 1;
  }
};

template <typename Read>
ReadResult Run(Read read) {
  ReadResult result;
  try {
    read(result.Obs, result.ReadFailed);
  } catch (const RunTimeFault& fault) {
    Require(fault.FaultKind == RunTimeFault::Kind::Overflow, "only overflow may be raised");
    result.Overflowed = true;
  }
  return result;
}

// Streams `bytes` in chunk sizes from a small generator seeded by `seed`, including empty
// chunks, and stops feeding once the reader says it has stopped.
// The import check is fed every chunk too, and the rest of the stream after the reader stops.
void StreamRead(std::string_view bytes,
                std::uint8_t seed,
                ObservationSet& obs,
                bool& failed,
                ImportCheck& check) {
  DataReadState state;
  BeginDataRead(state, obs);
  BeginImportCheck(check);
  std::uint32_t random = seed;
  const std::uint32_t largest = seed % 64u + 1u;
  bool reading = true;
  bool checking = true;
  while (!bytes.empty() && (reading || checking)) {
    random = random * 134775813u + 1u;
    const std::size_t size = std::min<std::size_t>(bytes.size(), (random >> 16) % (largest + 1));
    if (reading) reading = FeedDataBytes(state, bytes.substr(0, size), obs);
    if (checking) checking = FeedImportBytes(check, bytes.substr(0, size));
    bytes.remove_prefix(size);
  }
  FinishDataRead(state, obs, failed);
}

void RequireSameReport(const ImportReport& a, const ImportReport& b) {
  Require(a.NumbersRead == b.NumbersRead && a.NumbersLeftOut == b.NumbersLeftOut,
          "check counts agree whole and streamed");
  Require(a.ReadFailed == b.ReadFailed && a.FailedLine == b.FailedLine &&
              a.FailedToken == b.FailedToken,
          "check failures agree whole and streamed");
  Require(a.Signs.size() == b.Signs.size(), "check signs agree whole and streamed");
  for (std::size_t i = 0; i < a.Signs.size(); ++i) {
    const ImportSign& x = a.Signs[i];
    const ImportSign& y = b.Signs[i];
    Require(x.Kind == y.Kind && x.Line == y.Line && x.Token == y.Token && x.Count == y.Count &&
                x.Explanation == y.Explanation,
            "check sign agrees whole and streamed");
  }
}

// The report is bounded whatever the input, and counts the numbers the reader took.
void CheckReport(const ImportReport& report, const ReadResult& read, std::size_t size) {
  Require(report.Prefix.size() <= kImportPrefixBytes, "prefix bounded");
  Require(report.Signs.size() <= static_cast<std::size_t>(kImportSignKinds), "one sign a kind");
  Require(report.FailedToken.size() <= kImportShownBytes + 3, "failed token bounded");
  for (const ImportSign& sign : report.Signs) {
    Require(sign.Token.size() <= 2 * kImportShownBytes + 8, "sign token bounded");
    Require(sign.Explanation.size() <= 1024, "explanation bounded");
    Require(sign.Line >= 1 && sign.Line <= static_cast<std::int64_t>(size) + 1, "sign line");
  }
  Require(report.NumbersRead >= 0 && report.NumbersRead <= 200, "numbers read within 200");
  Require(report.NumbersLeftOut == 0 || report.NumbersRead == 200, "left out only after 200");
  if (read.Overflowed) return;
  Require(report.ReadFailed == read.ReadFailed, "check sees the reader's failure");
  const std::int64_t k = report.NumbersRead;
  const std::int64_t lastIndex = k == 0 ? 0 : (k - 1) / 2 - (k % 2);
  Require(lastIndex == read.Obs.LastIndex, "check counts the numbers the reader took");
}

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// The pairs read, the flag and the fault must be the same, bit for bit. After an overflow the
// stored part of the set is not a result, so only the fault is compared.
void RequireSame(const ReadResult& a, const ReadResult& b, const char* what) {
  Require(a.Overflowed == b.Overflowed, what);
  if (a.Overflowed) return;
  Require(a.ReadFailed == b.ReadFailed, what);
  Require(a.Obs.LastIndex == b.Obs.LastIndex, what);
  for (int i = 0; i <= a.Obs.LastIndex; ++i) {
    Require(SameBits(a.Obs.X[i], b.Obs.X[i]) && SameBits(a.Obs.WorkY[i], b.Obs.WorkY[i]), what);
  }
}

void CheckSet(const ReadResult& r) {
  if (r.Overflowed) return;
  const ObservationSet& obs = r.Obs;
  Require(obs.LastIndex >= -1 && obs.LastIndex <= 99, "LastIndex within -1..99");
  for (int i = 0; i <= obs.LastIndex; ++i) {
    Require(std::isfinite(obs.X[i]) && std::isfinite(obs.WorkY[i]), "values finite");
  }
  if (r.ReadFailed || obs.LastIndex < 3) return;

  // A set the window accepts (4 pairs or more) must prepare into a sorted set with finite
  // statistics, or fail with the overflow fault for an x range wider than the doubles.
  ObservationSet prepared = obs;
  try {
    PrepareData(prepared);
  } catch (const RunTimeFault& fault) {
    Require(fault.FaultKind == RunTimeFault::Kind::Overflow, "prepare raises only overflow");
    Require(std::isinf(prepared.XMax - prepared.XMin),
            "prepare overflows only for an x range beyond the doubles");
    return;
  }
  for (int i = 0; i < prepared.LastIndex; ++i) {
    Require(prepared.X[i] <= prepared.X[i + 1], "prepared set sorted");
  }
  Require(std::isfinite(prepared.MinPeriod) && prepared.MinPeriod >= 0, "MinPeriod finite");
  Require(prepared.YAbsMax >= std::fabs(prepared.YMin) && prepared.YAbsMax >= prepared.YMax,
          "YAbsMax bounds the y");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint8_t seed = data[0];
  const std::string_view file(reinterpret_cast<const char*>(data + 1), size - 1);

  const ReadResult whole =
      Run([&](ObservationSet& obs, bool& failed) { LoadDataBytes(file, obs, failed); });
  const auto check = std::make_unique<ImportCheck>();
  const ReadResult streamed =
      Run([&](ObservationSet& obs, bool& failed) { StreamRead(file, seed, obs, failed, *check); });
  const ReadResult reference = Run([&](ObservationSet& obs, bool& failed) {
    ReferenceReader reader;
    reader.Obs = &obs;
    reader.Read(file);
    failed = reader.ReadFailed;
  });

  RequireSame(whole, streamed, "whole and streamed reads agree");
  RequireSame(whole, reference, "reader agrees with the reference reader");
  CheckSet(whole);

  const ImportReport streamedReport = FinishImportCheck(*check);
  const ImportReport wholeReport = CheckImportBytes(file);
  // An overflow ends the streamed read, and the feeding of the check with it.
  if (!streamed.Overflowed) RequireSameReport(wholeReport, streamedReport);
  CheckReport(wholeReport, whole, file.size());
  const std::vector<std::string> listing = ImportListing(wholeReport);
  Require(listing.size() <= static_cast<std::size_t>(kListedLines) + 16, "listing bounded");
  return 0;
}
