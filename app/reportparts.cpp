#include "app/reportparts.h"

#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <algorithm>

#include "app/version.h"

namespace varnel {

QString DateTimeText(const QDateTime& when) {
  const QLocale locale = QLocale::system();
  QString timeFormat = locale.timeFormat(QLocale::LongFormat);
  // The time zone is no part of the time as it is written in files.
  static const QRegularExpression zone(QStringLiteral("\\s*t+"));
  timeFormat.remove(zone);
  return locale.toString(when.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
         locale.toString(when.time(), timeFormat.trimmed());
}

ReportEnvironment ReportEnvironmentNow(const QString& fileName, char decimalSeparator) {
  ReportEnvironment env;
  env.FileName = fileName;
  env.Now = QDateTime::currentDateTime();
  env.Version = VersionString();
  env.DecimalSeparator = decimalSeparator;
  return env;
}

QString DashedLine(int n) { return QString(std::max(n, 0), QLatin1Char('-')); }

int AppendReportHeader(const QString& title, const ReportEnvironment& env, QStringList& out) {
  out << title + QStringLiteral(" (Varnel ") + env.Version + QLatin1Char(')');
  out << QStringLiteral("File: ") + QFileInfo(env.FileName).fileName() + QStringLiteral(" - Computed on ") +
             DateTimeText(env.Now);
  const int length = static_cast<int>(out.last().size());
  out << DashedLine(length);
  return length;
}

int ReportTabWidth(int fontSize, int style) {
  static const int factors[4] = {56, 76, 112, 128};
  return fontSize * factors[std::clamp(style, 0, 3)] / 8;
}

}  // namespace varnel
