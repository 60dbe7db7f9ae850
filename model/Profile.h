// The per-user profile: small named values in sections, kept between runs.
// The program's own store is the INI file of shell/QtProfile; tests use MemoryProfile.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <variant>
#include <vector>

class Profile {
public:
    virtual ~Profile() = default;

    // Integers are 32-bit words: a stored "-1" and "4294967295" read the same.
    // An absent value, or one that is not an integer, gives the default.
    virtual std::int32_t getInt(const std::string& section, const std::string& key,
                                std::int32_t def) const = 0;
    virtual std::string getString(const std::string& section, const std::string& key,
                                  const std::string& def) const = 0;
    // False when the value is absent or is not binary; `out` is then left empty.
    virtual bool getBinary(const std::string& section, const std::string& key,
                           std::vector<std::uint8_t>& out) const = 0;

    // Each write is kept at once; false when the store could not take it.
    virtual bool writeInt(const std::string& section, const std::string& key,
                          std::int32_t value) = 0;
    virtual bool writeString(const std::string& section, const std::string& key,
                             const std::string& value) = 0;
    virtual bool writeBinary(const std::string& section, const std::string& key,
                             const std::vector<std::uint8_t>& value) = 0;
};

// A store of typed values: the accessors above on top of one read and one write of a value,
// so that each store only says how it keeps a value. An integer read from a text that holds
// a whole number is that number, an integer read as text is its decimal form; a value of
// another type gives the default.
class ValueProfile : public Profile {
public:
    using Value = std::variant<std::int32_t, std::string, std::vector<std::uint8_t>>;

    std::int32_t getInt(const std::string& section, const std::string& key,
                        std::int32_t def) const override;
    std::string getString(const std::string& section, const std::string& key,
                          const std::string& def) const override;
    bool getBinary(const std::string& section, const std::string& key,
                   std::vector<std::uint8_t>& out) const override;
    bool writeInt(const std::string& section, const std::string& key, std::int32_t value) override;
    bool writeString(const std::string& section, const std::string& key,
                     const std::string& value) override;
    bool writeBinary(const std::string& section, const std::string& key,
                     const std::vector<std::uint8_t>& value) override;

protected:
    // The value kept under section/key; false when there is none.
    virtual bool ReadValue(const std::string& section, const std::string& key, Value& out) const = 0;
    // Keeps a value at once; false when the store could not take it.
    virtual bool WriteValue(const std::string& section, const std::string& key, const Value& value) = 0;
};

// A profile held in memory, for tests and tools that must not touch the user's store.
class MemoryProfile : public ValueProfile {
public:
    const Value* find(const std::string& section, const std::string& key) const;
    // Keys in the order they were first written, per section: lets tests check a save order.
    const std::vector<std::pair<std::string, std::string>>& writeOrder() const { return m_order; }

protected:
    bool ReadValue(const std::string& section, const std::string& key, Value& out) const override;
    bool WriteValue(const std::string& section, const std::string& key, const Value& value) override;

private:
    std::map<std::string, std::map<std::string, Value>> m_values;
    std::vector<std::pair<std::string, std::string>> m_order;
};
