#include "controls/numericedit.h"

#include <algorithm>
#include <charconv>

#include "app/numberlocale.h"
#include "app/prompter.h"
#include "core/numberread.h"

namespace varnel {

NumericEdit::NumericEdit(Real minimum, Real maximum, int decimals, QWidget* parent)
    : QLineEdit(parent), minimum_(minimum), maximum_(maximum), decimals_(decimals) {
  connect(this, &QLineEdit::textEdited, this, &NumericEdit::OnTextEdited);
  // Wide enough for the largest value with all its decimals.
  setMinimumWidth(fontMetrics().horizontalAdvance(QString(decimals + 11, QLatin1Char('8'))));
  SetValue(0);
}

QString NumericEdit::FormatValue(Real value) const {
  char buf[128];
  const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals_);
  QString text = QString::fromLatin1(buf, static_cast<qsizetype>(res.ptr - buf));
  text.replace(QLatin1Char('.'), QLatin1Char(DecimalSeparator()));
  return text;
}

void NumericEdit::SetValue(Real value) {
  value_ = lastGood_ = std::clamp(value, minimum_, maximum_);
  setText(FormatValue(value_));
  emit ValueChanged(static_cast<double>(value_));
}

void NumericEdit::SetInvalidMessage(const QString& text, Prompter* prompter) {
  invalidText_ = text;
  prompter_ = prompter;
}

void NumericEdit::OnTextEdited(const QString& text) {
  if (text.isEmpty() || text == QLatin1String("-")) {
    value_ = std::clamp(Real(0), minimum_, maximum_);
  } else {
    Real v;
    if (!ReadNumber(text.toStdString(), DecimalSeparator(), v)) return;  // not a number yet
    value_ = std::clamp(v, minimum_, maximum_);
  }
  emit ValueChanged(static_cast<double>(value_));
}

bool NumericEdit::Leave() {
  Real v;
  const bool good = ReadNumber(text().toStdString(), DecimalSeparator(), v) && v >= minimum_ && v <= maximum_;
  if (!good) {
    if (prompter_ && !invalidText_.isEmpty())
      prompter_->Message(BoxKind::Error, invalidText_, Only(Button::Ok));
    SetValue(lastGood_);
    return false;
  }
  value_ = lastGood_ = v;
  setText(FormatValue(v));
  return true;
}

void NumericEdit::focusOutEvent(QFocusEvent* event) {
  QLineEdit::focusOutEvent(event);
  if (isModified()) {
    setModified(false);
    Leave();
  }
}

}  // namespace varnel
