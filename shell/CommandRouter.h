// Where a command of a menu, key or toolbar button goes. Each window that handles commands
// registers them here by id, at its level; a command goes to the first level that has it, in
// the order view -> document -> child frame -> main frame -> application. Registrations of
// the view, document and child-frame levels belong to an owner (the view widget, the
// AppDocument, the child frame) and count only while that owner is the active one (the view
// of the active child window, its document, the window itself); main-frame
// and application registrations always count.
//
// The main window owns the router (CMainFrame::Router()). A document registers its commands
// once it exists, for example:
//   router.Register(CommandRouter::Level::Document, this, cmd::kTraceWindow,
//                   {[this] { OnTraceWindow(); }, [this] { return !IsOldFile(); },
//                    [this] { return m_bTraceWindow; }});
// and takes them back with Unregister(this) before it goes. A command that no level has is
// disabled; its key still does nothing else.
#pragma once

#include <functional>
#include <string>
#include <vector>

class CommandRouter {
public:
    enum class Level { View, Document, ChildFrame, MainFrame, App };

    struct Handler {
        std::function<void()> run;             // the command itself
        std::function<bool()> enabled;         // unset: always enabled
        std::function<bool()> checked;         // unset: never checked
        std::function<std::string()> text;     // status-bar panes: the text the pane shows
    };

    // Which owner is the active one at each owned level (null: none).
    struct Active {
        std::function<const void*()> view;
        std::function<const void*()> document;
        std::function<const void*()> childFrame;
    };

    void SetActive(Active active) { m_active = std::move(active); }

    // A later registration of the same id, level and owner replaces the earlier one.
    void Register(Level level, const void* owner, int id, Handler handler);
    // Drops every registration of `owner` (a view, document or child frame that goes).
    void Unregister(const void* owner);

    // The handler that command `id` reaches now, or null.
    const Handler* Find(int id) const;
    bool IsHandled(int id) const { return Find(id) != nullptr; }
    bool IsEnabled(int id) const;
    bool IsChecked(int id) const;
    // The text of a status pane, or "" when nothing answers for it.
    std::string Text(int id) const;
    // Runs `id` when a level has it and it is enabled; false otherwise.
    bool Dispatch(int id) const;

private:
    struct Entry {
        Level level;
        const void* owner;
        int id;
        Handler handler;
    };
    const void* ActiveOwner(Level level) const;

    Active m_active;
    std::vector<Entry> m_entries;
};
