// The filter editor's logic without its dialog.
#include "TestFilters.h"

#include "filters/BandPass.h"
#include "filters/DcRemoval.h"
#include "filters/FilterEditorModel.h"
#include "filters/Gain.h"

#include <gtest/gtest.h>

namespace {

std::vector<std::string> Names(const FilterChain& list)
{
    std::vector<std::string> names;
    for (int i = 0; i < list.size(); ++i)
        names.push_back(list.at(i)->name());
    return names;
}

} // namespace

TEST(FilterEditorModel, OffersTheCatalogue)
{
    FilterEditorModel model(FilterChain{}, nullptr, MeasureInfo{});
    const auto names = model.catalogue();
    ASSERT_GE(names.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(names.begin(), names.begin() + 4),
              (std::vector<std::string>{"DC removal", "Background removal", "Gain", "Band-pass"}));
}

TEST(FilterEditorModel, AddRemoveAndMoveKeepTheSelectionOnTheFilter)
{
    FilterChain start;
    start.add(DcRemoval::kName);
    FilterEditorModel model(start, nullptr, MeasureInfo{});
    EXPECT_EQ(model.selected(), 0);
    EXPECT_FALSE(model.changed());

    ASSERT_TRUE(model.add(Gain::kName));
    ASSERT_TRUE(model.add(BandPass::kName));
    EXPECT_EQ(model.selected(), 2);
    EXPECT_FALSE(model.add("Unknown filter"));
    EXPECT_FALSE(model.moveDown()) << "already last";

    ASSERT_TRUE(model.moveUp());
    EXPECT_EQ(model.selected(), 1);
    EXPECT_EQ(Names(model.list()), (std::vector<std::string>{"DC removal", "Band-pass", "Gain"}));
    ASSERT_TRUE(model.moveUp());
    EXPECT_FALSE(model.moveUp()) << "already first";
    EXPECT_EQ(Names(model.list()), (std::vector<std::string>{"Band-pass", "DC removal", "Gain"}));

    model.select(2);
    ASSERT_TRUE(model.removeSelected());
    EXPECT_EQ(model.selected(), 1) << "the last filter went: the one before it is selected";
    model.select(0);
    ASSERT_TRUE(model.removeSelected());
    EXPECT_EQ(model.selected(), 0);
    EXPECT_EQ(Names(model.list()), (std::vector<std::string>{"DC removal"}));
    EXPECT_FALSE(model.changed()) << "back to the list it was opened on";
    ASSERT_TRUE(model.removeSelected());
    EXPECT_EQ(model.selected(), -1);
    EXPECT_FALSE(model.removeSelected());
    EXPECT_TRUE(model.changed());
    model.select(7);
    EXPECT_EQ(model.selected(), -1);
}

TEST(FilterEditorModel, ParameterChangesAreCheckedAndCounted)
{
    RegisterTestFilters();
    FilterEditorModel model(FilterChain{}, nullptr, MeasureInfo{});
    ASSERT_TRUE(model.add(kTestFilter));
    const unsigned revision = model.revision();
    EXPECT_TRUE(model.setText(0, 0, "x"));
    EXPECT_TRUE(model.setWhole(0, 1, 5000));
    EXPECT_EQ(model.list().at(0)->value(1).whole, 1000) << "clamped";
    EXPECT_FALSE(model.setFloat(0, 1, 2.0)) << "not a float parameter";
    EXPECT_FALSE(model.setWhole(1, 1, 2)) << "no such filter";
    EXPECT_FALSE(model.setChoice(0, 2, 1)) << "not a choice";
    EXPECT_TRUE(model.setEnabled(0, false));
    EXPECT_FALSE(model.setEnabled(3, false));
    EXPECT_EQ(model.revision(), revision + 3);
    EXPECT_TRUE(model.changed());
}

TEST(FilterEditorModel, PreviewFollowsTheWorkingList)
{
    const std::vector<std::int16_t> block = {10, 20, 30, 0, 1, 2, 3, 0}; // stride 4, 3 valid
    MeasureInfo info = BlockInfo(4, 2, 3, 1000);
    FilterEditorModel model(FilterChain{}, block.data(), info);
    EXPECT_EQ(model.traceCount(), 2);
    EXPECT_EQ(model.validSamples(), 3);
    EXPECT_EQ(model.before(), block);
    EXPECT_EQ(model.after(), block);
    ASSERT_TRUE(model.add(DcRemoval::kName));
    EXPECT_EQ(model.after(), (std::vector<std::int16_t>{-10, 0, 10, 0, -1, 0, 1, 0}));
    ASSERT_TRUE(model.setEnabled(0, false));
    EXPECT_EQ(model.after(), block);
}

TEST(FilterEditorModel, UntrustedBlocksAreNotPreviewed)
{
    const std::vector<std::int16_t> block(16, 1);
    for (MeasureInfo info : {BlockInfo(2049, 1), BlockInfo(0, 4), BlockInfo(4, 0), BlockInfo(4, -2)}) {
        FilterEditorModel model(FilterChain{}, block.data(), info);
        EXPECT_EQ(model.traceCount(), 0);
        EXPECT_TRUE(model.before().empty());
        EXPECT_TRUE(model.after().empty());
        EXPECT_TRUE(model.add(Gain::kName));
        EXPECT_TRUE(model.after().empty());
    }
    FilterEditorModel none(FilterChain{}, nullptr, BlockInfo(4, 4));
    EXPECT_EQ(none.traceCount(), 0);
}

TEST(FilterEditorModel, ResultIsTheWorkingList)
{
    FilterEditorModel model(FilterChain{}, nullptr, MeasureInfo{});
    model.add(Gain::kName);
    model.setFloat(0, Gain::kSlope, 3.5);
    FilterChain result = model.takeResult();
    ASSERT_EQ(result.size(), 1);
    EXPECT_EQ(result.at(0)->value(Gain::kSlope).real, 3.5f);
}
