// How the dialogs move values between their members and their edit fields: numbers shown
// as the instrument always showed them ('.' as the decimal point whatever the desktop's
// locale), typed numbers checked with the operator told what is wrong, and the program's
// 8-bit texts (names in settings files and headers) converted on the way in and out.
#pragma once

#include <QString>

#include <string>

class Prompter;
class QLineEdit;

namespace dlgx {

// A double as "%.15g", a float as "%.6g" (328.084, not 328.08399999999995).
QString Double(double v);
QString Float(float v);
QString Int(int v);

// The number typed into `edit`. On a text that is not one, the operator is told
// ("Please enter an integer." / "Please enter a number."), the edit gets the focus and
// false is returned with `out` unchanged.
bool ReadInt(QLineEdit* edit, Prompter& prompter, int& out);
bool ReadFloat(QLineEdit* edit, Prompter& prompter, float& out);
// The same without telling anybody: false on a text that is not a number.
bool ParseInt(const QString& text, int& out);
bool ParseFloat(const QString& text, float& out);

// Texts of settings files and headers are 8-bit: what Latin-1 cannot hold becomes '?'.
std::string ToLatin1(const QString& text);
QString FromLatin1(const std::string& text);
// File and folder names are the file system's bytes.
std::string ToPath(const QString& text);
QString FromPath(const std::string& path);

} // namespace dlgx
