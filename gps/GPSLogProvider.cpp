#include "gps/GPSLogProvider.h"

#include "gps/GPSData.h"
#include "gps/GPSReceiver.h"

CGPSLogProvider::CGPSLogProvider(const Profile& profile, const CGPSReceiver& receiver)
    : m_profile(profile), m_receiver(receiver)
{
}

bool CGPSLogProvider::IsReceiverOpen() const
{
    return m_receiver.IsOpen();
}

std::unique_ptr<GpsLog> CGPSLogProvider::MakeLog()
{
    return std::make_unique<KGPSData>(m_profile, m_receiver);
}
