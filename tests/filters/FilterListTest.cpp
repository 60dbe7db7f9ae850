// The document's filter list: its mirror of the library's descriptions after load, edit and
// removal, and the description records it is filled from.
#include "TestFilters.h"

#include "filters/BackgroundRemoval.h"
#include "filters/DcRemoval.h"
#include "filters/FilterChain.h"
#include "filters/FilterEditor.h"
#include "filters/FilterEditorModel.h"
#include "filters/FilterList.h"
#include "filters/FilterListFile.h"
#include "filters/Gain.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

namespace {

using Block = std::vector<std::int16_t>;

template <class T>
const CBaseProperty<T>* As(const CFilterInfo* info, int i)
{
    return dynamic_cast<const CBaseProperty<T>*>(info ? info->GetProperty(i) : nullptr);
}

std::uintptr_t FloatWord(float f)
{
    std::uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    return bits;
}

// A file with Gain (exponential), the test filter and background removal.
std::string WriteThreeFilters(const TempDir& dir)
{
    RegisterTestFilters();
    FilterChain list;
    Filter* gain = list.add(Gain::kName);
    gain->setChoice(Gain::kType, Gain::kExponential);
    gain->setFloat(Gain::kSlope, 0.5);
    Filter* test = list.add(kTestFilter);
    test->setText(0, "marker");
    test->setWhole(1, 12);
    test->setEnabled(false);
    list.add(BackgroundRemoval::kName)->setWhole(BackgroundRemoval::kTraces, 9);
    const std::string path = dir.file("def_filter_list");
    EXPECT_TRUE(FilterListFile::Write(path, list));
    return path;
}

// An editor that changes the list through a script and answers OK or Cancel.
class ScriptedEditor : public FilterEditor {
public:
    explicit ScriptedEditor(std::function<bool(FilterEditorModel&)> script) : m_script(std::move(script))
    {
        m_previous = SetFilterEditor(this);
    }
    ~ScriptedEditor() override { SetFilterEditor(m_previous); }
    bool run(FilterEditorModel& model) override
    {
        ++runs;
        traces = model.traceCount();
        samples = model.samplesPerTrace();
        before = model.before();
        return m_script(model);
    }

    int runs = 0;
    int traces = -1, samples = -1;
    Block before;

private:
    std::function<bool(FilterEditorModel&)> m_script;
    FilterEditor* m_previous = nullptr;
};

} // namespace

TEST(CFilterList, FailedLoadKeepsListAndMirror)
{
    TempDir dir;
    CFilterList list;
    ASSERT_NE(list.Load(WriteThreeFilters(dir)), 0);
    WriteFileBytes(dir.file("bad"), "FILTER LIST VERSION:1\r\nFILTER:Gain\r\n");
    EXPECT_EQ(list.Load(dir.file("bad")), 0);
    EXPECT_EQ(list.Load(dir.file("missing")), 0);
    EXPECT_EQ(list.GetSize(), 3);
    ASSERT_EQ(list.GetMirrorSize(), 3);
    EXPECT_EQ(list.GetFilterInfo(2)->GetName(), "Background removal");
}

TEST(CFilterList, RemovalTakesTheMirrorEntryAlong)
{
    TempDir dir;
    CFilterList list;
    ASSERT_NE(list.Load(WriteThreeFilters(dir)), 0);
    EXPECT_EQ(list.RemoveFilter(3), 0);
    EXPECT_EQ(list.RemoveFilter(-1), 0);
    EXPECT_EQ(list.GetMirrorSize(), 3) << "a failed removal leaves the mirror";

    ASSERT_NE(list.RemoveFilter(1), 0);
    ASSERT_EQ(list.GetMirrorSize(), 2);
    EXPECT_EQ(list.GetFilterInfo(0)->GetName(), "Gain");
    EXPECT_EQ(list.GetFilterInfo(1)->GetName(), "Background removal");
    EXPECT_EQ(list.GetFilterInfo(1)->GetLibraryIndex(), 1);

    ASSERT_NE(list.RemoveFilter(0), 0);
    ASSERT_EQ(list.GetMirrorSize(), 1);
    EXPECT_EQ(list.GetFilterInfo(0)->GetName(), "Background removal");
    // the close of a document: remove filter 0 until none is left or a removal fails
    while (list.GetSize() > 0 && list.RemoveFilter(0) != 0) {
    }
    EXPECT_EQ(list.GetSize(), 0);
    EXPECT_EQ(list.GetMirrorSize(), 0);
}

TEST(CFilterList, SaveWritesWhatWasLoaded)
{
    TempDir dir;
    const std::string path = WriteThreeFilters(dir);
    CFilterList list;
    ASSERT_NE(list.Load(path), 0);
    ASSERT_NE(list.Save(dir.file("copy")), 0);
    EXPECT_EQ(ReadFileBytes(dir.file("copy")), ReadFileBytes(path));

    CFilterList fresh; // no file yet: an empty list is written
    ASSERT_NE(fresh.Save(dir.file("empty")), 0);
    EXPECT_EQ(ReadFileBytes(dir.file("empty")), "FILTER LIST VERSION:1\r\n");
}

TEST(CFilterList, ApplyPassesTheDescription)
{
    CFilterList list;
    FilterListLookup(list.GetHandle())->add(Gain::kName)->setFloat(Gain::kSlope, 1.0);
    const Block in(8, 100);
    Block out(8, 0);
    CMeasureInfo description;
    description.SetSamplesPerTrace(4);
    description.SetTraceCount(2);
    list.Apply(in.data(), out.data(), description); // nothing measured: time in samples
    EXPECT_EQ(out, (Block{100, 200, 300, 400, 100, 200, 300, 400}));
}

TEST(CFilterInfo, FilledFromAHandMadeRecord)
{
    const char* texts[] = {"north", nullptr, "south"};
    std::int32_t selected = 2;
    FilterChoice choice{texts, 3, &selected};
    FilterParam params[] = {
        {11, "Label", kParamText, reinterpret_cast<std::uintptr_t>("hello"), 12, 13},
        {0, "Odd", 5, 99, 0, 0}, // a type this program does not know
        {21, "Count", kParamInteger, static_cast<std::uint32_t>(-4), 22, 23},
        {0, "Scale", kParamFloat, FloatWord(-1.25f), 0, 0},
        {0, nullptr, kParamFlag, 1, 0, 0},
        {0, "Side", kParamChoice, reinterpret_cast<std::uintptr_t>(&choice), 0, 0},
        {0, "Nothing", kParamText, 0, 0, 0},
    };
    FilterInfo record{nullptr, 0, 7, params};

    CFilterInfo info;
    info.Fill(record);
    EXPECT_EQ(info.GetName(), "");
    ASSERT_EQ(info.GetPropertyCount(), 7) << "Enabled and six parameters; type 5 left out";
    EXPECT_EQ(As<int>(&info, 0)->GetName(), "Enabled");
    EXPECT_EQ(As<int>(&info, 0)->GetValue(), 0);
    EXPECT_EQ(As<int>(&info, 0)->GetWord(0), 0u);
    ASSERT_NE(As<std::string>(&info, 1), nullptr);
    EXPECT_EQ(As<std::string>(&info, 1)->GetValue(), "hello");
    EXPECT_EQ(As<std::string>(&info, 1)->GetWord(0), 11u);
    EXPECT_EQ(As<std::string>(&info, 1)->GetWord(1), 12u);
    EXPECT_EQ(As<std::string>(&info, 1)->GetWord(2), 13u);
    ASSERT_NE(As<int>(&info, 2), nullptr);
    EXPECT_EQ(As<int>(&info, 2)->GetName(), "Count");
    EXPECT_EQ(As<int>(&info, 2)->GetValue(), -4);
    EXPECT_EQ(As<int>(&info, 2)->GetWord(1), 22u);
    ASSERT_NE(As<float>(&info, 3), nullptr);
    EXPECT_EQ(As<float>(&info, 3)->GetValue(), -1.25f);
    ASSERT_NE(As<int>(&info, 4), nullptr);
    EXPECT_EQ(As<int>(&info, 4)->GetName(), "");
    EXPECT_EQ(As<int>(&info, 4)->GetType(), 3);
    ASSERT_NE(As<paramSET>(&info, 5), nullptr);
    EXPECT_EQ(As<paramSET>(&info, 5)->GetWord(0), reinterpret_cast<std::uintptr_t>(&choice));
    EXPECT_EQ(As<std::string>(&info, 6)->GetValue(), "");

    paramSET set;
    ParamSetFromChoice(set, choice);
    EXPECT_EQ(set.texts, (std::vector<std::string>{"north", "", "south"}));
    EXPECT_EQ(set.selected, 2);
    set.selected = 0;
    StoreParamSetSelection(choice, set);
    EXPECT_EQ(selected, 0);

    // refilled from a record without parameters: only Enabled is left
    FilterInfo bare{"Bare", 1, 0, params};
    info.Fill(bare);
    EXPECT_EQ(info.GetName(), "Bare");
    EXPECT_EQ(info.GetPropertyCount(), 1);
    FilterInfo negative{"Bare", 1, -3, params};
    info.Fill(negative);
    EXPECT_EQ(info.GetPropertyCount(), 1);
}

TEST(CFilterListEdit, ConfirmedEditReplacesListAndMirror)
{
    CFilterList list;
    FilterListLookup(list.GetHandle())->add(DcRemoval::kName);
    list.Refresh();
    ScriptedEditor editor([](FilterEditorModel& model) {
        model.add(Gain::kName);
        model.setFloat(1, Gain::kSlope, 2.0);
        return true;
    });
    const Block block = RandomSamples(300 * 40, 8);
    CMeasureInfo description;
    EXPECT_EQ(list.Edit(0, block.data(), 40, 300, description), 1);
    EXPECT_EQ(editor.traces, 40);
    EXPECT_EQ(editor.samples, 300);
    EXPECT_EQ(editor.before, block);
    ASSERT_EQ(list.GetSize(), 2);
    ASSERT_EQ(list.GetMirrorSize(), 2);
    EXPECT_EQ(list.GetFilterInfo(1)->GetName(), "Gain");
    EXPECT_EQ(As<float>(list.GetFilterInfo(1), 3)->GetValue(), 2.0f);
}

TEST(FilterListEdit, ListDestroyedWhileTheEditorRunsIsNotWritten)
{
    const FilterListHandle handle = FilterListCreate();
    ASSERT_NE(handle, 0u);
    FilterListLookup(handle)->add(DcRemoval::kName);
    ScriptedEditor editor([&](FilterEditorModel& model) {
        model.add(Gain::kName);
        EXPECT_EQ(FilterListDestroy(handle), 1);  // its document closed meanwhile
        return true;
    });
    const Block block(100, 1);
    MeasureInfo info{};
    info.samplesPerTrace = 10;
    info.traces = 10;
    EXPECT_EQ(FilterListEdit(handle, 0, block.data(), info), 0);
    EXPECT_EQ(editor.runs, 1);
    EXPECT_EQ(FilterListLookup(handle), nullptr);
}

TEST(CFilterListEdit, CancelledEditChangesNothing)
{
    CFilterList list;
    FilterListLookup(list.GetHandle())->add(DcRemoval::kName);
    list.Refresh();
    const CFilterInfo* before = list.GetFilterInfo(0);
    ScriptedEditor editor([](FilterEditorModel& model) {
        model.removeSelected();
        model.add(Gain::kName);
        return false;
    });
    const Block block(100, 1);
    CMeasureInfo description;
    description.SetSamplesPerTrace(10);
    description.SetTraceCount(10);
    EXPECT_EQ(list.Edit(0, block.data(), description), 0);
    EXPECT_EQ(editor.runs, 1);
    ASSERT_EQ(list.GetSize(), 1);
    EXPECT_EQ(FilterListLookup(list.GetHandle())->at(0)->name(), DcRemoval::kName);
    EXPECT_EQ(list.GetFilterInfo(0), before) << "the mirror was not rebuilt";
}

TEST(CFilterListEdit, BlockWiderThanATraceOrEmptyShowsNoTraces)
{
    CFilterList list;
    ScriptedEditor editor([](FilterEditorModel&) { return true; });
    const Block block(4096 * 2, 3);
    CMeasureInfo description;
    EXPECT_EQ(list.Edit(0, block.data(), 2, 4096, description), 1);
    EXPECT_EQ(editor.traces, 0);
    EXPECT_TRUE(editor.before.empty());
    EXPECT_EQ(list.Edit(0, nullptr, 0, 400, description), 1);
    EXPECT_EQ(editor.traces, 0);
    // a header that says more samples than the block has: the block's own size counts
    description.SetSamplesPerTrace(2000);
    description.SetTraceCount(1000);
    EXPECT_EQ(list.Edit(0, block.data(), 2, 400, description), 1);
    EXPECT_EQ(editor.traces, 2);
    EXPECT_EQ(editor.samples, 400);
}

TEST(CFilterListEdit, WithoutAnEditorNothingHappens)
{
    FilterEditor* previous = SetFilterEditor(nullptr);
    CFilterList list;
    CMeasureInfo description;
    EXPECT_EQ(list.Edit(0, nullptr, description), 0);
    SetFilterEditor(previous);
}
