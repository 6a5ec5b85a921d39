#include "app/prompter.h"

namespace varnel {

QString DisplayText(const QString& text) {
  QString t = text;
  t.replace(QStringLiteral("\n\r"), QStringLiteral("\n"));
  return t;
}

QStringList NameFilters(const QString& filter) {
  const QStringList parts = filter.split(QLatin1Char('|'));
  QStringList out;
  for (int k = 0; k + 1 < parts.size(); k += 2) {
    QString patterns = parts[k + 1];
    patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    // The description may already name its patterns; Qt reads the last
    // parenthesised group, so the patterns go there.
    QString description = parts[k];
    const qsizetype paren = description.lastIndexOf(QLatin1Char('('));
    if (paren >= 0) description = description.left(paren).trimmed();
    out << description + QStringLiteral(" (") + patterns + QLatin1Char(')');
  }
  return out;
}

}  // namespace varnel
