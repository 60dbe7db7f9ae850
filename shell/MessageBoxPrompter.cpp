#include "shell/MessageBoxPrompter.h"

#include "model/StringTable.h"

#include <QApplication>
#include <QMessageBox>
#include <QString>

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

void MessageBoxPrompter::Show(int id, int icon)
{
    if (m_quiet) {
        std::fprintf(stderr, "delvora: message %d: %s\n", id, MessageText(id));
        return;
    }
    QMessageBox box(static_cast<QMessageBox::Icon>(icon), Caption(), Text(MessageText(id)), QMessageBox::Ok, Parent());
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
    return QMessageBox::question(Parent(), Caption(), Text(MessageText(id)),
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes)
        == QMessageBox::Yes;
}

void MessageBoxPrompter::messageText(const std::string& text)
{
    if (m_quiet) {
        std::fprintf(stderr, "delvora: message: %s\n", text.c_str());
        return;
    }
    QMessageBox::warning(Parent(), Caption(), Text(text.c_str()));
}
