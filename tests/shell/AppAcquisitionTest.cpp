// The acquisition's notifications reach the application object's handlers, from the
// acquisition thread as from any other.

#include "tests/shell/AppDoubles.h"

#include "shell/AcqNotices.h"
#include "shell/AppEvents.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <thread>

TEST(AcqNotices, EachNoticeFromAWorkerThreadRunsItsHandler)
{
    AppHarness h;
    h.Start();
    for (auto& p : h.app->m_params.m_params)
        p.m_bActive = 0;
    h.app->m_params.m_params[0].m_bActive = 1;
    h.app->m_params.m_nTrigType = 200;  // time mode: markers at the channel's own count
    h.data->traces[0] = 17;
    FakeDocument& doc = h.OpenFakeDocument();
    h.app->m_status.m_bMeasuring = 1;
    h.log.clear();

    std::thread worker([] {
        PostAcqNotice(AcqNotice::TracesReady);
        PostAcqNotice(AcqNotice::StatusUpdate);
        PostAcqNotice(AcqNotice::MarkerKey1);
        PostAcqNotice(AcqNotice::AcquisitionEnded);
    });
    worker.join();
    QCoreApplication::sendPostedEvents(h.app.get());

    EXPECT_EQ(doc.refreshes, 1);
    EXPECT_EQ(h.Frame().bar.updates, 1);
    EXPECT_EQ(h.data->markers, (std::vector<MarkerCall>{{0, 17, 0, 1}}));
    EXPECT_EQ(h.log, (EventLog{"doc refresh", "doc stop"}));
}
