// A message of the GPS receiver's thread reaches the operator on the user interface thread.
// (The receiver, its logs and the GPS update handler are tested on their own.)

#include "tests/shell/AppDoubles.h"

#include "shell/AppEvents.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <thread>

TEST(AppGps, MessageOfAWorkerThreadIsShownOnTheUserInterfaceThread)
{
    AppHarness h;
    h.Start();
    h.log.clear();
    std::thread worker([] { PostAppMessage("Unable to configure the serial port"); });
    worker.join();
    QCoreApplication::sendPostedEvents(h.app.get());
    EXPECT_EQ(h.log, EventLog{"text Unable to configure the serial port"});
}
