// The operator's messages as modal message boxes with the program's title as caption.
#pragma once

#include "model/Prompter.h"

class QWidget;

class MessageBoxPrompter : public Prompter {
public:
    // Once the program is being ended from outside, no box may wait for an answer: the
    // messages go to the standard error stream and questions are answered No.
    void SetQuiet(bool quiet) { m_quiet = quiet; }

    void message(int id) override;
    void errorMessage(int id) override;
    bool askYesNo(int id) override;
    void messageText(const std::string& text) override;

private:
    static QWidget* Parent();
    // A box with the string-table text `id` and a QMessageBox icon.
    void Show(int id, int icon);
    bool m_quiet = false;
};
