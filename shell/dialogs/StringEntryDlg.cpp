#include "shell/dialogs/StringEntryDlg.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

CStringEntryDlg::CStringEntryDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle("Dialog");
    auto* layout = new QVBoxLayout(this);
    m_prompt = new QLabel(this);
    m_prompt->setObjectName("c1153");
    m_edit = new QLineEdit(this);
    m_edit->setObjectName("c1033");
    m_edit->setMaxLength(kMaxChars);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_ok = buttons->button(QDialogButtonBox::Ok);
    m_ok->setObjectName("c1");
    buttons->button(QDialogButtonBox::Cancel)->setObjectName("c2");
    layout->addWidget(m_prompt);
    layout->addWidget(m_edit);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &CStringEntryDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_edit, &QLineEdit::textChanged, this, &CStringEntryDlg::UpdateOk);
    m_edit->setFocus();
    UpdateOk();
}

void CStringEntryDlg::SetTitle(const QString& title)
{
    setWindowTitle(title);
}

void CStringEntryDlg::SetPrompt(const QString& prompt)
{
    m_prompt->setText(prompt);
}

void CStringEntryDlg::SetText(const QString& text)
{
    m_edit->setText(text);
}

void CStringEntryDlg::UpdateOk()
{
    // An empty entry would only clutter the preset list.
    m_ok->setEnabled(!m_edit->text().trimmed().isEmpty());
}

void CStringEntryDlg::accept()
{
    if (m_edit->text().trimmed().isEmpty())
        return;
    m_strText = m_edit->text();
    QDialog::accept();
}
