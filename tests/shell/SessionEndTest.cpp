// The end of a session (SIGTERM, SIGINT) reaches the user-interface thread once, and the
// dialogs that are open give way.

#include "shell/SessionEnd.h"

#include <QCoreApplication>
#include <QDialog>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>

namespace {

// Delivers events until `done` holds; gives up after a generous time (a hang, not a timing).
template <typename F>
bool ProcessUntil(F done)
{
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!done() && std::chrono::steady_clock::now() < giveUp)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    return done();
}

} // namespace

TEST(SessionEnd, SigtermRunsTheHandlerOnceAndDismissesOpenDialogs)
{
    QDialog dialog;
    dialog.show();
    int calls = 0;
    {
        CSessionEnd end;
        end.SetHandler([&] {
            ++calls;
            CSessionEnd::DismissDialogs();
        });
        ASSERT_FALSE(end.Requested());
        std::raise(SIGTERM);
        ASSERT_TRUE(ProcessUntil([&] { return calls > 0; }));
        EXPECT_TRUE(end.Requested());
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_EQ(dialog.result(), QDialog::Rejected);

        std::raise(SIGINT);  // a second signal while ending changes nothing
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        EXPECT_EQ(calls, 1);
    }
    // Once it is gone the signals have their usual meaning again.
    struct sigaction sa {};
    ::sigaction(SIGTERM, nullptr, &sa);
    EXPECT_EQ(sa.sa_handler, SIG_DFL);
}
