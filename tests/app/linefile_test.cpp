#include "app/linefile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QTemporaryDir>
#include <random>
#include <string>
#include <vector>

#include "app/textcodec.h"
#include "tests/support/files.h"

namespace varnel {
namespace {

std::vector<std::string> ReadLines(LineFile& file, std::size_t stopAfter = SIZE_MAX) {
  std::vector<std::string> out;
  QString error;
  const bool ok = file.ForEachLine(
      [&](std::string_view line, std::size_t index) {
        EXPECT_EQ(index, out.size());
        out.emplace_back(line);
        return out.size() < stopAfter;
      },
      &error);
  EXPECT_TRUE(ok) << error.toStdString();
  return out;
}

TEST(LineFile, SplitsAsTheWholeTextIsSplitWhateverTheSizeOfThePieces) {
  // Random texts rich in CR, LF and CR LF, read in pieces of every small
  // size, compared line by line with the whole text split at once.
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("lines.txt"));
  std::mt19937 gen(19);
  const char alphabet[] = {'a', 'b', '\t', '\r', '\n', '\r', '\n', ';'};
  for (int round = 0; round < 60; ++round) {
    std::string text(gen() % 80, ' ');
    for (char& c : text) c = alphabet[gen() % sizeof alphabet];
    ASSERT_TRUE(test::WriteFile(path, QByteArray::fromStdString(text)));
    std::vector<std::string> expected;
    for (std::string_view l : SplitLines(text)) expected.emplace_back(l);
    for (std::size_t piece = 1; piece <= 9; ++piece) {
      LineFile file;
      file.ChunkSize = piece;
      ASSERT_TRUE(file.Open(path, nullptr));
      EXPECT_EQ(ReadLines(file), expected) << "round " << round << ", pieces of " << piece;
      // A second pass reads the same lines again.
      EXPECT_EQ(ReadLines(file), expected) << "second pass, round " << round;
    }
  }
}

TEST(LineFile, StopsWhenAskedAndTellsWhetherTheFileWasRewritten) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("lines.txt"));
  ASSERT_TRUE(test::WriteFile(path, "one\ntwo\nthree\n"));
  LineFile file;
  ASSERT_TRUE(file.Open(path, nullptr));
  EXPECT_EQ(ReadLines(file, 2), (std::vector<std::string>{"one", "two"}));
  EXPECT_EQ(file.Size(), 14u);
  EXPECT_TRUE(file.Unchanged());
  ASSERT_TRUE(test::WriteFile(path, "one\ntwo\nthree\nfour\n"));
  EXPECT_FALSE(file.Unchanged()) << "the file grew after it was opened";
}

TEST(LineFile, RefusesFoldersAndFifosWithoutReadingThem) {
  QTemporaryDir dir;
  LineFile file;
  QString error;
  EXPECT_FALSE(file.Open(dir.path(), &error));
  EXPECT_TRUE(error.endsWith(QStringLiteral("it is a folder."))) << error.toStdString();
  const QString fifo = dir.filePath(QStringLiteral("pipe"));
  ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  EXPECT_FALSE(file.Open(fifo, &error)) << "a FIFO with no writer must not block or be read";
  EXPECT_TRUE(error.endsWith(QStringLiteral("it is not a regular file."))) << error.toStdString();
  EXPECT_FALSE(file.Open(dir.filePath(QStringLiteral("missing")), &error));
  EXPECT_TRUE(error.startsWith(QStringLiteral("Cannot open"))) << error.toStdString();
}

}  // namespace
}  // namespace varnel
