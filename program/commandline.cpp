#include "program/commandline.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "app/version.h"
#include "program/chemistrycommand.h"
#include "program/batchoptions.h"
#include "program/matrixcommandline.h"
#include "program/plotcommand.h"
#include "program/wizardcommand.h"

namespace varnel {
namespace {

using CommandFunction = int (*)(const QStringList&, std::FILE*, std::FILE*);

struct BatchCommand {
  const char* name;
  CommandFunction run;
};

// Every command Varnel runs without a window. A new command is one file in
// this folder and one line here.
const BatchCommand Commands[] = {
    {"svd", SvdCommand},
    {"inverse", InverseCommand},
    {"map", MapCommand},
    {"wizard", WizardCommand},
    {"merge-relations", MergeRelationsCommand},
    {"plot", PlotCommand},
    {"compute", ComputeCommand},
    {"recalc", RecalcCommand},
};

CommandFunction FindCommand(const QString& name) {
  for (const BatchCommand& c : Commands)
    if (name == QLatin1String(c.name)) return c.run;
  return nullptr;
}

bool IsHelp(const QString& a) {
  return a == QLatin1String("--help") || a == QLatin1String("-h") || a == QLatin1String("help");
}

}  // namespace

bool IsBatchCommand(const QStringList& arguments) {
  if (arguments.isEmpty()) return false;
  const QString& first = arguments.first();
  return FindCommand(first) != nullptr || IsHelp(first) || first == QLatin1String("--version");
}

QStringList BatchCommandNames() {
  QStringList names;
  for (const BatchCommand& c : Commands) names << QLatin1String(c.name);
  return names;
}

QString UsageText() {
  return QStringLiteral(
      "Usage:\n"
      "  varnel [FILE]                  start the program, opening the data file FILE\n"
      "  varnel svd FILE [options]      singular value decomposition report on standard output\n"
      "  varnel inverse FILE [options]  matrix inverse report on standard output\n"
      "  varnel map FILE --cases FIRST-LAST [options] -o OUT\n"
      "                                 coordinate mapping, written to the data file OUT\n"
      "  varnel wizard FILE --cases LIST [options]\n"
      "                                 the Analysis Wizard on the listed cases, its report on\n"
      "                                 standard output\n"
      "  varnel merge-relations PART... joins the parts of a sharded, filtered enumeration\n"
      "  varnel plot FILE [options] -o OUT.(png|bmp|pdf|svg|emf|wmf)\n"
      "                                 the Graphs page of the file drawn into a picture\n"
      "  varnel compute FILE --new NAME=FORMULA ... -o OUT\n"
      "                                 variables computed by formulas, written to the data file OUT\n"
      "  varnel recalc FILE --oxygens N [options] -o OUT\n"
      "                                 oxide analyses recalculated (cations per formula unit, Fe3+,\n"
      "                                 Mg#, ...), written to OUT; the report on standard output\n"
      "  varnel COMMAND --help          the options of a command\n"
      "  varnel --version               the version\n"
      "  varnel --help                  this text\n"
      "\n"
      "The matrix is made of the untagged variables (names without '#') of the\n"
      "chosen cases, as the DataSheet's commands make it; a report is the text\n"
      "the TextPad would hold.\n"
      "\n"
      "Messages and reading warnings go to standard error. Exit status: 0 done,\n"
      "1 the command or the file was refused, 2 wrong usage.\n");
}

namespace {

int RunCommand(const QStringList& arguments, std::FILE* out, std::FILE* err) {
  const QString command = arguments.value(0);
  if (IsHelp(command)) {
    const QString topic = arguments.value(1);
    if (!topic.isEmpty() && FindCommand(topic))
      return RunBatchCommand({topic, QStringLiteral("--help")}, out, err);
    std::fputs(UsageText().toLocal8Bit().constData(), out);
    return 0;
  }
  if (command == QLatin1String("--version")) {
    std::fprintf(out, "varnel %s\n", VersionString().toLocal8Bit().constData());
    return 0;
  }
  try {
    if (const CommandFunction run = FindCommand(command)) return run(arguments, out, err);
    throw UsageError{QStringLiteral("unknown command %1").arg(command)};
  } catch (const UsageError& e) {
    std::fprintf(err, "varnel: %s\nTry 'varnel %s--help'.\n", e.text.toLocal8Bit().constData(),
                 FindCommand(command) ? (command + QLatin1Char(' ')).toLocal8Bit().constData() : "");
    return 2;
  }
}

}  // namespace

int RunBatchCommand(const QStringList& arguments, std::FILE* out, std::FILE* err) {
  const int status = RunCommand(arguments, out, err);
  // A full disk or a closed output must not pass for a finished report.
  errno = 0;
  const bool flushed = std::fflush(out) == 0;
  const int reason = errno;
  if (flushed && !std::ferror(out)) return status;
  std::fprintf(err, "varnel: the output could not be written in full%s%s\n", reason != 0 ? ": " : "",
               reason != 0 ? std::strerror(reason) : "");
  return status != 0 ? status : 1;
}

}  // namespace varnel
