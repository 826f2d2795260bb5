// Files that fail at the system level after the open checks, or cannot be opened for reasons
// other than their absence: each is an I/O fault naming the file, never a crash or a hang.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "base/run_time_fault.h"
#include "data/data_file_reader.h"

namespace {

std::string FaultText(const std::string& path) {
  ObservationSet obs;
  bool failed = false;
  try {
    LoadDataFile(path, obs, failed);
  } catch (const RunTimeFault& fault) {
    EXPECT_EQ(fault.FaultKind, RunTimeFault::Kind::InputOutput);
    return fault.what();
  }
  return "no fault";
}

TEST(LoadDataFile, AReadErrorAfterTheOpenIsAnIoFaultNamingTheFile) {
  // A regular file of the process file system whose reads at offset 0 fail with EIO.
  const std::string path = "/proc/self/mem";
  if (access(path.c_str(), R_OK) != 0) GTEST_SKIP() << path << " cannot be opened here";
  EXPECT_EQ(FaultText(path), "Cannot read file \"" + path + "\": Input/output error");
}

TEST(LoadDataFile, ASymlinkLoopIsAnIoFaultNamingTheFile) {
  char pattern[] = "/tmp/harmora_hostile_XXXXXX";
  const std::string dir = mkdtemp(pattern);
  const std::string a = dir + "/a.txt", b = dir + "/b.txt";
  ASSERT_EQ(symlink(b.c_str(), a.c_str()), 0);
  ASSERT_EQ(symlink(a.c_str(), b.c_str()), 0);
  EXPECT_EQ(FaultText(a), "Cannot open file \"" + a + "\": Too many levels of symbolic links");
  std::filesystem::remove_all(dir);
}

}  // namespace
