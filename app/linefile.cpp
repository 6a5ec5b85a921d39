#include "app/linefile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <cerrno>
#include <cstring>

#include "app/atomicfile.h"

namespace varnel {

LineFile::~LineFile() {
  if (fd_ >= 0) ::close(fd_);
}

bool LineFile::Open(const QString& path, QString* error) {
  struct stat st;
  const int fd = OpenRegularFile(path, &st, error);
  if (fd < 0) return false;
  if (fd_ >= 0) ::close(fd_);
  fd_ = fd;
  path_ = path;
  size_ = static_cast<std::uint64_t>(st.st_size);
  modifiedSeconds_ = st.st_mtim.tv_sec;
  modifiedNanoseconds_ = st.st_mtim.tv_nsec;
  return true;
}

bool LineFile::Unchanged() const {
  struct stat st;
  if (fd_ < 0 || ::fstat(fd_, &st) != 0) return false;
  return static_cast<std::uint64_t>(st.st_size) == size_ && st.st_mtim.tv_sec == modifiedSeconds_ &&
         st.st_mtim.tv_nsec == modifiedNanoseconds_;
}

bool LineFile::ForEachLine(const std::function<bool(std::string_view, std::size_t)>& line, QString* error) {
  auto fail = [&](int err) {
    if (error)
      *error = QStringLiteral("Cannot read \"%1\": %2")
                   .arg(QDir::toNativeSeparators(path_), QString::fromLocal8Bit(std::strerror(err)));
    return false;
  };
  if (fd_ < 0) return fail(EBADF);
  if (::lseek(fd_, 0, SEEK_SET) != 0) return fail(errno);
  // buffer holds the unfinished last line of what has been read so far,
  // followed by the next piece; it grows only for lines longer than a piece.
  // Running out of memory here or in line() is the caller's to handle.
  std::string buffer;
  std::size_t scanned = 0;  // bytes of buffer known to hold no line break
  std::size_t index = 0;
  for (bool atEnd = false; !atEnd;) {
    const std::size_t kept = buffer.size();
    buffer.resize(kept + ChunkSize);
    ssize_t n;
    do {
      n = ::read(fd_, buffer.data() + kept, ChunkSize);
    } while (n < 0 && errno == EINTR);
    if (n < 0) return fail(errno);
    buffer.resize(kept + static_cast<std::size_t>(n));
    atEnd = n == 0;
    const char* const begin = buffer.data();
    const char* const end = begin + buffer.size();
    const char* start = begin;
    const char* p = begin + scanned;
    while (p < end) {
      const char c = *p;
      if (c != '\n' && c != '\r') {
        ++p;
        continue;
      }
      // A CR at the end of a piece may be the first half of CR LF.
      if (c == '\r' && p + 1 == end && !atEnd) break;
      if (!line(std::string_view(start, static_cast<std::size_t>(p - start)), index++)) return true;
      ++p;
      if (c == '\r' && p < end && *p == '\n') ++p;
      start = p;
    }
    if (atEnd) {
      if (start < end) line(std::string_view(start, static_cast<std::size_t>(end - start)), index++);
      break;
    }
    scanned = static_cast<std::size_t>(p - start);
    buffer.erase(0, static_cast<std::size_t>(start - begin));
  }
  return true;
}

}  // namespace varnel
