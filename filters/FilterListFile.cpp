#include "filters/FilterListFile.h"

#include "filters/FilterCatalogue.h"
#include "model/Numbers.h"
#include "model/TextFile.h"

#include <memory>
#include <optional>
#include <string_view>

namespace FilterListFile {
namespace {

constexpr std::string_view kHeader = "FILTER LIST VERSION";
constexpr std::string_view kFilter = "FILTER";
constexpr std::string_view kEnabled = "ENABLED";
constexpr std::string_view kParam = "PARAM";
constexpr std::string_view kEnd = "END FILTER";
constexpr int kVersion = 1;

bool IsBlank(std::string_view line)
{
    return line.find_first_not_of(" \t") == std::string_view::npos;
}

// The filters read so far and the block being read.
class Parser {
public:
    bool line(std::string_view text);
    bool finish() const { return m_sawHeader && !m_inBlock; }
    FilterChain& result() { return m_list; }

private:
    bool header(std::string_view text);
    bool blockLine(std::string_view text);

    FilterChain m_list;
    bool m_sawHeader = false;
    bool m_inBlock = false;
    std::unique_ptr<Filter> m_filter; // null inside the block of an unknown kind
};

bool Parser::line(std::string_view text)
{
    if (!m_sawHeader)
        return header(text);
    if (m_inBlock)
        return blockLine(text);
    if (IsBlank(text))
        return true;
    const KeyValue kv = SplitKeyValue(text);
    if (kv.key != kFilter)
        return false;
    m_inBlock = true;
    const FilterKind* kind = FilterCatalogue::Find(kv.value);
    m_filter = kind ? std::make_unique<Filter>(*kind) : nullptr;
    return true;
}

bool Parser::header(std::string_view text)
{
    const KeyValue kv = SplitKeyValue(text);
    m_sawHeader = kv.key == kHeader && kv.value == FormatC("%d", kVersion);
    return m_sawHeader;
}

bool Parser::blockLine(std::string_view text)
{
    if (text == kEnd) {
        m_inBlock = false;
        if (!m_filter)
            return true; // a kind this program does not know
        if (m_list.size() >= FilterChain::kMaxFilters)
            return false;
        m_list.add(*m_filter);
        m_filter.reset();
        return true;
    }
    const KeyValue kv = SplitKeyValue(text);
    if (kv.key == kFilter)
        return false; // the previous block never ended
    if (!m_filter)
        return true;
    if (kv.key == kEnabled) {
        std::int32_t word = 0;
        if (ParseProfileWord(kv.value, word))
            m_filter->setEnabled(word != 0);
    } else if (kv.key == kParam) {
        const KeyValue param = SplitKeyValue(kv.value);
        const int i = m_filter->find(param.key);
        if (i >= 0)
            m_filter->parse(i, param.value); // a value that does not parse keeps the default
    }
    return true;
}

} // namespace

std::string Format(const FilterChain& list)
{
    TextWriter out;
    out.line(FormatC("%.*s:%d", static_cast<int>(kHeader.size()), kHeader.data(), kVersion));
    for (int f = 0; f < list.size(); ++f) {
        const Filter& filter = *list.at(f);
        out.line(std::string(kFilter) + ":" + filter.name());
        out.line(std::string(kEnabled) + (filter.enabled() ? ":1" : ":0"));
        for (int i = 0; i < filter.paramCount(); ++i)
            out.line(std::string(kParam) + ":" + filter.spec(i).name() + ":" + filter.format(i));
        out.line(kEnd);
    }
    return out.text();
}

bool Write(const std::string& path, const FilterChain& list)
{
    return SaveFileAtomically(path, Format(list));
}

bool Read(const std::string& path, FilterChain& list)
{
    LineReader in(path, kMaxLine + 1);
    if (!in.isOpen())
        return false;
    Parser parser;
    std::string text;
    while (in.next(text))
        if (text.size() > kMaxLine || !parser.line(text))
            return false;
    if (!parser.finish())
        return false;
    list = std::move(parser.result());
    return true;
}

} // namespace FilterListFile
