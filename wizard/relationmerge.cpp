#include "wizard/relationmerge.h"

#include <fcntl.h>
#include <unistd.h>

#include <QFile>
#include <cerrno>
#include <cstring>
#include <new>
#include <string>

namespace varnel {
namespace {

// Calls line(text) for every line of the file descriptor, read to its end
// in large pieces, until it returns false; the LF is not part of the text.
// False with errno set when reading fails.
template <typename F>
bool ForEachLine(int fd, F&& line) {
  std::string chunk(std::size_t{1} << 20, '\0');
  std::string pending;  // the start of a line that goes on in the next piece
  for (;;) {
    const ssize_t n = ::read(fd, chunk.data(), chunk.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) break;
    std::string_view rest(chunk.data(), static_cast<std::size_t>(n));
    for (std::size_t lf; (lf = rest.find('\n')) != std::string_view::npos; rest.remove_prefix(lf + 1)) {
      if (pending.empty()) {
        if (!line(rest.substr(0, lf))) return true;
      } else {
        pending.append(rest.substr(0, lf));
        if (!line(std::string_view(pending))) return true;
        pending.clear();
      }
    }
    pending.append(rest);
  }
  if (!pending.empty()) line(std::string_view(pending));
  return true;
}

}  // namespace

int MergeRelationParts(const QStringList& parts, std::FILE* out, std::FILE* err) {
  // The kept lines wait in an unnamed temporary file until every part has
  // been read, so that memory holds the keys alone.
  std::FILE* spool = std::tmpfile();
  if (!spool) {
    std::fprintf(err, "error: cannot make a temporary file for the merged lines: %s\n", std::strerror(errno));
    return 1;
  }
  struct Closer {
    std::FILE* f;
    ~Closer() { std::fclose(f); }
  } closeSpool{spool};

  RelationKeySet seen;
  try {
    for (const QString& part : parts) {
      const QByteArray name = part.toLocal8Bit();
      const int fd = ::open(QFile::encodeName(part).constData(), O_RDONLY | O_CLOEXEC);
      if (fd < 0) {
        std::fprintf(err, "error: cannot read %s: %s\n", name.constData(), std::strerror(errno));
        return 1;
      }
      long number = 0;
      long emptyLine = 0;  // an empty line is allowed as the last one only
      std::string failure;
      const bool read = ForEachLine(fd, [&](std::string_view line) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (emptyLine != 0) {
          failure = name.toStdString() + ":" + std::to_string(emptyLine) + " is not a keyed relation line";
          return false;
        }
        if (line.empty()) {
          emptyLine = number;
          return true;
        }
        const std::size_t tab = line.find('\t');
        if (tab == 0 || tab == std::string_view::npos) {
          failure = name.toStdString() + ":" + std::to_string(number) + " is not a keyed relation line";
          return false;
        }
        if (tab > RelationKeySet::MaxKeyBytes) {
          failure = name.toStdString() + ":" + std::to_string(number) + " has a key of more than " +
                    std::to_string(RelationKeySet::MaxKeyBytes) + " bytes";
          return false;
        }
        if (seen.Insert(line.substr(0, tab))) {
          const std::string_view kept = line.substr(tab + 1);
          std::fwrite(kept.data(), 1, kept.size(), spool);
          std::fputc('\n', spool);
        }
        return true;
      });
      const int readErr = errno;
      ::close(fd);
      if (!read) {
        std::fprintf(err, "error: cannot read %s: %s\n", name.constData(), std::strerror(readErr));
        return 1;
      }
      if (!failure.empty()) {
        std::fprintf(err, "error: %s\n", failure.c_str());
        return 1;
      }
    }
  } catch (const std::bad_alloc&) {
    std::fprintf(err,
                 "error: not enough memory to merge the relation parts (%zu distinct relations were "
                 "held)\n",
                 seen.Size());
    return 1;
  }
  if (std::fflush(spool) != 0 || std::ferror(spool)) {
    std::fprintf(err, "error: cannot keep the merged lines in a temporary file: %s\n", std::strerror(errno));
    return 1;
  }
  std::rewind(spool);
  char buffer[1 << 16];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, spool)) > 0;)
    if (std::fwrite(buffer, 1, n, out) != n) break;
  std::fflush(out);
  return 0;
}

}  // namespace varnel
