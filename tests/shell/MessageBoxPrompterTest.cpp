// The operator's message boxes: the icon each kind of message carries, and the standard
// error stream in their place once the program is being ended.

#include "model/StringTable.h"
#include "shell/MessageBoxPrompter.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace {

struct ShownBox {
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString text;
    QString title;
};

// Shows what `show` shows and notes the box that was open, then closes it.
ShownBox Shown(const std::function<void()>& show)
{
    ShownBox seen;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            seen = {box->icon(), box->text(), box->windowTitle()};
            box->done(QMessageBox::Ok);
        }
    });
    poll.start(10);
    show();
    return seen;
}

} // namespace

TEST(MessageBoxPrompter, ErrorsCarryTheErrorIconAndMessagesTheWarningIcon)
{
    MessageBoxPrompter prompter;
    struct Case {
        const char* what;
        std::function<void()> show;
        QMessageBox::Icon icon;
    };
    const Case cases[] = {
        {"error", [&] { prompter.errorMessage(57654); }, QMessageBox::Critical},
        {"message", [&] { prompter.message(57654); }, QMessageBox::Warning},
    };
    for (const Case& c : cases) {
        const ShownBox box = Shown(c.show);
        EXPECT_EQ(box.icon, c.icon) << c.what;
        EXPECT_EQ(box.text.toStdString(), MessageText(57654)) << c.what;
        EXPECT_EQ(box.title.toStdString(), MessageText(IDS_APP_TITLE)) << c.what;
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
