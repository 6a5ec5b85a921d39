// The texts and rules the Analysis Wizard's report blocks share.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace varnel::wizardlines {

inline const QString Break = QStringLiteral("\n\r");
inline const QString Rule75 = QString(75, QLatin1Char('-'));
inline const QString Stars75 = QString(75, QLatin1Char('*'));
inline const QString YesMark = QStringLiteral(" Yes");
inline const QString NoMark = QStringLiteral(" No");
inline const QString UndefMark = QStringLiteral(" Undef.");

inline QString Q(const std::string& s) { return QString::fromStdString(s); }
inline QString Q(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

// A rule of macrons, one under each character of a title.
inline QString Macrons(const QString& title) { return QString(title.size(), QChar(0xAF)); }

inline QString Pad5(int row) { return QStringLiteral("%1").arg(row, 5, 10, QLatin1Char('0')); }

}  // namespace varnel::wizardlines
