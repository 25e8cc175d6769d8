// The data exchange shared by the settings dialogs: numbers shown in edit
// fields and read back on OK. A field that does not hold an acceptable value
// shows the standard message, gets the focus, and the dialog stays open.
#pragma once

#include <QString>

class QDialog;
class QLineEdit;
class QWidget;

namespace korvex::dialogs {

// A double as the dialogs show it: up to 15 significant digits.
QString DoubleText(double value);

// Reads a double; false (after the message) when the text is not a number.
bool ReadDouble(QLineEdit* field, double& value);
// Reads a double within [low, high]; false (after the message) otherwise.
bool ReadDoubleIn(QLineEdit* field, double low, double high, double& value);
// Reads an unsigned integer within [low, high]; false (after the message)
// when the text is not an integer or lies outside the range.
bool ReadUnsigned(QLineEdit* field, unsigned low, unsigned high, unsigned& value);

// The warning of a refused OK over the dialog, without blocking the
// caller's accept(); focus is the control that needs changing.
void ShowRefusal(QWidget* focus, const QString& message);

// A line edit named after its control id, for the dialogs' layouts.
QLineEdit* NumberField(QWidget* parent, int controlId, const QString& text);

// OK and キャンセル under a dialog's content, wired to accept and reject.
void AddOkCancel(QDialog* dialog);

}  // namespace korvex::dialogs
