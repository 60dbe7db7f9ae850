// Makes the GPS logs of the data set: one KGPSData per channel, taking positions from the
// application's receiver and the log format from the profile.
#pragma once

#include "model/GpsLog.h"

class CGPSReceiver;
class Profile;

class CGPSLogProvider : public GpsLogProvider {
public:
    // Both must outlive the provider and every log it made.
    CGPSLogProvider(const Profile& profile, const CGPSReceiver& receiver);

    bool IsReceiverOpen() const override;
    std::unique_ptr<GpsLog> MakeLog() override;

private:
    const Profile& m_profile;
    const CGPSReceiver& m_receiver;
};
