// What the command-line commands share: parsing a command's options, reading
// the values every command takes, and printing report lines.
#pragma once

#include <QCommandLineParser>
#include <QString>
#include <QStringList>
#include <cstdio>
#include <vector>

#include "core/real.h"

namespace varnel {

class Sheet;

// Wrong usage: the text is printed with a pointer to the help, exit status 2.
struct UsageError {
  QString text;
};

// A command's parser: "varnel NAME", its summary, its options and --help.
// Parse returns false when --help was asked for (the help is then printed).
class CommandParser {
 public:
  CommandParser(const QString& name, const QString& synopsis, const QString& summary);
  QCommandLineParser& Parser() { return parser_; }
  void Add(const QString& name, const QString& description, const QString& valueName = QString());
  void Add(const QStringList& names, const QString& description, const QString& valueName = QString());
  // Throws UsageError on unknown options, missing values or a wrong number
  // of positional arguments (exactly `files` of them).
  bool Parse(const QStringList& arguments, std::FILE* out, int files = 1);
  bool IsSet(const QString& name) const { return parser_.isSet(name); }
  QString Value(const QString& name) const { return parser_.value(name); }
  QString File() const { return parser_.positionalArguments().value(0); }
  QStringList Files() const { return parser_.positionalArguments(); }
  // The options found, in the order given (-name is read as --name).
  QStringList OptionNames() const { return parser_.optionNames(); }
  // The help text of the command, as --help prints it.
  QString HelpText() const;

 private:
  QString name_;
  QString synopsis_;
  QCommandLineParser parser_;
};

// The one character of --decimal-separator.
char ParseSeparator(const QString& s);
// A --threshold value, 0 to 99999999.9.
Real ParseThreshold(const QString& text, char separator);
// The threshold as the dialogs show it: 16 decimals.
QString ThresholdText(Real threshold, char separator);
// The column of "Label#", or 0.
int LabelColumn(const Sheet& sheet);
// A column by its name, or by its number.
int FindColumn(const Sheet& sheet, const QString& name);
// "FIRST-LAST" as two DataSheet case rows.
void ParseCases(const QString& text, int caseCount, int& first, int& last);
// A list such as "1-9" or "1,3,5-7" as DataSheet case rows, in the order
// given; each row once.
std::vector<int> ParseCaseList(const QString& text, int caseCount, const QString& option);

void PrintLines(std::FILE* out, const QStringList& lines);

}  // namespace varnel
