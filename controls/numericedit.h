// A line edit for one number with a minimum, a maximum and a number of
// decimals: clamped while typed, checked when left.
#pragma once

#include <QLineEdit>

#include "core/real.h"

namespace varnel {

class Prompter;

class NumericEdit : public QLineEdit {
  Q_OBJECT
 public:
  NumericEdit(Real minimum, Real maximum, int decimals, QWidget* parent = nullptr);

  Real Minimum() const { return minimum_; }
  Real Maximum() const { return maximum_; }
  int Decimals() const { return decimals_; }
  Real Value() const { return value_; }
  // Sets the value (clamped) and shows it with the box's decimals.
  void SetValue(Real value);
  // The message shown when the box is left with text that is not a number in
  // range, and where it is shown.
  void SetInvalidMessage(const QString& text, Prompter* prompter);
  // What leaving the box does: a text that is not a number in range is
  // reported and the last good value comes back; a good one is kept.
  // Returns true when the text was good.
  bool Leave();

  // The value's text with the box's decimals and the decimal separator.
  QString FormatValue(Real value) const;

 signals:
  void ValueChanged(double approximate);

 protected:
  void focusOutEvent(QFocusEvent* event) override;

 private:
  void OnTextEdited(const QString& text);

  Real minimum_, maximum_;
  int decimals_;
  Real value_ = 0;
  Real lastGood_ = 0;
  QString invalidText_;
  Prompter* prompter_ = nullptr;
};

}  // namespace varnel
