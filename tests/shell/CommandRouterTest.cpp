// Where a command goes: view, document, child frame, main frame, application, in that order.

#include "shell/CommandRouter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Level = CommandRouter::Level;

class CommandRouterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        router.SetActive({[this] { return view; }, [this] { return document; }, [this] { return child; }});
    }
    CommandRouter::Handler Note(const std::string& who, bool enabled = true)
    {
        return {[this, who] { ran.push_back(who); }, [enabled] { return enabled; }, [who] { return who == "doc"; }, {}};
    }

    CommandRouter router;
    int viewObject = 0, docObject = 0, otherDoc = 0, childObject = 0;
    const void* view = nullptr;
    const void* document = nullptr;
    const void* child = nullptr;
    std::vector<std::string> ran;
};

} // namespace

TEST_F(CommandRouterTest, FirstLevelThatHasTheCommandTakesIt)
{
    router.Register(Level::App, nullptr, 1, Note("app"));
    router.Register(Level::MainFrame, nullptr, 1, Note("frame"));
    router.Register(Level::Document, &docObject, 1, Note("doc"));
    router.Register(Level::View, &viewObject, 1, Note("view"));
    router.Register(Level::ChildFrame, &childObject, 1, Note("child"));

    EXPECT_TRUE(router.Dispatch(1));  // no view, document or child is active
    document = &docObject;
    router.Dispatch(1);
    child = &childObject;
    router.Dispatch(1);
    view = &viewObject;
    router.Dispatch(1);
    EXPECT_EQ(ran, (std::vector<std::string>{"frame", "doc", "doc", "view"}));
}

TEST_F(CommandRouterTest, OnlyTheActiveOwnersRegistrationsCount)
{
    router.Register(Level::Document, &otherDoc, 2, Note("other"));
    router.Register(Level::App, nullptr, 2, Note("app"));
    document = &docObject;
    router.Dispatch(2);
    document = &otherDoc;
    router.Dispatch(2);
    EXPECT_FALSE(router.IsChecked(2));
    router.Unregister(&otherDoc);
    router.Dispatch(2);
    EXPECT_EQ(ran, (std::vector<std::string>{"app", "other", "app"}));
}

TEST_F(CommandRouterTest, DisabledOrUnknownCommandsDoNotRun)
{
    router.Register(Level::MainFrame, nullptr, 3, Note("frame", false));
    router.Register(Level::App, nullptr, 3, Note("app"));
    EXPECT_FALSE(router.IsEnabled(3));  // the first level decides, even when it says no
    EXPECT_FALSE(router.Dispatch(3));
    EXPECT_FALSE(router.Dispatch(4));
    EXPECT_FALSE(router.IsEnabled(4));
    EXPECT_TRUE(ran.empty());
}

TEST_F(CommandRouterTest, ARegistrationReplacesTheSameOwnersEarlierOneAndPanesGiveTheirText)
{
    document = &docObject;
    router.Register(Level::Document, &docObject, 5, Note("first"));
    router.Register(Level::Document, &docObject, 5, Note("doc"));
    router.Dispatch(5);
    EXPECT_EQ(ran, std::vector<std::string>{"doc"});
    EXPECT_TRUE(router.IsChecked(5));
    router.Register(Level::View, &viewObject, 59142, {{}, {}, {}, [] { return std::string("t=12 ns"); }});
    EXPECT_EQ(router.Text(59142), "");
    view = &viewObject;
    EXPECT_EQ(router.Text(59142), "t=12 ns");
}

TEST_F(CommandRouterTest, ACommandMayTakeItsOwnRegistrationAway)
{
    document = &docObject;
    router.Register(Level::Document, &docObject, 6, {[this] {
                                                        router.Unregister(&docObject);
                                                        ran.push_back("closed");
                                                    },
                                                    {}, {}, {}});
    EXPECT_TRUE(router.Dispatch(6));
    EXPECT_EQ(ran, std::vector<std::string>{"closed"});
    EXPECT_FALSE(router.IsHandled(6));
}
