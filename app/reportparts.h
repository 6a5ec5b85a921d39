// The pieces every report shares: its header lines, the date and time text,
// the dashed rules, the tab width of a number style, and how a command ends.
#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <functional>

namespace varnel {

// What a report takes from the program around it.
struct ReportEnvironment {
  QString FileName;  // the DataSheet's file
  QDateTime Now;
  QString Version;
  char DecimalSeparator = '.';
  std::function<void()> ProcessEvents;
};

// The environment of a report computed now on the sheet's file: this
// program's version, the current date and time.
ReportEnvironment ReportEnvironmentNow(const QString& fileName, char decimalSeparator);

// How a command ended. Declined: the user answered No to a question the
// command asked, which is neither a failure nor a finished result.
enum class CommandOutcome { Done, Declined, Refused, Cancelled, Failed };

// The system locale's short date and long time, without the time zone.
QString DateTimeText(const QDateTime& when);

// A rule of n dashes.
QString DashedLine(int n);

// The three header lines: "<title> (Varnel <version>)", the "File: ... -
// Computed on ..." line and a rule as long as it. Returns that length.
int AppendReportHeader(const QString& title, const ReportEnvironment& env, QStringList& out);

// Tab stop width of a report in points: the font size x 56, 76, 112 or 128
// by number style, / 8.
int ReportTabWidth(int fontSize, int style);

}  // namespace varnel
