#include "app/commands/table_file_read.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>

#include "app/window/background_task.h"

namespace {

constexpr std::size_t kChunkBytes = 1 << 20;  // a progress step and a cancel check per megabyte
constexpr double kReadShare = 0.5;            // of the progress bar; parsing takes the rest

struct Descriptor {
  int Fd = -1;
  ~Descriptor() {
    if (Fd >= 0) close(Fd);
  }
};

std::string Megabytes(std::int64_t bytes) {
  return std::to_string((bytes + (1 << 20) - 1) >> 20) + " МБ";
}

// The open and its checks; empty when the file may be read.
std::string OpenRegular(const std::string& path, Descriptor& file, std::int64_t& size) {
  // O_NONBLOCK: opening a FIFO without a writer returns at once (and is refused below).
  file.Fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (file.Fd < 0) return "Не удалось открыть файл: " + std::string(std::strerror(errno)) + ".";
  struct stat status {};
  if (fstat(file.Fd, &status) != 0) return "Не удалось открыть файл.";
  if (!S_ISREG(status.st_mode)) {
    return "Это не обычный файл (канал, устройство или каталог): таблицу из него прочитать "
           "нельзя.";
  }
  size = status.st_size;
  if (size > kMaxTableFileBytes) {
    return "Файл занимает " + Megabytes(size) + ", а окно читает таблицы не больше " +
           Megabytes(kMaxTableFileBytes) +
           ". Подберите её в командной строке: harmora-fit --table.";
  }
  return {};
}

// Reads the whole file in chunks; false when cancelled. A file that grows while it is read is
// cut at the size it had, so the limit holds.
bool ReadChunks(int fd, std::int64_t size, std::string& bytes, TaskControl& control) {
  bytes.resize(static_cast<std::size_t>(size));
  std::size_t done = 0;
  while (done < bytes.size()) {
    if (control.Cancel.load()) return false;
    const std::size_t want = std::min(kChunkBytes, bytes.size() - done);
    const ssize_t got = read(fd, bytes.data() + done, want);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;  // an error or a file that shrank: what was read is the table
    done += static_cast<std::size_t>(got);
    control.Fraction.store(kReadShare * static_cast<double>(done) / static_cast<double>(size));
  }
  bytes.resize(done);
  return true;
}

}  // namespace

TableFileRead ReadTableForWindow(const std::string& path, TaskControl& control) {
  TableFileRead out;
  try {
    Descriptor file;
    std::int64_t size = 0;
    out.Refusal = OpenRegular(path, file, size);
    if (!out.Refusal.empty()) return out;
    if (!ReadChunks(file.Fd, size, out.Bytes, control)) {
      out.Cancelled = true;
      return out;
    }
    control.Fraction.store(-1);  // the parser reports no progress of its own
    out.Read = ReadTable(out.Bytes);
    if (out.Read.Fault == TableFault::OutOfMemory) throw std::bad_alloc();
  } catch (const std::bad_alloc&) {
    out = {};
    out.Refusal =
        "Не хватило памяти, чтобы прочитать таблицу: закройте другие программы или "
        "сократите таблицу.";
  }
  return out;
}
