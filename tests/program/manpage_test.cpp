#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QRegularExpression>

#include "program/commandline.h"
#include "tests/support/batchrun.h"

namespace varnel {
namespace {

// The words a reader sees: requests and font changes gone, escapes undone,
// runs of blanks made one.
QString ManText(const QString& roff) {
  QStringList kept;
  for (const QString& line : roff.split(QLatin1Char('\n'))) {
    if (line.startsWith(QLatin1String(".SS ")))
      kept << line.mid(4);
    else if (!line.startsWith(QLatin1Char('.')))
      kept << line;
  }
  QString text = kept.join(QLatin1Char(' '));
  text.remove(QRegularExpression(QStringLiteral(R"(\\f[BIRP])")));
  text.replace(QLatin1String("\\-"), QLatin1String("-"));
  text.replace(QLatin1String("\\&"), QString());
  text.replace(QLatin1String("\\e"), QLatin1String("\\"));
  return text.simplified();
}

// The paragraphs of a help text, without its "Usage:" and "Options:" headings.
QStringList HelpParagraphs(const QString& help) {
  QStringList paragraphs;
  for (QString paragraph : help.split(QStringLiteral("\n\n"))) {
    paragraph.remove(QRegularExpression(QStringLiteral("^Usage:"), QRegularExpression::MultilineOption));
    paragraph.remove(QRegularExpression(QStringLiteral("^Options:$"), QRegularExpression::MultilineOption));
    paragraph = paragraph.simplified();
    if (!paragraph.isEmpty()) paragraphs << paragraph;
  }
  return paragraphs;
}

TEST(ManPage, SaysWhatTheHelpSaysForTheProgramAndEveryCommand) {
  QFile file(QStringLiteral(VARNEL_MANPAGE));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << VARNEL_MANPAGE;
  const QString roff = QString::fromUtf8(file.readAll());
  const QString man = ManText(roff);

  const test::BatchOutput usage = test::RunBatch({"--help"});
  ASSERT_EQ(usage.status, 0);
  ASSERT_EQ(usage.OutText(), UsageText());
  for (const QString& paragraph : HelpParagraphs(usage.OutText()))
    EXPECT_TRUE(man.contains(paragraph)) << "not in varnel.1: " << paragraph.toStdString();

  const QStringList commands = BatchCommandNames();
  ASSERT_GE(commands.size(), 6);
  for (const QString& command : commands) {
    const test::BatchOutput help = test::RunBatch({command, "--help"});
    ASSERT_EQ(help.status, 0) << command.toStdString();
    EXPECT_TRUE(roff.contains(QStringLiteral("\n.SS varnel ") +
                              QString(command).replace(QLatin1String("-"), QLatin1String("\\-")) +
                              QLatin1Char(' ')))
        << "no section for " << command.toStdString();
    const QStringList paragraphs = HelpParagraphs(help.OutText());
    ASSERT_GE(paragraphs.size(), 2) << command.toStdString();
    for (const QString& paragraph : paragraphs)
      EXPECT_TRUE(man.contains(paragraph)) << "not in varnel.1: " << paragraph.toStdString();
  }
}

TEST(ManPage, CarriesTheVersionOfTheProgramItWasWrittenFrom) {
  QFile file(QStringLiteral(VARNEL_MANPAGE));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  QProcess varnel;
  varnel.start(QStringLiteral(VARNEL_BINARY), {"--version"});
  ASSERT_TRUE(varnel.waitForFinished(60000));
  const QString version = QString::fromUtf8(varnel.readAllStandardOutput()).trimmed();
  EXPECT_EQ(version, QStringLiteral("varnel " VARNEL_TEST_VERSION));
  EXPECT_EQ(QString::fromUtf8(file.readLine()),
            QStringLiteral(".TH VARNEL 1 \"\" \"Varnel %1\" \"User Commands\"\n").arg(version.mid(7)));
}

// Commands run from cron, ssh or a container often have no XDG_RUNTIME_DIR;
// what they print on stderr must still be only their own messages.
TEST(CommandStderr, HoldsOnlyTheProgramsOwnMessagesWithoutARuntimeFolder) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
  env.remove(QStringLiteral("QT_QPA_PLATFORM"));
  auto run = [&env](const QStringList& args) {
    QProcess varnel;
    varnel.setProcessEnvironment(env);
    varnel.start(QStringLiteral(VARNEL_BINARY), args);
    EXPECT_TRUE(varnel.waitForFinished(60000));
    return std::pair{varnel.exitCode(), QString::fromUtf8(varnel.readAllStandardError())};
  };
  const auto [versionCode, versionErr] = run({"--version"});
  EXPECT_EQ(versionCode, 0);
  EXPECT_EQ(versionErr, QString());
  const auto [missingCode, missingErr] = run({"wizard", "/nonexistent/none.vnp", "--cases", "1"});
  EXPECT_EQ(missingCode, 1);
  EXPECT_TRUE(missingErr.startsWith(QStringLiteral("error: Cannot open"))) << missingErr.toStdString();
  EXPECT_FALSE(missingErr.contains(QStringLiteral("XDG_RUNTIME_DIR"))) << missingErr.toStdString();
}

}  // namespace
}  // namespace varnel
