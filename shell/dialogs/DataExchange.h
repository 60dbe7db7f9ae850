// Moving values between a dialog's members and its edits as operators of the instrument
// know it: numbers shown with a '.' whatever the locale (doubles "%.15g", floats "%.6g"),
// typed numbers read strictly, and a value that does not pass named in the usual words
// ("Please enter a number."), with the focus put back on its edit so the dialog stays open.
#pragma once

#include <QString>

#include <cstddef>
#include <string>

class Prompter;
class QLineEdit;

namespace dx {

QString FormatDouble(double v);  // "%.15g"
QString FormatFloat(float v);    // "%.6g"
QString FormatInt(long long v);  // "%d"

// A number typed in a text: blanks around it allowed, '.' as the decimal point, nothing else
// after it; false for anything else (a ',' included) and for infinities and NaN.
bool ParseNumber(const QString& text, double& out);
bool ParseInteger(const QString& text, int& out);

// Each reads `edit`; when the text does not pass, the operator is told why, the edit gets
// the focus with its text selected, and the result is false.
bool ReadDouble(QLineEdit* edit, Prompter& prompter, double& out);
bool ReadFloat(QLineEdit* edit, Prompter& prompter, float& out);
bool ReadInt(QLineEdit* edit, Prompter& prompter, int& out);
// `v` within [min, max]; the bounds are named with `digits` significant digits.
bool CheckRange(QLineEdit* edit, Prompter& prompter, double v, double min, double max, int digits = 6);
bool CheckIntRange(QLineEdit* edit, Prompter& prompter, int v, int min, int max);
// Tells the operator `text` about `edit` and gives it the focus; false.
bool Refuse(QLineEdit* edit, Prompter& prompter, const QString& text);
QString RangeText(double min, double max, int digits);

// A typed text as the files hold it: Latin-1 with '?' for a character it cannot hold, line
// breaks removed (they would split a line of the file), at most `maxBytes` bytes.
std::string FieldText(const QString& text, std::size_t maxBytes);
// A text of the files for an edit.
QString ShownText(const std::string& text);

}  // namespace dx
