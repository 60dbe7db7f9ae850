// The operator's messages as modal message boxes with the program's title as caption.
#pragma once

#include "model/Prompter.h"

#include <QString>

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
    void errorText(const std::string& text) override;
    void ownerlessError(const std::string& caption, const std::string& text) override;

private:
    static QWidget* Parent();
    // A box with an OK button and a QMessageBox icon; on the error stream while quiet.
    void Show(int id, int icon) const;
    void ShowText(const QString& caption, const char* text, int icon, QWidget* parent) const;
    bool m_quiet = false;
};
