#include "cli/stream_input.h"

#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "base/run_time_fault.h"

namespace {

[[noreturn]] void RaiseStreamFault(const char* action, const std::string& path) {
  throw RunTimeFault(RunTimeFault::Kind::InputOutput,
                     std::string(action) + " file \"" + path + "\": " + strerror(errno));
}

}  // namespace

bool IsStreamInput(const std::string& path) {
  if (path == "-") return true;
  struct stat status {};
  if (stat(path.c_str(), &status) != 0) return false;
  return !S_ISREG(status.st_mode) && !S_ISDIR(status.st_mode);
}

bool IsOwnStream(const std::string& path) {
  return path == "-" || path == "/dev/stdin" || path.rfind("/dev/fd/", 0) == 0 ||
         path.rfind("/proc/self/fd/", 0) == 0;
}

std::string ReadStreamInput(const std::string& path, std::size_t limit, bool untilNul) {
  int fd = STDIN_FILENO;
  if (path != "-") {
    // Without O_NONBLOCK the open of a named pipe would wait for a writer; with it, a pipe that
    // has none reads as empty. Reads then wait for data as usual.
    fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) RaiseStreamFault("Cannot open", path);
    const int flags = fcntl(fd, F_GETFL);
    if (flags >= 0) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  }
  std::string bytes;
  char buffer[64 * 1024];
  while (bytes.size() < limit) {
    const ssize_t count = read(fd, buffer, std::min(sizeof buffer, limit - bytes.size()));
    if (count == 0) break;
    if (count < 0) {
      if (errno == EINTR) continue;
      const int error = errno;
      if (fd != STDIN_FILENO) close(fd);
      errno = error;
      RaiseStreamFault("Cannot read", path);
    }
    bytes.append(buffer, static_cast<std::size_t>(count));
    // Text with no UTF-16 mark holds no NUL byte: the stream is no text, and what follows
    // (/dev/zero's, endlessly) changes nothing.
    const bool utf16 = bytes.rfind("\xFF\xFE", 0) == 0 || bytes.rfind("\xFE\xFF", 0) == 0;
    if (untilNul && !utf16 && std::memchr(buffer, 0, static_cast<std::size_t>(count))) break;
  }
  if (fd != STDIN_FILENO) close(fd);
  return bytes;
}
