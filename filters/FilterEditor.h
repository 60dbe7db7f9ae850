// The filter editor that FilterListEdit opens: the Qt program installs its "Filter Manager"
// dialog, tests install scripted editors. Runs on the user-interface thread.
#pragma once

class FilterEditorModel;

class FilterEditor {
public:
    virtual ~FilterEditor() = default;
    // Lets the user change model.list(); true when the user confirmed the changes.
    virtual bool run(FilterEditorModel& model) = 0;
};
