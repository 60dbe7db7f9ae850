#include "model/RadarData.h"

#include "model/MeasParamSet.h"
#include "model/Numbers.h"
#include "model/PlatformPaths.h"
#include "model/Prompter.h"
#include "model/TextFile.h"
#include "model/UnitInfo.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kMsgDataFileReadError = 130;
constexpr int kMsgCannotCreateGpsLog = 132;
constexpr int kMsgCannotCreateDataSet = 155;

// Set numbers beyond this are taken for stray files, not sets: the next number must fit.
constexpr std::int64_t kMaxSetNumber = 999999999;

bool EndsWithRd3(const std::string& name)
{
    if (name.size() < 4)
        return false;
    std::string ext = name.substr(name.size() - 4);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext == ".rd3";
}

bool PathExists(const std::string& path)
{
    struct stat st {};
    return !path.empty() && ::lstat(path.c_str(), &st) == 0;
}

std::string SetName(const std::string& base, std::int64_t number)
{
    return base + FormatC("_%04lld", static_cast<long long>(number));
}

// One more than the highest set number any .rd3 file "<base>?<number>..." in `dataFolder`
// carries; `matches` counts the .rd3 files that begin with the base name.
std::int64_t NextSetNumber(const std::string& dataFolder, const std::string& baseName, int& matches)
{
    matches = 0;
    std::int64_t highest = 0;
    std::error_code ec;
    std::filesystem::directory_iterator it(dataFolder.empty() ? "." : dataFolder, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (!EndsWithRd3(name) || name.compare(0, baseName.size(), baseName) != 0)
            continue;
        ++matches;
        // One separator character after the base name, then the set number, all of it.
        if (name.size() > baseName.size() + 1) {
            const std::int64_t number = LeadingInt(std::string_view(name).substr(baseName.size() + 1));
            if (number > highest && number <= kMaxSetNumber)
                highest = number;
        }
    }
    return highest + 1;
}

// The channel part of a file name: "_A1" .. "_H2" at its end, or -1.
int SlotOfChannelName(const std::string& stem)
{
    if (stem.size() < 3 || stem[stem.size() - 3] != '_')
        return -1;
    const char letter = stem[stem.size() - 2];
    const char digit = stem[stem.size() - 1];
    if (letter < 'A' || letter > 'H' || (digit != '1' && digit != '2'))
        return -1;
    return letter - 'A';
}

} // namespace

CRadarData::CRadarData(DataSetContext context) : m_ctx(std::move(context))
{
    for (auto& channel : m_Channels)
        channel.GetTraceCache().SetMeasuringQuery(m_ctx.isMeasuring);
    for (auto& em : m_EmData)
        em = std::make_unique<CEM_Data>(m_ctx.emLock);
    for (auto& log : m_GpsLogs) {
        if (m_ctx.gps)
            log = m_ctx.gps->MakeLog();
        if (!log)
            log = std::make_unique<NullGpsLog>();
    }
}

CRadarData::~CRadarData() = default;

bool CRadarData::IsModularUnit()
{
    std::lock_guard<std::recursive_mutex> guard(m_ctx.driverLock);
    return m_ctx.unit ? m_ctx.unit->IsModularUnit() : true;
}

bool CRadarData::IsActive(int k) const
{
    return m_ctx.settings.m_params[k].m_bActive != 0;
}

bool CRadarData::TakesEmFile(int slot) const
{
    return (IsActive(slot * 2) || IsActive(slot * 2 + 1)) && m_ctx.settings.m_params[slot * 2].m_bEmSensor != 0;
}

int CRadarData::CurrentIndex() const
{
    const int slot = m_ctx.settings.m_nCurSlot;
    const int channel = m_ctx.settings.m_nCurChannel;
    if (slot < 0 || slot >= kSlots || channel < 0 || channel > 1)
        return 0;
    return slot * 2 + channel;
}

int CRadarData::MakeNewName(const std::string& dataFolder, const std::string& baseName)
{
    int matches = 0;
    m_strSetName = SetName(baseName, NextSetNumber(dataFolder, baseName, matches));
    return matches;
}

bool DataFileNamesFit(const std::string& dataFolder, const std::string& baseName)
{
    int matches = 0;
    // Every file of a channel has a four-letter extension (.rd3, .rad, .mrk and the GPS
    // logs' .cor, .fri, .utm, .gga); a slot's .em file is shorter.
    const std::string longest = SetName(baseName, NextSetNumber(dataFolder, baseName, matches)) + "_A1.rd3";
    return longest.size() <= FileNameLimit(dataFolder.empty() ? "." : dataFolder);
}

void CRadarData::NameChannel(int k, const std::string& folder, const std::string& stem, bool single)
{
    const std::string base = single ? stem : stem + "_" + GetSlotLetter(k / 2) + static_cast<char>('1' + k % 2);
    CChannelData& channel = m_Channels[static_cast<std::size_t>(k)];
    channel.m_strFullPath = folder + base + ".rd3";
    channel.m_strShortName = base + ".rd3";
    channel.m_Header.m_strPath = folder + base + ".rad";
    m_MarkerFiles[static_cast<std::size_t>(k)].m_strPath = folder + base + ".mrk";
    m_GpsLogs[static_cast<std::size_t>(k)]->SetFileName(channel.m_strFullPath);
}

void CRadarData::MakeFileNames(const std::string& dataFolder, const std::string& name, bool single)
{
    std::string stem = name;
    const std::size_t dot = stem.rfind('.');
    const std::size_t slash = stem.rfind('/');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash))
        stem.erase(dot);
    const std::string folder = PlatformPaths::WithTrailingSlash(dataFolder);
    if (single) {
        NameChannel(CurrentIndex(), folder, stem, true);
        return;
    }
    for (int slot = 0; slot < kSlots; ++slot) {
        m_EmData[static_cast<std::size_t>(slot)]->m_strPath = folder + stem + "_" + GetSlotLetter(slot) + ".em";
        NameChannel(slot * 2, folder, stem, false);
        NameChannel(slot * 2 + 1, folder, stem, false);
    }
}

bool CRadarData::AnyFileOfNewSetExists(bool modular)
{
    const bool gps = m_ctx.gps && m_ctx.gps->IsReceiverOpen();
    const int channels = modular ? kChannels : 1;
    for (int k = 0; k < channels; ++k) {
        if (!IsActive(k))
            continue;
        const CChannelData& c = m_Channels[static_cast<std::size_t>(k)];
        if (PathExists(c.m_strFullPath) || PathExists(c.m_Header.m_strPath) ||
            PathExists(m_MarkerFiles[static_cast<std::size_t>(k)].m_strPath) ||
            (gps && PathExists(m_GpsLogs[static_cast<std::size_t>(k)]->GetFileName())))
            return true;
    }
    if (modular)
        for (int slot = 0; slot < kSlots; ++slot)
            if (TakesEmFile(slot) && PathExists(m_EmData[static_cast<std::size_t>(slot)]->m_strPath))
                return true;
    return false;
}

int CRadarData::CreateSetFiles(bool modular, std::vector<std::string>& created)
{
    const bool gps = m_ctx.gps && m_ctx.gps->IsReceiverOpen();
    const int slots = modular ? kSlots : 1;
    const int channelsPerSlot = modular ? 2 : 1;
    for (int slot = 0; slot < slots; ++slot) {
        bool anyActive = false;
        for (int ch = 0; ch < channelsPerSlot; ++ch) {
            const int k = slot * 2 + ch;
            if (!IsActive(k))
                continue;
            anyActive = true;
            CChannelData& channel = m_Channels[static_cast<std::size_t>(k)];
            if (channel.CreateFile() != 0)
                return 5;
            created.push_back(channel.m_strFullPath);
            CMarkerFile& markers = m_MarkerFiles[static_cast<std::size_t>(k)];
            if (markers.Create() != 0)
                return 5;
            created.push_back(markers.m_strPath);
            if (gps) {
                GpsLog& log = *m_GpsLogs[static_cast<std::size_t>(k)];
                log.Close();
                if (log.Open(0) == 0)
                    m_ctx.prompter.message(kMsgCannotCreateGpsLog);
                else
                    created.push_back(log.GetFileName());
            }
        }
        if (modular && anyActive && m_ctx.settings.m_params[slot * 2].m_bEmSensor != 0) {
            CEM_Data& em = *m_EmData[static_cast<std::size_t>(slot)];
            if (em.Create() != 0)
                return 5;
            created.push_back(em.m_strPath);
        }
    }
    return 0;
}

int CRadarData::CreateFiles(const std::string& dataFolder, const std::string& baseName)
{
    MakeNewName(dataFolder, baseName);
    const std::int64_t firstNumber = LeadingInt(std::string_view(m_strSetName).substr(baseName.size() + 1));
    const bool modular = IsModularUnit();

    for (int attempt = 0; attempt < kMaxNameAttempts; ++attempt) {
        m_strSetName = SetName(baseName, firstNumber + attempt);
        if (modular) {
            MakeFileNames(dataFolder, m_strSetName + ".rd3", false);
        } else {
            // A single-channel unit measures on channel index 0, whatever channel is current.
            NameChannel(0, PlatformPaths::WithTrailingSlash(dataFolder), m_strSetName, true);
        }
        // Names can be taken by files the number scan does not see (a set without its .rd3,
        // a name with a longer number): pass over them rather than touch them.
        if (AnyFileOfNewSetExists(modular))
            continue;

        std::vector<std::string> created;
        if (CreateSetFiles(modular, created) == 0) {
            m_newSetFiles = std::move(created);
            return 0;
        }
        DiscardNewSet(created);
        m_ctx.prompter.message(kMsgCannotCreateDataSet);
        return 5;
    }
    ForgetNames();
    m_strSetName.clear();
    m_ctx.prompter.message(kMsgCannotCreateDataSet);
    return 5;
}

int CRadarData::WriteHeaders()
{
    return WriteHeadersNoting(nullptr);
}

int CRadarData::WriteHeadersNoting(std::vector<std::string>* written)
{
    const bool modular = IsModularUnit();
    const int slots = modular ? kSlots : 1;
    const int channelsPerSlot = modular ? 2 : 1;
    for (int slot = 0; slot < slots; ++slot) {
        for (int ch = 0; ch < channelsPerSlot; ++ch) {
            if (!IsActive(slot * 2 + ch))
                continue;
            const int result = WriteHeader(slot, ch);
            if (result != 0)
                return result;
            if (written)
                written->push_back(m_Channels[static_cast<std::size_t>(slot * 2 + ch)].m_Header.m_strPath);
        }
    }
    return 0;
}

int CRadarData::WriteNewSetHeaders()
{
    std::vector<std::string> created = std::move(m_newSetFiles);
    m_newSetFiles.clear();
    // The headers did not exist when the set was made, so each one written here is the set's own.
    if (WriteHeadersNoting(&created) == 0)
        return 0;
    DiscardNewSet(created);
    return 6;
}

void CRadarData::DiscardNewSet(std::vector<std::string>& created)
{
    CloseFiles(true);
    for (const std::string& path : created)
        ::unlink(path.c_str());
    created.clear();
}

bool CRadarData::SyncFiles()
{
    bool synced = true;
    std::string folderOf;
    for (int k = 0; k < kChannels; ++k) {
        CChannelData& channel = m_Channels[static_cast<std::size_t>(k)];
        if (channel.IsOpen() && folderOf.empty())
            folderOf = channel.m_strFullPath;
        synced = channel.SyncFile() && synced;
        synced = m_MarkerFiles[static_cast<std::size_t>(k)].Sync() && synced;
        synced = m_GpsLogs[static_cast<std::size_t>(k)]->Sync() && synced;
    }
    for (auto& em : m_EmData)
        synced = em->Sync() && synced;
    // The set's names, made at the start, must be on the disk before a header counts its traces.
    if (!folderOf.empty())
        synced = SyncFolderOf(folderOf) && synced;
    return synced;
}

bool CRadarData::SyncWrittenData()
{
    bool synced = true;
    for (int k = 0; k < kChannels; ++k) {
        const auto kk = static_cast<std::size_t>(k);
        synced = m_Channels[kk].SyncWrittenTraces() && synced;
        synced = m_MarkerFiles[kk].SyncWrittenMarkers() && synced;
        synced = m_GpsLogs[kk]->SyncWritten() && synced;
    }
    for (auto& em : m_EmData)
        synced = em->SyncWrittenRecords() && synced;
    return synced;
}

CRadarData::StopOutcome CRadarData::StoreAfterStop()
{
    StopOutcome outcome;
    outcome.filesSynced = SyncFiles();
    for (int k = 0; k < kChannels; ++k)
        if (IsActive(k) && m_Channels[static_cast<std::size_t>(k)].IsOpen())
            outcome.headersWritten = WriteHeader(k / 2, k % 2) == 0 && outcome.headersWritten;
    return outcome;
}

int CRadarData::WriteHeader(int slot, int channel)
{
    if (slot < 0 || slot >= kSlots || channel < 0 || channel > 1)
        return 6;
    const bool asItStands = m_ctx.isFileViewMode && m_ctx.isFileViewMode();
    return m_Channels[static_cast<std::size_t>(slot * 2 + channel)].m_Header.Write(
        asItStands ? nullptr : &m_ctx.settings, slot, channel);
}

int CRadarData::OpenFiles(const std::string& dataFolder, const std::string& name)
{
    const int k = CurrentIndex();
    const int slot = k / 2;
    const std::string given = name.empty() ? m_Channels[static_cast<std::size_t>(k)].m_strShortName : name;
    MakeFileNames(dataFolder, given, true);

    CChannelData& channel = m_Channels[static_cast<std::size_t>(k)];
    CMarkerFile& markers = m_MarkerFiles[static_cast<std::size_t>(k)];
    CEM_Data& em = *m_EmData[static_cast<std::size_t>(slot)];
    const int result = channel.OpenFile(m_ctx.settings, slot, k % 2);
    if (result != 0) {
        markers.Close(true);
        em.Close();
        return result;
    }
    markers.Read();

    // The sensor file belongs to the slot named in the file name: "<set>_B2" reads "<set>_B.em".
    std::string stem = channel.m_strShortName.substr(0, channel.m_strShortName.size() - 4);
    if (SlotOfChannelName(stem) >= 0) {
        stem.pop_back();
        em.m_strPath = PlatformPaths::WithTrailingSlash(dataFolder) + stem + ".em";
        em.Read();
    } else {
        em.Close();
        em.m_strPath.clear();
    }
    return 0;
}

void CRadarData::CloseFiles(bool clearName)
{
    for (int slot = 0; slot < kSlots; ++slot) {
        for (int ch = 0; ch < 2; ++ch) {
            const auto k = static_cast<std::size_t>(slot * 2 + ch);
            m_Channels[k].CloseFile();
            m_MarkerFiles[k].Close(true);
            m_GpsLogs[k]->Close();
        }
        m_EmData[static_cast<std::size_t>(slot)]->Close();
    }
    ResetHeaders();
    m_newSetFiles.clear();
    if (clearName) {
        m_strSetName.clear();
        ForgetNames();
    }
}

void CRadarData::ForgetNames()
{
    // A closed set's names must not linger: a later header write would land on its files.
    for (int k = 0; k < kChannels; ++k) {
        CChannelData& channel = m_Channels[static_cast<std::size_t>(k)];
        channel.m_strFullPath.clear();
        channel.m_strShortName.clear();
        channel.m_Header.m_strPath.clear();
        m_MarkerFiles[static_cast<std::size_t>(k)].m_strPath.clear();
    }
    for (auto& em : m_EmData)
        em->m_strPath.clear();
}

void CRadarData::ResetTraceCaches()
{
    for (auto& channel : m_Channels)
        channel.ResetTraceCache();
}

void CRadarData::ResetHeaders()
{
    for (auto& channel : m_Channels)
        channel.m_Header.SetDefaults(0, 0);
}

bool CRadarData::ReportTraceReadError()
{
    bool any = false;
    for (auto& channel : m_Channels)
        any = channel.GetTraceCache().TakeReadError() || any;
    if (any)
        m_ctx.prompter.message(kMsgDataFileReadError);
    return any;
}
