#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <cstdio>

#include "graphs/graphengine.h"
#include "program/commandline.h"
#include "tests/support/batchrun.h"
#include "tests/support/files.h"

namespace varnel {
namespace {

struct PlotRun {
  int status;
  QString out;
  QString err;
};

PlotRun Plot(const QStringList& args) {
  const test::BatchOutput r = test::RunBatch(QStringList{"plot"} + args);
  return {r.status, r.OutText(), r.err};
}

bool Blue(QRgb c) { return qBlue(c) > 200 && qRed(c) < 60 && qGreen(c) < 60; }
bool Red(QRgb c) { return qRed(c) > 200 && qBlue(c) < 60 && qGreen(c) < 60; }

int RedPixelsIn(const QImage& image, const QRect& area) {
  int n = 0;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x) n += Red(image.pixel(x, y)) ? 1 : 0;
  return n;
}
// Where the legend goes, when it is asked for.
const QRect LegendCorner(0, 0, 300, 200);

class PlotCommandTest : public ::testing::Test {
 protected:
  PlotCommandTest() {
    // Case 1 at the centroid of a, b, c; case 2 on the way to a; case 3 with
    // a negative sum; Color# 1 makes case 2 red.
    test::WriteFileOrFail(data,
                          ";;test\r\nLabel#\ta\tb\tc\td\tColor#\tTielin#\r\n"
                          "one\t1\t1\t1\t1\t2\t4\r\n"
                          "two\t3\t1\t1\t1\t1\t4\r\n"
                          "neg\t-2\t-1\t-1\t0\t2\t\r\n");
  }
  QString Out(const char* name) const { return dir.filePath(QLatin1String(name)); }
  QTemporaryDir dir;
  const QString data = Out("rocks.vnp");
};

TEST_F(PlotCommandTest, DrawsTheTriangleOfTheFirstUntaggedVariablesWithTheFileColours) {
  const PlotRun run = Plot({data, "--width", "1000", "-o", Out("t.png")});
  EXPECT_EQ(run.status, 0) << run.err.toStdString();
  EXPECT_EQ(run.out, "t.png: 2 of 3 cases drawn\n");
  const QImage image(Out("t.png"));
  ASSERT_EQ(image.size(), QSize(1000, 707));
  EXPECT_LT(qGray(image.pixel(725, 548)), 80);  // corner A
  EXPECT_TRUE(Blue(image.pixel(500, 418)));     // case 1 at the centroid, Color# 2
  // Case 2: (0.6, 0.2, 0.2) -> (0.7, 0.1732) -> pixel (590, 470), red.
  EXPECT_TRUE(Red(image.pixel(590, 470)));
  EXPECT_EQ(RedPixelsIn(image, LegendCorner), 0) << "a legend nobody asked for";
}

TEST_F(PlotCommandTest, ChosenApexesCasesAndNegativePoints) {
  PlotRun run = Plot({data, "--apex", "c,b,2", "--cases", "2-3", "--negative-points", "--width", "1000", "-o",
                      Out("c.png")});
  EXPECT_EQ(run.status, 0) << run.err.toStdString();
  EXPECT_EQ(run.out, "c.png: 2 of 3 cases drawn\n");  // case 1 left out; the negative case drawn
  const QImage image(Out("c.png"));
  EXPECT_FALSE(Blue(image.pixel(500, 418)));
  // Case 2 with a on C: (0.2, 0.2, 0.6) -> (0.3, 0.1732) -> pixel (410, 470).
  EXPECT_TRUE(Red(image.pixel(410, 470)));
}

TEST_F(PlotCommandTest, TetrahedronStereoPairAndVectorFormats) {
  PlotRun run = Plot({data, "--view", "stereo", "--alpha", "30", "--theta", "-40", "--eye", "8", "--gamma",
                      "6", "--labels", "--ties", "-o", Out("s.svg")});
  EXPECT_EQ(run.status, 0) << run.err.toStdString();
  EXPECT_EQ(run.out, "s.svg: 2 of 3 cases drawn\n");
  const QByteArray svg = test::ReadFile(Out("s.svg"));
  EXPECT_TRUE(svg.contains("<svg"));
  EXPECT_TRUE(svg.contains(">one<"));
  run = Plot({data, "--view", "tetrahedral", "-o", Out("t.pdf")});
  EXPECT_EQ(run.status, 0);
  EXPECT_TRUE(test::ReadFile(Out("t.pdf")).startsWith("%PDF"));
}

TEST_F(PlotCommandTest, MetafilesAndThePageSizeInMillimetres) {
  PlotRun run = Plot({data, "--labels", "-o", Out("g.emf")});
  EXPECT_EQ(run.status, 0) << run.err.toStdString();
  EXPECT_EQ(run.out, "g.emf: 2 of 3 cases drawn\n");
  const QByteArray emf = test::ReadFile(Out("g.emf"));
  EXPECT_EQ(emf.mid(40, 4), QByteArray(" EMF"));
  // The description names the data file (UTF-16, little-endian like the machine).
  const QString title = QStringLiteral("Plot from data file: rocks.vnp");
  EXPECT_TRUE(emf.contains(QByteArray(reinterpret_cast<const char*>(title.utf16()), title.size() * 2)));
  run = Plot({data, "--size", "180x120", "-o", Out("g.wmf")});
  EXPECT_EQ(run.status, 0) << run.err.toStdString();
  const QByteArray wmf = test::ReadFile(Out("g.wmf"));
  ASSERT_GT(wmf.size(), 22);
  EXPECT_TRUE(wmf.startsWith(QByteArray("\xD7\xCD\xC6\x9A", 4)));
  // 180 x 120 mm at 96 units per inch.
  EXPECT_EQ(static_cast<unsigned char>(wmf[10]) | static_cast<unsigned char>(wmf[11]) << 8, 680);
  EXPECT_EQ(static_cast<unsigned char>(wmf[12]) | static_cast<unsigned char>(wmf[13]) << 8, 453);

  run = Plot({data, "--size", "180x120", "-o", Out("g.pdf")});
  EXPECT_EQ(run.status, 0) << run.err.toStdString();
  const QByteArray pdf = test::ReadFile(Out("g.pdf"));
  EXPECT_TRUE(pdf.contains("/MediaBox [0 0 510.") && pdf.contains(" 340.")) << "not a 180 x 120 mm page";

  // A bitmap of the page at 300 dots per inch.
  run = Plot({data, "--size", "180x120", "--dpi", "300", "-o", Out("g.png")});
  EXPECT_EQ(run.status, 0) << run.err.toStdString();
  const QImage image(Out("g.png"));
  EXPECT_EQ(image.size(), QSize(2126, 1417));
  EXPECT_EQ(image.dotsPerMeterX(), 11811);
}

TEST_F(PlotCommandTest, WrongUsageAndRefusedFilesLeaveNothingBehind) {
  const auto refused = [&](const QStringList& args, int status, const char* message) {
    SCOPED_TRACE(args.join(' ').toStdString());
    const PlotRun run = Plot(args);
    EXPECT_EQ(run.status, status);
    EXPECT_TRUE(run.err.contains(QLatin1String(message))) << run.err.toStdString();
  };
  refused({data}, 2, "plot needs -o OUT");
  refused({data, "-o", Out("x.txt")}, 2, ".png, .bmp, .pdf, .svg, .emf or .wmf");
  refused({data, "--size", "180", "-o", Out("x.pdf")}, 2, "--size takes the page as WxH in millimetres");
  refused({data, "--size", "5x120", "-o", Out("x.pdf")}, 2, "each from 10 to 2000");
  refused({data, "--apex", "a,b", "-o", Out("x.png")}, 2, "three or four");
  refused({data, "--apex", "a,b,zz", "-o", Out("x.png")}, 2, "no column \"zz\"");
  refused({data, "--view", "cube", "-o", Out("x.png")}, 2, "--view");
  refused({data, "--apex", "a,b,a", "-o", Out("x.png")}, 2, "--apex names \"a\" twice");
  refused({data, "--grid", "0", "-o", Out("x.png")}, 2, "--grid takes a number from 1 to 50");
  refused({data, "--opacity", "2", "-o", Out("x.png")}, 2, "--opacity");
  refused({data, "--legend-corner", "middle", "-o", Out("x.png")}, 2, "--legend-corner takes");
  refused({data, "--symbols", "zz", "-o", Out("x.png")}, 2, "no column \"zz\"");
  refused({data, "--reference", Out("none.txt"), "-o", Out("x.png")}, 1,
          "cannot read the reference lines none.txt: the file does not exist");
  refused({data, "--eye", "0.5", "-o", Out("x.png")}, 2, "--eye");
  refused({data, "--cases", "9", "-o", Out("x.png")}, 2, "--cases");
  refused({Out("missing.vnp"), "-o", Out("x.png")}, 1, "Cannot open");
  EXPECT_FALSE(QFile::exists(Out("x.png")));
  // A folder that does not exist: refused, and the reason names the file once.
  const QString missing = Out("no/such/x.png");
  const PlotRun run = Plot({data, "-o", missing});
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(run.err.contains(QStringLiteral("annot write"))) << run.err.toStdString();
  EXPECT_EQ(run.err.count(missing), 1) << run.err.toStdString();
}

TEST_F(PlotCommandTest, BitmapsTooLargeForTheMemoryAreRefusedWithTheirSize) {
  // Each option is in its range, but together they ask for gigabytes.
  PlotRun run = Plot({data, "--size", "2000x2000", "--dpi", "2400", "-o", Out("big.png")});
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(run.err.contains(QLatin1String("a picture of 188976 x 188976 pixels is too large")))
      << run.err.toStdString();
  EXPECT_FALSE(run.err.contains(QLatin1String("QPainter"))) << run.err.toStdString();
  EXPECT_TRUE(run.out.isEmpty());
  EXPECT_FALSE(QFile::exists(Out("big.png")));
  // A wide picture of a tall page (its shape from the page at 1200 dots per
  // inch, 472 x 94488): the height is what is too large.
  run = Plot({data, "--size", "10x2000", "--width", "20000", "-o", Out("tall.bmp")});
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(run.err.contains(QLatin1String("a picture of 20000 x 4003729 pixels is too large")))
      << run.err.toStdString();
  EXPECT_FALSE(QFile::exists(Out("tall.bmp")));
  // An earlier picture of the same name stays as it was.
  test::WriteFileOrFail(Out("keep.png"), "old");
  run = Plot({data, "--size", "2000x100", "--dpi", "600", "-o", Out("keep.png")});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(test::ReadFile(Out("keep.png")), QByteArray("old"));
  // The largest picture allowed is still made.
  run = Plot({data, "--size", "2000x10", "--dpi", "254", "-o", Out("edge.png")});
  EXPECT_EQ(run.status, 0) << run.err.toStdString();
  EXPECT_EQ(QImage(Out("edge.png")).width(), 20000);
}

// The plot command in a child process that may map budget bytes more than
// it has; its exit status, or 128 + the signal that ended it. What it
// printed on standard error goes to err.
int PlotUnderMemoryLimit(const QStringList& args, std::size_t budget, const QString& errFile) {
  return test::RunInChild([&] {
    if (!test::LimitAddressSpace(budget)) return 99;
    std::FILE* out = std::fopen("/dev/null", "w");
    std::FILE* err = std::fopen(errFile.toLocal8Bit().constData(), "w");
    const int status = RunBatchCommand(QStringList{"plot"} + args, out, err);
    std::fclose(err);
    return status;
  });
}

TEST_F(PlotCommandTest, FailedImageAllocationsAreRefusedAndKeepTheOldFile) {
  if (test::AddressSanitizerBuild)
    GTEST_SKIP() << "an address-space limit cannot work under AddressSanitizer";
  // The widest picture allowed: 20000 x 14142 pixels of 4 bytes, 1.1 GB.
  struct Case {
    const char* file;
    std::size_t budget;  // what the child may map beyond what it has
  };
  const Case cases[] = {
      {"wide.png", std::size_t{600} << 20},   // no room for the image itself
      {"wide.bmp", std::size_t{1400} << 20},  // the image fits, its encoded bytes do not
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    test::WriteFileOrFail(Out(c.file), "old picture");
    const QString errFile = Out("err.txt");
    const int status = PlotUnderMemoryLimit({data, "--width", "20000", "-o", Out(c.file)}, c.budget, errFile);
    ASSERT_NE(status, 99) << "the address-space limit could not be set";
    EXPECT_EQ(status, 1);
    const QString err = QString::fromLocal8Bit(test::ReadFile(errFile));
    EXPECT_TRUE(err.contains(QLatin1String("not enough memory for a picture of 20000 x 14142 pixels")))
        << err.toStdString();
    EXPECT_EQ(test::ReadFile(Out(c.file)), QByteArray("old picture"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).filter(QStringLiteral(".varnel")),
              QStringList());
  }
}

TEST_F(PlotCommandTest, ALabelOfMillionsOfCharactersIsDrawnCutUnderAMemoryLimit) {
  if (test::AddressSanitizerBuild)
    GTEST_SKIP() << "an address-space limit cannot work under AddressSanitizer";
  const QByteArray label(8000000, 'W');
  const QString labelled = Out("label.vnp");
  test::WriteFileOrFail(labelled, ";;t\r\nLabel#\ta\tb\tc\r\n" + label + "\t1\t1\t1\r\nshort\t2\t1\t1\r\n");
  for (const char* file : {"label.png", "label.emf", "label.svg"}) {
    SCOPED_TRACE(file);
    const QString errFile = Out("err.txt");
    const int status =
        PlotUnderMemoryLimit({labelled, "--labels", "-o", Out(file)}, std::size_t{400} << 20, errFile);
    EXPECT_EQ(status, 0) << test::ReadFile(errFile).toStdString();
    EXPECT_TRUE(QFile::exists(Out(file)));
  }
  // The label is drawn with its start and an ellipsis.
  const QByteArray emf = test::ReadFile(Out("label.emf"));
  const QString drawn = QString(MaxDrawnText - 1, QLatin1Char('W')) + QChar(0x2026);
  EXPECT_TRUE(emf.contains(QByteArray(reinterpret_cast<const char*>(drawn.utf16()), drawn.size() * 2)));
  const QString longer = QString(MaxDrawnText, QLatin1Char('W'));
  EXPECT_FALSE(emf.contains(QByteArray(reinterpret_cast<const char*>(longer.utf16()), longer.size() * 2)));
}

TEST_F(PlotCommandTest, ACaseWithoutAFinitePositionIsTheUndefinedErrorAndNoPicture) {
  const QString huge = Out("huge.vnp");
  test::WriteFileOrFail(huge,
                        ";;t\r\nLabel#\ta\tb\tc\td\r\nok\t1\t1\t1\t1\r\n"
                        "big\t1.1e4932\t1.1e4932\t1.1e4932\t1.1e4932\r\n");
  for (const char* view : {"triangular", "tetrahedral", "stereo"}) {
    SCOPED_TRACE(view);
    const PlotRun run = Plot({huge, "--view", view, "-o", Out("huge.png")});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains(QLatin1String("error: Plot: Undefined computation error: a value overflowed")))
        << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QLatin1String("1 case(s) have no finite position"))) << run.err.toStdString();
    EXPECT_TRUE(run.out.isEmpty());
    EXPECT_FALSE(QFile::exists(Out("huge.png")));
  }
  // Left out of the plot, the case is no error.
  const PlotRun run = Plot({huge, "--cases", "1", "-o", Out("huge.png")});
  EXPECT_EQ(run.status, 0) << run.err.toStdString();
  EXPECT_EQ(run.out, "huge.png: 1 of 2 cases drawn\n");
}

TEST_F(PlotCommandTest, NamesForSymbolsAndColoursGridReferenceOpacityDensityAndLegendCorner) {
  const QString rocks = Out("named.vnp");
  test::WriteFileOrFail(rocks,
                        ";;t\r\nSample\tMgO\tFeO\tSiO2\tRock#\r\n"
                        "s1\t1\t1\t1\tdunite\r\ns2\t3\t1\t1\tbasalt\r\ns3\t1\t1\t3\tdunite\r\n");
  test::WriteFileOrFail(Out("ref.txt"), "line\n50 0 50\n0 100 0\n");
  const PlotRun run = Plot({rocks, "--colours", "Rock#", "--symbols", "Rock#", "--grid", "10", "--reference",
                            Out("ref.txt"), "--opacity", "0.5", "--density", "--legend-corner", "bottom-right",
                            "--width", "1000", "-o", Out("n.png")});
  EXPECT_EQ(run.status, 0) << run.err.toStdString();
  EXPECT_EQ(run.out, "n.png: 3 of 3 cases drawn\n") << "the Sample column holds no numbers";
  const QImage image(Out("n.png"));
  // Basalt is the first name in order: the first colour of the palette,
  // half covering the white page.
  const QRgb basalt = image.pixel(590, 470);
  EXPECT_GT(qBlue(basalt), qRed(basalt) + 40);
  EXPECT_GT(qRed(basalt), 90) << "drawn at half opacity";
  // The reference line through the middle of the base, the grid, the key
  // in the bottom right corner.
  EXPECT_LT(qGray(image.pixel(500, 300)), 140);
  EXPECT_EQ(RedPixelsIn(image, LegendCorner), 0);
  int keyPixels = 0;
  for (int y = 560; y < 707; ++y)
    for (int x = 760; x < 1000; ++x) keyPixels += qGray(image.pixel(x, y)) < 200 ? 1 : 0;
  EXPECT_GT(keyPixels, 50);
}

TEST_F(PlotCommandTest, TooFewApexVariablesDrawTheOutlineAndSaySo) {
  const QString two = Out("two.vnp");
  test::WriteFileOrFail(two, ";;t\r\na\tb\tLabel#\r\n1\t2\tx\r\n");
  const PlotRun run = Plot({two, "-o", Out("o.png")});
  EXPECT_EQ(run.status, 0);
  EXPECT_TRUE(run.err.contains(QLatin1String("only the outline is drawn")));
  EXPECT_EQ(run.out, "o.png: 0 of 1 cases drawn\n");
}

TEST_F(PlotCommandTest, PlotSettingsFileSetsTheZoomAndTheOptionsStillWin) {
  const QString vng = Out("half.vng");
  test::WriteFileOrFail(vng, "[Scales]\r\nScale=0.5\r\n[3D]\r\nAlpha=80\r\n");
  PlotRun run = Plot({data, "--settings", vng, "--width", "1000", "-o", Out("half.png")});
  EXPECT_EQ(run.status, 0) << run.err.toStdString();
  QImage image(Out("half.png"));
  // Half the zoom: FT 225, corner C at (388, 450), A at (613, 450).
  EXPECT_LT(qGray(image.pixel(613, 450)), 80);
  EXPECT_GT(qGray(image.pixel(725, 548)), 200);

  // The same view twice, once from the file and once from --alpha, is the
  // same picture; --alpha given with the file overrides the file.
  run = Plot({data, "--settings", vng, "--view", "tetrahedral", "-o", Out("t1.png")});
  EXPECT_EQ(run.status, 0) << run.err.toStdString();
  test::WriteFileOrFail(Out("scale.vng"), "[Scales]\r\nScale=0.5\r\n");
  run = Plot(
      {data, "--settings", Out("scale.vng"), "--alpha", "80", "--view", "tetrahedral", "-o", Out("t2.png")});
  EXPECT_EQ(run.status, 0) << run.err.toStdString();
  run = Plot({data, "--settings", vng, "--alpha", "21", "--view", "tetrahedral", "-o", Out("t3.png")});
  EXPECT_EQ(QImage(Out("t1.png")), QImage(Out("t2.png")));
  EXPECT_NE(QImage(Out("t1.png")), QImage(Out("t3.png")));

  run = Plot({data, "--settings", Out("missing.vng"), "-o", Out("m.png")});
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(run.err.contains(QLatin1String("cannot read the plot settings"))) << run.err.toStdString();
  EXPECT_FALSE(QFile::exists(Out("m.png")));
}

TEST_F(PlotCommandTest, LegendOnlyWhenAskedFor) {
  PlotRun run = Plot({data, "--legend", "Label#", "--width", "1000", "-o", Out("l.png")});
  EXPECT_EQ(run.status, 0) << run.err.toStdString();
  EXPECT_GT(RedPixelsIn(QImage(Out("l.png")), LegendCorner), 20);  // case two's red symbol in the key
  run = Plot({data, "--legend", "Rock#", "-o", Out("r.png")});
  EXPECT_EQ(run.status, 2);
  EXPECT_TRUE(run.err.contains(QLatin1String("no column \"Rock#\""))) << run.err.toStdString();
}

}  // namespace
}  // namespace varnel
