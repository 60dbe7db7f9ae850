// The program's GPS receiver as the application object holds it: the serial receiver, the
// maker of the data set's GPS logs over it, and the receiver thread's notifications turned
// into posted events (a new fix; a failure the operator is to be told of).
#pragma once

#include "gps/GPSLogProvider.h"
#include "gps/GPSReceiver.h"
#include "shell/GpsControl.h"

class CAppGps : public GpsControl {
public:
    CAppGps(const Profile& profile, Prompter& prompter);

    Values GetGpsValues() const override { return m_receiver.GetGpsValues(); }
    void SetGpsValues(const Values& values) override { m_receiver.SetGpsValues(values); }
    void Enable(bool on) override { m_receiver.Enable(on); }
    bool IsOpen() const override { return m_receiver.IsOpen(); }
    void StopRunning() override { m_receiver.StopRunning(); }
    void Close() override { m_receiver.Close(); }
    GpsLogProvider* LogProvider() override { return &m_logs; }
    CGPSFix CopyFix() const override { return m_receiver.CopyPublishedFix(); }

    CGPSReceiver& Receiver() { return m_receiver; }

private:
    CGPSReceiver m_receiver;
    CGPSLogProvider m_logs;
};
