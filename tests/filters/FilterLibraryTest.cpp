// The library's calls as the program uses them: handles, descriptions, and apply.
#include "TestFilters.h"

#include "filters/BackgroundRemoval.h"
#include "filters/DcRemoval.h"
#include "filters/FilterChain.h"
#include "filters/FilterLibrary.h"
#include "filters/Gain.h"

#include <gtest/gtest.h>

#include <cmath>
#include <algorithm>
#include <cstring>
#include <unistd.h>

namespace {

using Block = std::vector<std::int16_t>;

// A list handle destroyed at the end of the test.
struct List {
    FilterListHandle handle = FilterListCreate();
    ~List() { FilterListDestroy(handle); }
    FilterChain& chain() { return *FilterListLookup(handle); }
};

float FloatOf(std::uintptr_t word)
{
    const std::uint32_t bits = static_cast<std::uint32_t>(word);
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

} // namespace

TEST(FilterLibrary, EmptyOrAllDisabledListCopiesExactly)
{
    List list;
    const Block in = RandomSamples(2048 * 7, 1);
    Block out(in.size(), 0);
    EXPECT_EQ(FilterListApply(list.handle, in.data(), out.data(), BlockInfo(2048, 7, 400, 1000)), 1);
    EXPECT_EQ(out, in);

    list.chain().add(DcRemoval::kName)->setEnabled(false);
    list.chain().add(BackgroundRemoval::kName)->setEnabled(false);
    std::fill(out.begin(), out.end(), 0);
    EXPECT_EQ(FilterListApply(list.handle, in.data(), out.data(), BlockInfo(2048, 7, 400, 1000)), 1);
    EXPECT_EQ(out, in);
}

TEST(FilterLibrary, ApplyWritesEverySampleAndLeavesPaddingAlone)
{
    List list;
    list.chain().add(DcRemoval::kName);
    Block in = RandomSamples(64 * 5, 2);
    for (auto& s : in)
        s = static_cast<std::int16_t>(s / 4); // no saturation
    Block out(in.size(), 0x1234);
    ASSERT_EQ(FilterListApply(list.handle, in.data(), out.data(), BlockInfo(64, 5, 40)), 1);
    for (int t = 0; t < 5; ++t) {
        for (int k = 40; k < 64; ++k)
            ASSERT_EQ(out[t * 64 + k], in[t * 64 + k]) << "padding of trace " << t;
        double mean = 0;
        for (int k = 0; k < 40; ++k)
            mean += out[t * 64 + k];
        EXPECT_LE(std::abs(mean / 40), 0.5) << "trace " << t << " still has an offset";
    }

    // more valid samples than the stride holds: the whole stride is filtered, nothing beyond
    Block wide(64 * 2 + 8, 0x7777);
    ASSERT_EQ(FilterListApply(list.handle, in.data(), wide.data(), BlockInfo(64, 2, 5000)), 1);
    EXPECT_TRUE(std::all_of(wide.begin() + 128, wide.end(), [](std::int16_t s) { return s == 0x7777; }));
}

TEST(FilterLibrary, ApplyInPlace)
{
    List list;
    list.chain().add(Gain::kName)->setFloat(Gain::kSlope, 1.0);
    Block in(10, 100);
    Block copy(10);
    ASSERT_EQ(FilterListApply(list.handle, in.data(), copy.data(), BlockInfo(5, 2, 0, 1000)), 1);
    ASSERT_EQ(FilterListApply(list.handle, in.data(), in.data(), BlockInfo(5, 2, 0, 1000)), 1);
    EXPECT_EQ(in, copy);
    EXPECT_EQ(in[4], 500);
}

TEST(FilterLibrary, BlockWithoutSamplesWritesNothing)
{
    List list;
    const Block in(16, 5);
    Block out(16, 9);
    for (MeasureInfo info : {BlockInfo(0, 4), BlockInfo(4, 0), BlockInfo(-4, 4), BlockInfo(4, -1)})
        EXPECT_EQ(FilterListApply(list.handle, in.data(), out.data(), info), 0);
    EXPECT_EQ(FilterListApply(list.handle, nullptr, out.data(), BlockInfo(4, 4)), 0);
    EXPECT_EQ(FilterListApply(list.handle, in.data(), nullptr, BlockInfo(4, 4)), 0);
    EXPECT_EQ(out, Block(16, 9));
}

TEST(FilterLibrary, UnknownHandlesAnswerZeroToEverything)
{
    FilterListHandle gone = FilterListCreate();
    ASSERT_NE(gone, 0u);
    ASSERT_EQ(FilterListDestroy(gone), 1);
    FilterInfo* info = FilterInfoCreate();
    Block samples(4, 3), out(4, 8);
    for (FilterListHandle h : {gone, FilterListHandle{0}, FilterListHandle{0xFFFFFFF0u}}) {
        EXPECT_EQ(FilterListDestroy(h), 0);
        EXPECT_EQ(FilterListLoad(h, "/nonexistent"), 0);
        EXPECT_EQ(FilterListSave(h, "/tmp/never-written-by-an-unknown-list"), 0);
        EXPECT_EQ(FilterListGetSize(h), 0);
        EXPECT_EQ(FilterListGetFilter(h, info, 0), 0);
        EXPECT_EQ(FilterListRemoveFilter(h, 0), 0);
        EXPECT_EQ(FilterListApply(h, samples.data(), out.data(), BlockInfo(2, 2)), 0);
        EXPECT_EQ(FilterListEdit(h, 0, samples.data(), BlockInfo(2, 2)), 0);
        EXPECT_EQ(FilterListLookup(h), nullptr);
    }
    EXPECT_EQ(out, Block(4, 8));
    EXPECT_EQ(::access("/tmp/never-written-by-an-unknown-list", F_OK), -1);
    EXPECT_EQ(FilterInfoDestroy(info), 1);
}

TEST(FilterLibrary, HandlesAreDistinctAndNotReused)
{
    const FilterListHandle a = FilterListCreate(), b = FilterListCreate();
    EXPECT_NE(a, b);
    FilterListDestroy(a);
    const FilterListHandle c = FilterListCreate();
    EXPECT_NE(c, a);
    FilterListLookup(b)->add(DcRemoval::kName);
    EXPECT_EQ(FilterListGetSize(b), 1);
    EXPECT_EQ(FilterListGetSize(c), 0);
    FilterListDestroy(b);
    FilterListDestroy(c);
}

TEST(FilterLibrary, DescriptionRecordsAreFreedOnceAndOnlyIfMadeHere)
{
    FilterInfo* info = FilterInfoCreate();
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->name, nullptr);
    EXPECT_EQ(info->count, 0);
    EXPECT_EQ(FilterInfoDestroy(info), 1);
    EXPECT_EQ(FilterInfoDestroy(info), 0);
    FilterInfo own{};
    EXPECT_EQ(FilterInfoDestroy(&own), 0);
    EXPECT_EQ(FilterInfoDestroy(nullptr), 0);
}

TEST(FilterLibrary, DescribesFiltersWithEveryParameterType)
{
    RegisterTestFilters();
    List list;
    Filter* gain = list.chain().add(Gain::kName);
    gain->setChoice(Gain::kType, Gain::kExponential);
    gain->setFloat(Gain::kSlope, 0.25);
    Filter* test = list.chain().add(kTestFilter);
    test->setText(0, "first run");
    test->setWhole(1, -7);
    test->setWhole(2, 1);
    test->setEnabled(false);

    FilterInfo* info = FilterInfoCreate();
    ASSERT_EQ(FilterListGetFilter(list.handle, info, 0), 1);
    EXPECT_STREQ(info->name, "Gain");
    EXPECT_EQ(info->enabled, 1);
    ASSERT_EQ(info->count, 4);
    EXPECT_STREQ(info->params[0].name, "Type");
    EXPECT_EQ(info->params[0].type, kParamChoice);
    const auto* choice = reinterpret_cast<const FilterChoice*>(info->params[0].value);
    ASSERT_EQ(choice->count, 2);
    EXPECT_STREQ(choice->texts[0], "Linear");
    EXPECT_STREQ(choice->texts[1], "Exponential");
    EXPECT_EQ(*choice->selected, 1);
    EXPECT_STREQ(info->params[2].name, "Slope");
    EXPECT_EQ(info->params[2].type, kParamFloat);
    EXPECT_EQ(FloatOf(info->params[2].value), 0.25f);
    EXPECT_EQ(FloatOf(info->params[3].value), 100.0f);

    ASSERT_EQ(FilterListGetFilter(list.handle, info, 1), 1);
    EXPECT_STREQ(info->name, kTestFilter);
    EXPECT_EQ(info->enabled, 0);
    ASSERT_EQ(info->count, 3);
    EXPECT_EQ(info->params[0].type, kParamText);
    EXPECT_STREQ(reinterpret_cast<const char*>(info->params[0].value), "first run");
    EXPECT_EQ(info->params[1].type, kParamInteger);
    EXPECT_EQ(static_cast<std::int32_t>(info->params[1].value), -7);
    EXPECT_EQ(info->params[2].type, kParamFlag);
    EXPECT_EQ(info->params[2].value, 1u);

    EXPECT_EQ(FilterListGetFilter(list.handle, info, 2), 0);
    EXPECT_EQ(FilterListGetFilter(list.handle, info, -1), 0);
    EXPECT_EQ(FilterListGetFilter(list.handle, nullptr, 0), 0);
    FilterInfoDestroy(info);
}

TEST(FilterLibrary, ChoiceSelectionWrittenThroughTheRecordReachesTheFilter)
{
    List list;
    list.chain().add(Gain::kName)->setFloat(Gain::kSlope, 6.0206);
    FilterInfo* info = FilterInfoCreate();
    ASSERT_EQ(FilterListGetFilter(list.handle, info, 0), 1);
    auto* choice = reinterpret_cast<FilterChoice*>(info->params[0].value);
    *choice->selected = Gain::kExponential;
    EXPECT_EQ(list.chain().at(0)->value(Gain::kType).whole, Gain::kExponential);
    // an index from outside the choice reads as the first text
    *choice->selected = 57;
    EXPECT_EQ(list.chain().at(0)->value(Gain::kType).whole, Gain::kLinear);
    Block x(3, 10);
    ASSERT_EQ(FilterListApply(list.handle, x.data(), x.data(), BlockInfo(3, 1, 0, 1000)), 1);
    EXPECT_EQ(x, (Block{10, 70, 130})) << "the linear gain";
    FilterInfoDestroy(info);
}

TEST(FilterLibrary, RemovingMovesLaterFiltersDown)
{
    List list;
    list.chain().add(DcRemoval::kName);
    list.chain().add(Gain::kName);
    list.chain().add(BackgroundRemoval::kName);
    EXPECT_EQ(FilterListRemoveFilter(list.handle, 3), 0);
    EXPECT_EQ(FilterListRemoveFilter(list.handle, -1), 0);
    ASSERT_EQ(FilterListRemoveFilter(list.handle, 1), 1);
    ASSERT_EQ(FilterListGetSize(list.handle), 2);
    EXPECT_EQ(list.chain().at(1)->name(), BackgroundRemoval::kName);
}

TEST(FilterLibrary, ListHoldsAtMost64Filters)
{
    List list;
    for (int i = 0; i < FilterChain::kMaxFilters; ++i)
        ASSERT_NE(list.chain().add(Gain::kName), nullptr);
    EXPECT_EQ(list.chain().add(Gain::kName), nullptr);
    EXPECT_EQ(list.chain().add("No such filter"), nullptr);
    EXPECT_EQ(FilterListGetSize(list.handle), FilterChain::kMaxFilters);
}
