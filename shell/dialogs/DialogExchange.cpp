#include "shell/dialogs/DialogExchange.h"

#include "model/Numbers.h"
#include "model/Prompter.h"

#include <QFile>
#include <QLineEdit>
#include <QLocale>

#include <cmath>

namespace dlgx {

QString Double(double v)
{
    return QString::fromStdString(FormatC("%.15g", v));
}

QString Float(float v)
{
    return QString::fromStdString(FormatC("%.6g", static_cast<double>(v)));
}

QString Int(int v)
{
    return QString::number(v);
}

namespace {

// The "C" locale without digit grouping: "1,000" is not a number here.
QLocale Plain()
{
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::RejectGroupSeparator);
    return c;
}

} // namespace

bool ParseInt(const QString& text, int& out)
{
    bool ok = false;
    const int v = Plain().toInt(text.trimmed(), &ok);
    if (ok)
        out = v;
    return ok;
}

bool ParseFloat(const QString& text, float& out)
{
    bool ok = false;
    const double v = Plain().toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(v) || std::fabs(v) > 3.4e38)
        return false;
    out = static_cast<float>(v);
    return true;
}

namespace {

bool Refuse(QLineEdit* edit, Prompter& prompter, const char* text)
{
    prompter.messageText(text);
    edit->setFocus();
    edit->selectAll();
    return false;
}

} // namespace

bool ReadInt(QLineEdit* edit, Prompter& prompter, int& out)
{
    return ParseInt(edit->text(), out) || Refuse(edit, prompter, "Please enter an integer.");
}

bool ReadFloat(QLineEdit* edit, Prompter& prompter, float& out)
{
    return ParseFloat(edit->text(), out) || Refuse(edit, prompter, "Please enter a number.");
}

std::string ToLatin1(const QString& text)
{
    return text.toLatin1().toStdString();
}

QString FromLatin1(const std::string& text)
{
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

std::string ToPath(const QString& text)
{
    return QFile::encodeName(text).toStdString();
}

QString FromPath(const std::string& path)
{
    return QFile::decodeName(QByteArray(path.data(), static_cast<qsizetype>(path.size())));
}

} // namespace dlgx
