// The filter library's calls over the handle table. No exception leaves a call: a failure
// (an unknown handle, no memory) is a 0 result.
#include "filters/FilterLibrary.h"

#include "filters/FilterChain.h"
#include "filters/FilterEditor.h"
#include "filters/FilterEditorModel.h"
#include "filters/FilterListFile.h"
#include "filters/MeasureInfoCache.h"
#include "filters/RadMeasureInfo.h"

#include <memory>
#include <mutex>
#include <unordered_map>
#include <unordered_set>

namespace {

struct Library {
    std::mutex lock; // guards lists, next, records and editor
    std::unordered_map<FilterListHandle, std::unique_ptr<FilterChain>> lists;
    FilterListHandle next = 1;
    std::unordered_set<FilterInfo*> records;
    FilterEditor* editor = nullptr;
    MeasureInfoCache descriptions{ReadRadMeasureInfo};
};

Library& Instance()
{
    static Library library;
    return library;
}

FilterChain* Find(FilterListHandle handle)
{
    Library& lib = Instance();
    std::lock_guard<std::mutex> hold(lib.lock);
    auto it = lib.lists.find(handle);
    return it == lib.lists.end() ? nullptr : it->second.get();
}

template <class Call>
int Guarded(Call call) noexcept
{
    try {
        return call();
    } catch (...) {
        return 0;
    }
}

} // namespace

FilterChain* FilterListLookup(FilterListHandle list)
{
    return Find(list);
}

FilterEditor* SetFilterEditor(FilterEditor* editor)
{
    Library& lib = Instance();
    std::lock_guard<std::mutex> hold(lib.lock);
    FilterEditor* previous = lib.editor;
    lib.editor = editor;
    return previous;
}

extern "C" {

FilterListHandle FilterListCreate()
{
    try {
        Library& lib = Instance();
        std::lock_guard<std::mutex> hold(lib.lock);
        // Handles are not reused while the counter has not wrapped, so a stale handle of a
        // destroyed list stays unknown.
        while (lib.next == 0 || lib.lists.count(lib.next))
            ++lib.next;
        const FilterListHandle handle = lib.next++;
        lib.lists.emplace(handle, std::make_unique<FilterChain>());
        return handle;
    } catch (...) {
        return 0;
    }
}

int FilterListDestroy(FilterListHandle list)
{
    return Guarded([&] {
        Library& lib = Instance();
        std::unique_ptr<FilterChain> gone;
        std::lock_guard<std::mutex> hold(lib.lock);
        auto it = lib.lists.find(list);
        if (it == lib.lists.end())
            return 0;
        gone = std::move(it->second);
        lib.lists.erase(it);
        return 1;
    });
}

int FilterListLoad(FilterListHandle list, const char* path)
{
    return Guarded([&] {
        FilterChain* chain = Find(list);
        return chain && path && FilterListFile::Read(path, *chain) ? 1 : 0;
    });
}

int FilterListSave(FilterListHandle list, const char* path)
{
    return Guarded([&] {
        FilterChain* chain = Find(list);
        return chain && path && FilterListFile::Write(path, *chain) ? 1 : 0;
    });
}

int FilterListGetSize(FilterListHandle list)
{
    return Guarded([&] {
        FilterChain* chain = Find(list);
        return chain ? chain->size() : 0;
    });
}

int FilterListGetFilter(FilterListHandle list, FilterInfo* info, int index)
{
    return Guarded([&] {
        FilterChain* chain = Find(list);
        Filter* filter = chain ? chain->at(index) : nullptr;
        if (!filter || !info)
            return 0;
        filter->describe(*info);
        return 1;
    });
}

int FilterListRemoveFilter(FilterListHandle list, int index)
{
    return Guarded([&] {
        FilterChain* chain = Find(list);
        return chain && chain->remove(index) ? 1 : 0;
    });
}

int FilterListApply(FilterListHandle list, const std::int16_t* in, std::int16_t* out, MeasureInfo info)
{
    return Guarded([&] {
        FilterChain* chain = Find(list);
        return chain && chain->apply(in, out, info) ? 1 : 0;
    });
}

int FilterListEdit(FilterListHandle list, std::int32_t /*reserved*/, const std::int16_t* traces, MeasureInfo info)
{
    return Guarded([&] {
        FilterChain* chain = Find(list);
        FilterEditor* editor = nullptr;
        {
            Library& lib = Instance();
            std::lock_guard<std::mutex> hold(lib.lock);
            editor = lib.editor;
        }
        if (!chain || !editor)
            return 0;
        FilterEditorModel model(*chain, traces, info);
        if (!editor->run(model))
            return 0;
        // The editor is modal: while it ran the list may have been destroyed (its document
        // closed as the session ended), so the handle is looked up again.
        FilterChain result = model.takeResult();
        Library& lib = Instance();
        std::lock_guard<std::mutex> hold(lib.lock);
        const auto it = lib.lists.find(list);
        if (it == lib.lists.end())
            return 0;
        // Every filter is replaced, so the caller must describe the list again: 1 even when
        // nothing was changed.
        *it->second = std::move(result);
        return 1;
    });
}

FilterInfo* FilterInfoCreate()
{
    try {
        auto info = std::make_unique<FilterInfo>();
        *info = FilterInfo{nullptr, 0, 0, nullptr};
        Library& lib = Instance();
        std::lock_guard<std::mutex> hold(lib.lock);
        lib.records.insert(info.get());
        return info.release();
    } catch (...) {
        return nullptr;
    }
}

int FilterInfoDestroy(FilterInfo* info)
{
    return Guarded([&] {
        Library& lib = Instance();
        std::lock_guard<std::mutex> hold(lib.lock);
        // Only records made here are freed, each once.
        if (!info || lib.records.erase(info) == 0)
            return 0;
        delete info;
        return 1;
    });
}

int MeasureInfoLoad(MeasureInfo* info, const char* radPath)
{
    return Guarded([&] {
        if (!info || !radPath)
            return 0;
        MeasureInfo loaded{};
        if (!Instance().descriptions.load(radPath, loaded))
            return 0;
        *info = loaded;
        return 1;
    });
}

} // extern "C"
