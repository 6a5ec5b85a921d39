#include "app/numberlocale.h"

#include <QLocale>

namespace varnel {
namespace {
char& Current() {
  static char separator = '.';
  return separator;
}
}  // namespace

char DecimalSeparator() { return Current(); }

void SetDecimalSeparator(char separator) { Current() = separator; }

char SystemDecimalSeparator() {
  const QString point = QLocale::system().decimalPoint();
  if (point.size() == 1 && point.at(0).unicode() < 128 && point.at(0).unicode() > 32)
    return point.at(0).toLatin1();
  return '.';
}

}  // namespace varnel
