// The operator's message boxes: the caption, icon, buttons and owner each kind of message
// carries, and the standard error stream in their place once the program is being ended.

#include "model/StringTable.h"
#include "shell/MessageBoxPrompter.h"

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace {

struct ShownBox {
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString text;
    QString title;
    QMessageBox::StandardButtons buttons;
    QWidget* owner = nullptr;
};

// Shows what `show` shows and notes the box that was open, then closes it.
ShownBox Shown(const std::function<void()>& show)
{
    ShownBox seen;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            seen = {box->icon(), box->text(), box->windowTitle(), box->standardButtons(), box->parentWidget()};
            box->done(QMessageBox::Ok);
        }
    });
    poll.start(10);
    show();
    return seen;
}

} // namespace

TEST(MessageBoxPrompter, EachKindOfBoxHasItsCaptionIconButtonsAndOwner)
{
    QDialog dialog;  // the window the operator works in
    dialog.setModal(true);
    dialog.show();
    MessageBoxPrompter prompter;
    const QString title = MessageText(IDS_APP_TITLE);
    struct Case {
        const char* what;
        std::function<void()> show;
        QMessageBox::Icon icon;
        QString title, text;
        QMessageBox::StandardButtons buttons;
        QWidget* owner;
    };
    const Case cases[] = {
        {"error", [&] { prompter.errorMessage(57654); }, QMessageBox::Critical, title, MessageText(57654),
         QMessageBox::Ok, &dialog},
        {"message", [&] { prompter.message(57654); }, QMessageBox::Warning, title, MessageText(57654),
         QMessageBox::Ok, &dialog},
        {"error text", [&] { prompter.errorText("Exception"); }, QMessageBox::Critical, title, "Exception",
         QMessageBox::Ok, &dialog},
        {"ownerless error", [&] { prompter.ownerlessError("Error", "TRIGG can't return data!"); },
         QMessageBox::Critical, "Error", "TRIGG can't return data!", QMessageBox::Ok, nullptr},
        {"delete question", [&] { prompter.askYesNo(57608); }, QMessageBox::Warning, title, MessageText(57608),
         QMessageBox::Yes | QMessageBox::No, &dialog},
    };
    for (const Case& c : cases) {
        const ShownBox box = Shown(c.show);
        EXPECT_EQ(box.icon, c.icon) << c.what;
        EXPECT_EQ(box.title.toStdString(), c.title.toStdString()) << c.what;
        EXPECT_EQ(box.text.toStdString(), c.text.toStdString()) << c.what;
        EXPECT_EQ(box.buttons, c.buttons) << c.what;
        EXPECT_EQ(box.owner, c.owner) << c.what;
    }
}

TEST(MessageBoxPrompter, QuietErrorsGoToTheErrorStream)
{
    MessageBoxPrompter prompter;
    prompter.SetQuiet(true);
    testing::internal::CaptureStderr();
    prompter.errorMessage(57654);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              std::string("delvora: message 57654: ") + MessageText(57654) + "\n");
}
