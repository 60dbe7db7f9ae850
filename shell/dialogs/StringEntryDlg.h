// A one-line text entry whose title and prompt the caller sets: the name of a new antenna
// preset. At most 20 characters; OK stays disabled while the text is blank.
#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;
class QPushButton;

class CStringEntryDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kMaxChars = 20;

    explicit CStringEntryDlg(QWidget* parent = nullptr);

    // Set before the dialog shows.
    void SetTitle(const QString& title);
    void SetPrompt(const QString& prompt);
    void SetText(const QString& text);
    // The entered text (valid after OK).
    QString Text() const { return m_strText; }

    void accept() override;

private:
    void UpdateOk();

    QString m_strText;
    QLineEdit* m_edit = nullptr;
    QLabel* m_prompt = nullptr;
    QPushButton* m_ok = nullptr;
};
