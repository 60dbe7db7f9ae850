#include "shell/CommandRouter.h"

#include <algorithm>

void CommandRouter::Register(Level level, const void* owner, int id, Handler handler)
{
    for (Entry& e : m_entries) {
        if (e.level == level && e.owner == owner && e.id == id) {
            e.handler = std::move(handler);
            return;
        }
    }
    m_entries.push_back({level, owner, id, std::move(handler)});
}

void CommandRouter::Unregister(const void* owner)
{
    std::erase_if(m_entries, [owner](const Entry& e) { return e.owner == owner; });
}

const void* CommandRouter::ActiveOwner(Level level) const
{
    const auto ask = [](const std::function<const void*()>& f) { return f ? f() : nullptr; };
    switch (level) {
    case Level::View: return ask(m_active.view);
    case Level::Document: return ask(m_active.document);
    case Level::ChildFrame: return ask(m_active.childFrame);
    default: return nullptr;
    }
}

const CommandRouter::Handler* CommandRouter::Find(int id) const
{
    for (Level level : {Level::View, Level::Document, Level::ChildFrame, Level::MainFrame, Level::App}) {
        const bool owned = level == Level::View || level == Level::Document || level == Level::ChildFrame;
        const void* active = owned ? ActiveOwner(level) : nullptr;
        if (owned && !active)
            continue;
        for (const Entry& e : m_entries)
            if (e.id == id && e.level == level && (!owned || e.owner == active))
                return &e.handler;
    }
    return nullptr;
}

bool CommandRouter::IsEnabled(int id) const
{
    const Handler* h = Find(id);
    return h && h->run && (!h->enabled || h->enabled());
}

bool CommandRouter::IsChecked(int id) const
{
    const Handler* h = Find(id);
    return h && h->checked && h->checked();
}

std::string CommandRouter::Text(int id) const
{
    const Handler* h = Find(id);
    return h && h->text ? h->text() : std::string();
}

bool CommandRouter::Dispatch(int id) const
{
    const Handler* h = Find(id);
    if (!h || !h->run || (h->enabled && !h->enabled()))
        return false;
    // Copied first: the command may unregister its own handler (a document that closes).
    const std::function<void()> run = h->run;
    run();
    return true;
}
