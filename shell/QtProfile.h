// The program's user profile: an INI file kept through QSettings, by default
// "<config home>/Vostrel Geodata/Delvora for Tolam.ini".
//
// Sections and keys are kept verbatim. QSettings writes blanks and other punctuation as %XX
// and takes a "/" for a sub-group, so a "/" in a section or key is written as a backslash
// ("Log GPS On/Off" appears as Log%20GPS%20On%5COff under [GPS%20Settings]); a section or key
// that itself holds a backslash, or is empty, is refused. A key with a "/" typed into the
// file by hand ("Log GPS On/Off=1") is read too, and the next write of that key replaces it
// with the written form. Binary values are written as @ByteArray(...).
//
// Reading: a value that is not of the asked type gives the default. An integer must be a
// whole number of at most 32 bits ("abc", "1.5" or "" read as the default, as a value of the
// wrong type would); a text value is UTF-8; a text value with unquoted commas, which
// QSettings reads as a list, comes back joined with ",". A line without "=" is skipped and
// the other lines still read (the next write leaves it out); of two lines with the same key
// the last one counts.
//
// Writing: every write is stored at once (QSettings replaces the file atomically); false
// when the file could not be written, or for text that is not valid UTF-8.
#pragma once

#include "model/Profile.h"

#include <memory>

class QSettings;
class QString;
class QVariant;

class QtProfile : public ValueProfile {
public:
    // The profile the program uses; no file at all when there is no home folder.
    QtProfile();
    // A profile in another file (tests and tools).
    explicit QtProfile(const std::string& iniPath);
    ~QtProfile() override;
    QtProfile(const QtProfile&) = delete;
    QtProfile& operator=(const QtProfile&) = delete;

    // "<config home>/Vostrel Geodata/Delvora for Tolam.ini", or "" without a home folder.
    static std::string DefaultPath();
    const std::string& path() const { return m_path; }

protected:
    bool ReadValue(const std::string& section, const std::string& key, Value& out) const override;
    bool WriteValue(const std::string& section, const std::string& key, const Value& value) override;

private:
    bool Read(const std::string& section, const std::string& key, QVariant& value) const;
    bool Write(const std::string& section, const std::string& key, const QVariant& value);
    void Open();

    std::string m_path;
    std::unique_ptr<QSettings> m_settings;
};
