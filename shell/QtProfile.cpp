#include "shell/QtProfile.h"

#include "model/PlatformPaths.h"

#include <QByteArray>
#include <QFile>
#include <QSettings>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace {

// One part of a settings path: verbatim, except that a "/" is written as a backslash so that
// QSettings does not take it for a sub-group. Parts that are empty or already hold a
// backslash could not be told apart afterwards and are refused.
bool PathPart(const std::string& text, QString& out)
{
    if (text.empty() || text.find('\\') != std::string::npos)
        return false;
    out = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    out.replace(QLatin1Char('/'), QLatin1Char('\\'));
    return true;
}

bool SettingsKey(const std::string& section, const std::string& key, QString& out)
{
    QString s, k;
    if (!PathPart(section, s) || !PathPart(key, k))
        return false;
    out = s + QLatin1Char('/') + k;
    return true;
}

// Where QSettings itself looks for a key with a "/": a sub-group. A person editing the file
// writes "Log GPS On/Off=1" (or QSettings' own "Log GPS On\Off=1"), and both land there.
bool HandWrittenKey(const std::string& section, const std::string& key, QString& out)
{
    QString s;
    if (key.find('/') == std::string::npos || !PathPart(section, s))
        return false;
    out = s + QLatin1Char('/') + QString::fromUtf8(key.data(), static_cast<qsizetype>(key.size()));
    return true;
}

std::string Utf8(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

bool IsWholeNumberType(const QVariant& v)
{
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return true;
    default:
        return false;
    }
}

} // namespace

QtProfile::QtProfile() : QtProfile(DefaultPath()) {}

QtProfile::QtProfile(const std::string& iniPath) : m_path(iniPath)
{
    Open();
}

QtProfile::~QtProfile() = default;

std::string QtProfile::DefaultPath()
{
    const std::string config = PlatformPaths::ConfigHome();
    if (config.empty())
        return {};
    return config + "/Vostrel Geodata/Delvora for Tolam.ini";
}

void QtProfile::Open()
{
    m_settings.reset();
    if (m_path.empty())
        return;
    const QByteArray name(m_path.data(), static_cast<qsizetype>(m_path.size()));
    m_settings = std::make_unique<QSettings>(QFile::decodeName(name), QSettings::IniFormat);
}

bool QtProfile::Read(const std::string& section, const std::string& key, QVariant& value) const
{
    QString path;
    if (!m_settings || !SettingsKey(section, key, path))
        return false;
    value = m_settings->value(path);
    if (!value.isValid() && HandWrittenKey(section, key, path))
        value = m_settings->value(path);
    return value.isValid();
}

bool QtProfile::Write(const std::string& section, const std::string& key, const QVariant& value)
{
    QString path;
    if (m_path.empty() || !SettingsKey(section, key, path))
        return false;
    // A QSettings object keeps the first error it met for good, so every write gets a new
    // one and its status says how this write went. The objects share the parsed file, and a
    // value that could not be kept stays pending and goes out with the next write that can.
    Open();
    m_settings->setValue(path, value);
    QString handWritten;
    if (HandWrittenKey(section, key, handWritten))
        m_settings->remove(handWritten); // the value now has one place only
    m_settings->sync();
    QSettings::Status status = m_settings->status();
    if (status == QSettings::FormatError) {
        // The file held lines QSettings could not read, and that status hides whether the
        // write went through. When it did, the file holds only what QSettings wrote and a new
        // look at it finds no error.
        Open();
        m_settings->sync();
        status = m_settings->status();
    }
    return status == QSettings::NoError;
}

bool QtProfile::ReadValue(const std::string& section, const std::string& key, Value& out) const
{
    QVariant v;
    if (!Read(section, key, v))
        return false;
    if (v.typeId() == QMetaType::QString) {
        out = Utf8(v.toString());
    } else if (IsWholeNumberType(v)) { // written earlier in this run
        out = static_cast<std::int32_t>(static_cast<std::uint32_t>(v.toULongLong()));
    } else if (v.typeId() == QMetaType::QStringList) { // unquoted commas: the text comes back joined
        out = Utf8(v.toStringList().join(QLatin1Char(',')));
    } else if (v.typeId() == QMetaType::QByteArray) {
        const QByteArray bytes = v.toByteArray();
        out = std::vector<std::uint8_t>(bytes.begin(), bytes.end());
    } else {
        return false;
    }
    return true;
}

bool QtProfile::WriteValue(const std::string& section, const std::string& key, const Value& value)
{
    if (const auto* number = std::get_if<std::int32_t>(&value))
        return Write(section, key, QVariant(static_cast<int>(*number)));
    if (const auto* text = std::get_if<std::string>(&value)) {
        // The file is UTF-8 text: bytes that are not would come back changed.
        const QString qtext = QString::fromUtf8(text->data(), static_cast<qsizetype>(text->size()));
        if (Utf8(qtext) != *text)
            return false;
        return Write(section, key, QVariant(qtext));
    }
    const auto& bytes = std::get<std::vector<std::uint8_t>>(value);
    return Write(section, key,
                 QVariant(QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()))));
}
