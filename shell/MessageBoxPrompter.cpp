#include "shell/MessageBoxPrompter.h"

#include "model/StringTable.h"

#include <QApplication>
#include <QMessageBox>

#include <cstdio>

namespace {

QString Caption()
{
    return QString::fromLatin1(MessageText(IDS_APP_TITLE));
}

// Texts are the program's own 8-bit strings.
QString Text(const char* text)
{
    return QString::fromLatin1(text);
}

} // namespace

QWidget* MessageBoxPrompter::Parent()
{
    // Over the window the operator works in; before the main window exists, on its own.
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    return QApplication::activeWindow();
}

void MessageBoxPrompter::Show(int id, int icon) const
{
    if (m_quiet)
        std::fprintf(stderr, "delvora: message %d: %s\n", id, MessageText(id));
    else
        ShowText(Caption(), MessageText(id), icon, Parent());
}

void MessageBoxPrompter::ShowText(const QString& caption, const char* text, int icon, QWidget* parent) const
{
    if (m_quiet) {
        std::fprintf(stderr, "delvora: message: %s\n", text);
        return;
    }
    QMessageBox box(static_cast<QMessageBox::Icon>(icon), caption, Text(text), QMessageBox::Ok, parent);
    box.exec();
}

void MessageBoxPrompter::message(int id)
{
    Show(id, QMessageBox::Warning);
}

void MessageBoxPrompter::errorMessage(int id)
{
    Show(id, QMessageBox::Critical);
}

bool MessageBoxPrompter::askYesNo(int id)
{
    if (m_quiet) {
        std::fprintf(stderr, "delvora: question %d answered No: %s\n", id, MessageText(id));
        return false;
    }
    QMessageBox box(QMessageBox::Warning, Caption(), Text(MessageText(id)), QMessageBox::Yes | QMessageBox::No,
                    Parent());
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

void MessageBoxPrompter::messageText(const std::string& text)
{
    ShowText(Caption(), text.c_str(), QMessageBox::Warning, Parent());
}

void MessageBoxPrompter::errorText(const std::string& text)
{
    ShowText(Caption(), text.c_str(), QMessageBox::Critical, Parent());
}

void MessageBoxPrompter::ownerlessError(const std::string& caption, const std::string& text)
{
    ShowText(Text(caption.c_str()), text.c_str(), QMessageBox::Critical, nullptr);
}
