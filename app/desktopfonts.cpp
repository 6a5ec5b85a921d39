#include "app/desktopfonts.h"

#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>

namespace varnel {
namespace {

bool HasFonts() { return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr; }

// The family the font system really uses for a request: the name to show in
// font dialogs and to write into the settings file.
QString Resolved(const QFont& request) {
  const QString family = QFontInfo(request).family();
  return family.isEmpty() ? request.family() : family;
}

}  // namespace

QString DesktopSansFamily() {
  if (!HasFonts()) return QStringLiteral("Sans Serif");
  return Resolved(QFontDatabase::systemFont(QFontDatabase::GeneralFont));
}

QString DesktopSerifFamily() {
  if (!HasFonts()) return QStringLiteral("Serif");
  QFont serif(QStringLiteral("Serif"));
  serif.setStyleHint(QFont::Serif);
  return Resolved(serif);
}

}  // namespace varnel
