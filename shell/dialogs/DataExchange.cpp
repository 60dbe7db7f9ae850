#include "shell/dialogs/DataExchange.h"

#include "model/Prompter.h"

#include <QLineEdit>

#include <cmath>
#include <cstdio>

namespace dx {

namespace {

QString Printf(const char* format, auto... args)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format, args...);
    return QString::fromLatin1(buffer);
}

}  // namespace

QString FormatDouble(double v)
{
    return Printf("%.15g", v);
}

QString FormatFloat(float v)
{
    return Printf("%.6g", static_cast<double>(v));
}

QString FormatInt(long long v)
{
    return QString::number(v);
}

bool ParseNumber(const QString& text, double& out)
{
    // Qt's own conversion knows only the C locale's '.', whatever the desktop's language.
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return false;
    out = v;
    return true;
}

bool ParseInteger(const QString& text, int& out)
{
    bool ok = false;
    const int v = text.trimmed().toInt(&ok, 10);
    if (!ok)
        return false;
    out = v;
    return true;
}

bool Refuse(QLineEdit* edit, Prompter& prompter, const QString& text)
{
    prompter.messageText(text.toStdString());
    edit->setFocus();
    edit->selectAll();
    return false;
}

bool ReadDouble(QLineEdit* edit, Prompter& prompter, double& out)
{
    return ParseNumber(edit->text(), out) || Refuse(edit, prompter, QStringLiteral("Please enter a number."));
}

bool ReadFloat(QLineEdit* edit, Prompter& prompter, float& out)
{
    double v = 0;
    if (!ReadDouble(edit, prompter, v))
        return false;
    if (std::fabs(v) > 3.402823466e38)
        return Refuse(edit, prompter, QStringLiteral("Please enter a number."));
    out = static_cast<float>(v);
    return true;
}

bool ReadInt(QLineEdit* edit, Prompter& prompter, int& out)
{
    return ParseInteger(edit->text(), out) || Refuse(edit, prompter, QStringLiteral("Please enter an integer."));
}

QString RangeText(double min, double max, int digits)
{
    return QStringLiteral("Please enter a number between %1 and %2.")
        .arg(Printf("%.*g", digits, min), Printf("%.*g", digits, max));
}

bool CheckRange(QLineEdit* edit, Prompter& prompter, double v, double min, double max, int digits)
{
    return (v >= min && v <= max) || Refuse(edit, prompter, RangeText(min, max, digits));
}

bool CheckIntRange(QLineEdit* edit, Prompter& prompter, int v, int min, int max)
{
    return (v >= min && v <= max) ||
           Refuse(edit, prompter, QStringLiteral("Please enter an integer between %1 and %2.").arg(min).arg(max));
}

std::string FieldText(const QString& text, std::size_t maxBytes)
{
    std::string out;
    for (char32_t c : text.toUcs4()) {
        if (out.size() >= maxBytes)
            break;
        if (c == U'\r' || c == U'\n')
            continue;
        out.push_back(c <= 0xFF ? static_cast<char>(c) : '?');
    }
    return out;
}

QString ShownText(const std::string& text)
{
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace dx
