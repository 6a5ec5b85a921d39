// A text file read line by line in pieces, so that a large file never has
// to be held whole in memory. Lines are split as SplitLines splits a text
// (CR LF, a lone CR and a lone LF; no extra empty line after a last break).
#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace varnel {

class LineFile {
 public:
  LineFile() = default;
  LineFile(const LineFile&) = delete;
  LineFile& operator=(const LineFile&) = delete;
  ~LineFile();

  // Opens a regular file; folders, FIFOs and devices are refused unread.
  bool Open(const QString& path, QString* error);

  // Calls line(text, index) for every line from the start of the file, the
  // index 0-based; line returns false to stop early. False with the reason
  // in error when reading fails.
  bool ForEachLine(const std::function<bool(std::string_view, std::size_t)>& line, QString* error);

  // Whether the file still has the size and modification time it had when
  // it was opened: a second pass over a file someone else rewrote meanwhile
  // would not read what the first one did.
  bool Unchanged() const;

  std::uint64_t Size() const { return size_; }

  // Bytes read at a time; tests make it small to put breaks at every edge.
  std::size_t ChunkSize = 1 << 20;

 private:
  QString path_;
  int fd_ = -1;
  std::uint64_t size_ = 0;
  std::int64_t modifiedSeconds_ = 0;
  std::int64_t modifiedNanoseconds_ = 0;
};

}  // namespace varnel
