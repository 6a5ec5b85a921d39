#include "program/batchoptions.h"

#include <QSet>
#include <charconv>

#include "core/numberread.h"
#include "sheet/sheet.h"

namespace varnel {
namespace {

QString Text(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

}  // namespace

CommandParser::CommandParser(const QString& name, const QString& synopsis, const QString& summary)
    : name_(name), synopsis_(synopsis) {
  parser_.setApplicationDescription(summary);
  parser_.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
  parser_.addOption(
      QCommandLineOption({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("show this help")));
}

void CommandParser::Add(const QString& name, const QString& description, const QString& valueName) {
  Add(QStringList{name}, description, valueName);
}

void CommandParser::Add(const QStringList& names, const QString& description, const QString& valueName) {
  parser_.addOption(QCommandLineOption(names, description, valueName));
}

bool CommandParser::Parse(const QStringList& arguments, std::FILE* out, int files) {
  // The parser expects the program's name first.
  if (!parser_.parse(QStringList{QStringLiteral("varnel")} + arguments.mid(1)))
    throw UsageError{parser_.errorText()};
  if (parser_.isSet(QStringLiteral("help"))) {
    std::fputs(HelpText().toLocal8Bit().constData(), out);
    return false;
  }
  const QStringList positional = parser_.positionalArguments();
  if (positional.size() < files)
    throw UsageError{
        QStringLiteral("%1 needs %2")
            .arg(name_, files == 1 ? QStringLiteral("a data file") : QStringLiteral("its files"))};
  if (files >= 0 && positional.size() > files) throw UsageError{QStringLiteral("only one data file, please")};
  return true;
}

QString CommandParser::HelpText() const {
  // Qt's own help names the program by its path; ours names the command.
  QString help = parser_.helpText();
  const qsizetype firstBreak = help.indexOf(QLatin1Char('\n'));
  help = QStringLiteral("Usage: varnel %1\n").arg(synopsis_) + help.mid(firstBreak + 1);
  return help;
}

char ParseSeparator(const QString& s) {
  if (s.size() != 1 || s[0].unicode() > 127 || s[0].isDigit() || s[0] == QLatin1Char('-') ||
      s[0] == QLatin1Char('+') || s[0].isSpace())
    throw UsageError{QStringLiteral("--decimal-separator takes one character such as . or ,")};
  return s[0].toLatin1();
}

Real ParseThreshold(const QString& text, char separator) {
  Real t;
  if (!ReadNumber(text.toStdString(), separator, t) || t < 0 || t > 99999999.9L)
    throw UsageError{QStringLiteral("--threshold takes a number from 0 to 99999999.9")};
  return t;
}

QString ThresholdText(Real threshold, char separator) {
  char buf[128];
  const auto res = std::to_chars(buf, buf + sizeof buf, threshold, std::chars_format::fixed, 16);
  QString text = QString::fromLatin1(buf, static_cast<qsizetype>(res.ptr - buf));
  text.replace(QLatin1Char('.'), QLatin1Char(separator));
  return text;
}

int LabelColumn(const Sheet& sheet) {
  for (int c = 1; c < sheet.ColCount(); ++c)
    if (sheet.Name(c) == "Label#") return c;
  return 0;
}

int FindColumn(const Sheet& sheet, const QString& name) {
  for (int c = 1; c < sheet.ColCount(); ++c)
    if (Text(sheet.Name(c)) == name) return c;
  bool ok = false;
  const int c = name.toInt(&ok);
  if (ok && c >= 1 && c < sheet.ColCount()) return c;
  throw UsageError{QStringLiteral("the file has no column \"%1\"").arg(name)};
}

void ParseCases(const QString& text, int caseCount, int& first, int& last) {
  const QStringList parts = text.split(QLatin1Char('-'));
  bool ok1 = false, ok2 = false;
  if (parts.size() == 2) {
    first = parts[0].toInt(&ok1);
    last = parts[1].toInt(&ok2);
  }
  if (!ok1 || !ok2) throw UsageError{QStringLiteral("--cases takes FIRST-LAST, for example 1-12")};
  if (first < 1 || last < first || last > caseCount)
    throw UsageError{QStringLiteral("--cases %1 is outside the file's cases 1-%2").arg(text).arg(caseCount)};
}

std::vector<int> ParseCaseList(const QString& text, int caseCount, const QString& option) {
  std::vector<int> rows;
  QSet<int> seen;
  const auto bad = [&] {
    return UsageError{QStringLiteral("%1 takes case numbers such as 1-9 or 1,3,5-7 within 1-%2")
                          .arg(option)
                          .arg(caseCount)};
  };
  for (const QString& part : text.split(QLatin1Char(','))) {
    const QStringList ends = part.trimmed().split(QLatin1Char('-'));
    bool ok1 = false, ok2 = true;
    const int first = ends.value(0).toInt(&ok1);
    const int last = ends.size() == 2 ? ends[1].toInt(&ok2) : first;
    if (ends.size() > 2 || !ok1 || !ok2 || first < 1 || last < first || last > caseCount) throw bad();
    for (int r = first; r <= last; ++r)
      if (!seen.contains(r)) {
        seen.insert(r);
        rows.push_back(r);
      }
  }
  return rows;
}

void PrintLines(std::FILE* out, const QStringList& lines) {
  for (const QString& line : lines) {
    const QByteArray bytes = line.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), out);
    std::fputc('\n', out);
  }
  std::fflush(out);
}

}  // namespace varnel
