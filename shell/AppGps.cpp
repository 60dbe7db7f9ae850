#include "shell/AppGps.h"

#include "shell/AppEvents.h"

CAppGps::CAppGps(const Profile& profile, Prompter& prompter)
    : m_receiver(profile, prompter), m_logs(profile, m_receiver)
{
    m_receiver.SetUpdatePoster([] { PostAppEvent(appevent::kGpsUpdate); });
    m_receiver.SetThreadErrorPoster([](const std::string& text) { PostAppMessage(text); });
}
