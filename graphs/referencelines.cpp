#include "graphs/referencelines.h"

#include <QFileInfo>
#include <cmath>

#include "app/atomicfile.h"
#include "app/textcodec.h"
#include "core/numberread.h"

namespace varnel {
namespace {

bool IsSeparator(char c) { return c == ' ' || c == '\t' || c == ',' || c == ';'; }

std::string_view Trimmed(std::string_view t) {
  while (!t.empty() && (t.front() == ' ' || t.front() == '\t')) t.remove_prefix(1);
  while (!t.empty() && (t.back() == ' ' || t.back() == '\t')) t.remove_suffix(1);
  return t;
}

// "line" or "field" as the first word, case ignored; rest is the label.
bool BlockHeader(std::string_view line, bool& closed, std::string_view& rest) {
  std::size_t end = 0;
  while (end < line.size() && line[end] != ' ' && line[end] != '\t') ++end;
  const std::string_view word = line.substr(0, end);
  const auto same = [&](std::string_view w) {
    if (word.size() != w.size()) return false;
    for (std::size_t i = 0; i < w.size(); ++i)
      if ((word[i] | 0x20) != w[i]) return false;
    return true;
  };
  if (same("line"))
    closed = false;
  else if (same("field"))
    closed = true;
  else
    return false;
  rest = Trimmed(line.substr(end));
  return true;
}

}  // namespace

bool ParseReferenceText(const QByteArray& bytes, ReferenceSet& out, QString* error) {
  const auto fail = [error](int line, const QString& why) {
    if (error) *error = QStringLiteral("line %1: %2").arg(line).arg(why);
    return false;
  };
  if (bytes.contains('\0')) return fail(1, QStringLiteral("this is not a text file"));
  const DecodedText text = DecodeText(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
  ReferenceSet set;
  int number = 0, points = 0, width = 0;
  for (std::string_view raw : SplitLines(text.utf8)) {
    ++number;
    const std::string_view line = Trimmed(raw);
    if (line.empty() || line.front() == '#') continue;
    bool closed = false;
    std::string_view label;
    if (BlockHeader(line, closed, label)) {
      if (!set.Shapes.empty() && set.Shapes.back().Points.size() < 2)
        return fail(number, QStringLiteral("the shape before this one needs at least two compositions"));
      if (static_cast<int>(set.Shapes.size()) >= MaxReferenceShapes)
        return fail(number, QStringLiteral("more than %1 lines and fields").arg(MaxReferenceShapes));
      ReferenceShape shape;
      shape.Closed = closed;
      shape.Label = QString::fromUtf8(label.data(), static_cast<qsizetype>(label.size()));
      set.Shapes.push_back(std::move(shape));
      continue;
    }
    if (set.Shapes.empty())
      return fail(number, QStringLiteral("compositions must follow a \"line\" or \"field\" line"));
    std::array<Real, 4> values{};
    int count = 0;
    std::size_t i = 0;
    while (i < line.size()) {
      while (i < line.size() && IsSeparator(line[i])) ++i;
      if (i >= line.size()) break;
      std::size_t end = i;
      while (end < line.size() && !IsSeparator(line[end])) ++end;
      const std::string_view field = line.substr(i, end - i);
      Real v;
      if (count >= 4) return fail(number, QStringLiteral("more than four values"));
      if (!ReadNumber(field, '.', v) || !std::isfinite(v))
        return fail(number, QStringLiteral("\"%1\" is not a number")
                                .arg(QString::fromUtf8(field.data(), static_cast<qsizetype>(field.size()))));
      if (v < 0) return fail(number, QStringLiteral("a composition cannot hold a negative amount"));
      values[static_cast<std::size_t>(count++)] = v;
      i = end;
    }
    if (count < 3) return fail(number, QStringLiteral("a composition needs three or four values"));
    if (width == 0) width = count;
    if (count != width)
      return fail(number, QStringLiteral("every composition of the file has %1 values").arg(width));
    if (values[0] + values[1] + values[2] + values[3] <= 0)
      return fail(number, QStringLiteral("the values sum to zero"));
    if (++points > MaxReferencePoints)
      return fail(number, QStringLiteral("more than %1 compositions").arg(MaxReferencePoints));
    set.Shapes.back().Points.push_back(values);
  }
  if (set.Shapes.empty()) return fail(number, QStringLiteral("no \"line\" or \"field\" in the file"));
  if (set.Shapes.back().Points.size() < 2)
    return fail(number, QStringLiteral("the last shape needs at least two compositions"));
  out = std::move(set);
  return true;
}

bool ReadReferenceFile(const QString& path, ReferenceSet& out, QString* error) {
  const QString name = QFileInfo(path).fileName();
  if (!QFileInfo(path).isFile()) {
    if (error) *error = QStringLiteral("%1: the file does not exist").arg(name);
    return false;
  }
  // A reference file is small; anything large is not one.
  if (QFileInfo(path).size() > 16 * 1024 * 1024) {
    if (error) *error = QStringLiteral("%1: too large for a reference file").arg(name);
    return false;
  }
  QByteArray bytes;
  QString why;
  if (!ReadWholeFile(path, bytes, &why)) {
    if (error) *error = name + QStringLiteral(": ") + why;
    return false;
  }
  if (!ParseReferenceText(bytes, out, &why)) {
    if (error) *error = name + QStringLiteral(", ") + why;
    return false;
  }
  return true;
}

}  // namespace varnel
