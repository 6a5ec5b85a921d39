// Small builders and setters the dialogs share: track bars with their value
// beside them, spin edits, variable lists, colour swatches, and setting a
// control's value without running its change handlers.
#pragma once

#include <QRgb>
#include <QString>

class QAbstractButton;
class QComboBox;
class QGroupBox;
class QHBoxLayout;
class QLabel;
class QRadioButton;
class QSlider;
class QSpinBox;
class QWidget;

namespace varnel {

// A horizontal track bar with ticks below.
QSlider* TrackBar(int minimum, int maximum, int position, QWidget* parent, const char* name);
QSpinBox* SpinEdit(int minimum, int maximum, QWidget* parent, const char* name);
// A list of the DataSheet's variables; item 0 is "(None)".
QComboBox* VariableList(QWidget* parent, const char* name);
QRadioButton* Radio(const QString& caption, QWidget* parent, const char* name);
// A sunken panel that shows a colour (ShowColor).
QLabel* Swatch(QWidget* parent, const char* name);
void ShowColor(QLabel* swatch, QRgb colour);
// A sunken panel that shows a font sample.
QLabel* FontPanel(QWidget* parent, const char* name);

// Setting a value without the control's change signals.
void SetBlocked(QComboBox* box, int index);
void SetBlocked(QSpinBox* box, int value);
void SetBlocked(QSlider* bar, int value);  // also the number beside it
void SetBlocked(QAbstractButton* button, bool checked);

// The number beside a track bar (WithValue), which shows no number of its own.
QLabel* ValueLabel(const QSlider* bar);
// A track bar with its value beside it.
QHBoxLayout* WithValue(QSlider* bar);

// A group box whose caption keeps the blanks the program's captions have.
QGroupBox* Group(const QString& caption, QWidget* parent);

}  // namespace varnel
