#include "wizard/relationmerge.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QTemporaryDir>
#include <random>
#include <set>
#include <string>
#include <thread>

#include "tests/support/files.h"

namespace varnel {
namespace {

// Keys a hash could confuse: empty, one byte apart, prefixes of each other,
// long, and with bytes of every value.
std::vector<std::string> TrickyKeys(unsigned seed, int count) {
  std::mt19937 gen(seed);
  std::vector<std::string> keys{"", "a", "b", "ab", "ba", "a;b", std::string(1, '\0'), std::string(2, '\0')};
  for (int k = 0; k < count; ++k) {
    const std::size_t length = gen() % 16 == 0 ? gen() % 3000 : gen() % 40;
    std::string key(length, '\0');
    for (char& c : key) c = static_cast<char>(gen() % 4 == 0 ? gen() % 256 : '0' + gen() % 3);
    keys.push_back(key);
    // The same key again, or differing in its last byte only.
    if (!key.empty() && gen() % 3 == 0) {
      key.back() = static_cast<char>(key.back() ^ 1);
      keys.push_back(key);
    }
    if (gen() % 5 == 0) keys.push_back(keys[gen() % keys.size()]);
  }
  return keys;
}

TEST(RelationKeySet, AgreesWithAnOrderedSetKeyForKey) {
  for (const unsigned seed : {1u, 2u}) {
    RelationKeySet set;
    std::set<std::string> reference;
    for (const std::string& key : TrickyKeys(seed, 20000)) {
      ASSERT_EQ(set.Insert(key), reference.insert(key).second) << "seed " << seed;
      ASSERT_EQ(set.Size(), reference.size());
    }
    for (const std::string& key : reference) EXPECT_TRUE(set.Contains(key));
    for (const std::string& key : TrickyKeys(seed + 100, 2000))
      EXPECT_EQ(set.Contains(key), reference.count(key) == 1);
  }
}

TEST(RelationKeySet, HoldsAKeyInLittleMoreThanItsBytes) {
  RelationKeySet set;
  const int count = 300000;
  std::size_t bytes = 0;
  for (long long k = 0; k < count; ++k) {
    const std::string key = "1.0000;-0.5000;0.0000;" + std::to_string(k * 7919) + ";0.2500";
    bytes += key.size();
    ASSERT_TRUE(set.Insert(key));
  }
  // The keys, their lengths, a table at most three quarters full and the
  // unused end of the last block.
  EXPECT_LE(set.MemoryBytes(), bytes + 4 * count + 24 * count + (std::size_t{16} << 20));
  EXPECT_FALSE(set.Insert("1.0000;-0.5000;0.0000;0;0.2500"));
}

class MergeTest : public ::testing::Test {
 protected:
  QString Write(const char* name, const QByteArray& bytes) {
    const QString path = dir.filePath(QLatin1String(name));
    test::WriteFileOrFail(path, bytes);
    return path;
  }
  struct Merged {
    int status;
    QByteArray out;
    QByteArray err;
  };
  static Merged Merge(const QStringList& parts) {
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    Merged m{MergeRelationParts(parts, out, err), ReadAll(out), ReadAll(err)};
    return m;
  }
  static QByteArray ReadAll(std::FILE* f) {
    std::rewind(f);
    QByteArray bytes;
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) bytes.append(buf, static_cast<qsizetype>(n));
    std::fclose(f);
    return bytes;
  }
  QTemporaryDir dir;
};

const QByteArray PartA = "k1\tone\nk2\ttwo\r\nk1\tone again\n";
const QByteArray PartB = "k3\tthree\nk2\ttwo again\nk4\tfour";  // no break after the last line
const QByteArray Joined = "one\ntwo\nthree\nfour\n";

TEST_F(MergeTest, KeepsTheFirstLineOfEachKeyInTheOrderGiven) {
  const Merged m = Merge({Write("a", PartA), Write("b", PartB)});
  EXPECT_EQ(m.status, 0) << m.err.toStdString();
  EXPECT_EQ(m.out, Joined);
  EXPECT_EQ(Merge({Write("b", PartB), Write("a", PartA)}).out, "three\ntwo again\nfour\none\n");
  // An empty part, and an empty line at the very end, are nothing.
  EXPECT_EQ(Merge({Write("e", ""), Write("t", PartA + "\n")}).out, "one\ntwo\n");
}

// A part given as a pipe (what "<(cat part)" hands over) or as a named FIFO
// is read to its end like a file, however slowly its writer writes.
TEST_F(MergeTest, PartsFromPipesAndFifosAreReadToTheirEnd) {
  const QString fifo = dir.filePath(QStringLiteral("fifo"));
  ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  int pipeFds[2];
  ASSERT_EQ(::pipe(pipeFds), 0);
  // Written a few bytes at a time, so that a reader that stops at the first
  // empty moment reads nothing or half a line.
  const auto trickle = [](int fd, const QByteArray& bytes) {
    for (qsizetype at = 0; at < bytes.size(); at += 3) {
      const auto n = static_cast<std::size_t>(std::min<qsizetype>(3, bytes.size() - at));
      if (::write(fd, bytes.constData() + at, n) != static_cast<ssize_t>(n)) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ::close(fd);
  };
  std::thread pipeWriter(trickle, pipeFds[1], PartA);
  std::thread fifoWriter([&] {
    const int fd = ::open(QFile::encodeName(fifo).constData(), O_WRONLY);
    if (fd >= 0) trickle(fd, PartB);
  });
  const Merged m = Merge({QStringLiteral("/dev/fd/") + QString::number(pipeFds[0]), fifo});
  pipeWriter.join();
  fifoWriter.join();
  ::close(pipeFds[0]);
  EXPECT_EQ(m.status, 0) << m.err.toStdString();
  EXPECT_EQ(m.out, Joined);
}

TEST_F(MergeTest, ABadPartIsReportedWithItsLineAndNothingIsPrinted) {
  const QString good = Write("good", PartA);
  struct Case {
    QByteArray part;
    const char* message;
  };
  const Case cases[] = {
      {"k1\tone\nno tab here\n", ":2 is not a keyed relation line"},
      {"\tno key\n", ":1 is not a keyed relation line"},
      {"k1\tone\n\nk2\ttwo\n", ":2 is not a keyed relation line"},  // an empty line inside
      {"k\tx\n" + QByteArray(RelationKeySet::MaxKeyBytes + 1, 'k') + "\tlong\n", ":2 has a key of more than"},
  };
  for (const Case& c : cases) {
    const Merged m = Merge({good, Write("bad", c.part)});
    EXPECT_EQ(m.status, 1);
    EXPECT_TRUE(m.err.contains(c.message)) << m.err.toStdString();
    EXPECT_TRUE(m.out.isEmpty());
  }
  for (const QString& unreadable : {dir.filePath(QStringLiteral("missing")), dir.path()}) {
    const Merged m = Merge({good, unreadable});
    EXPECT_EQ(m.status, 1);
    EXPECT_TRUE(m.err.startsWith("error: cannot read " + unreadable.toLocal8Bit() + ": ")) << m.err.toStdString();
    EXPECT_TRUE(m.out.isEmpty());
  }
}

}  // namespace
}  // namespace varnel
