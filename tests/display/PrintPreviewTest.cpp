// The print preview as it opens on the smallest screen the program is used on: every button
// of its toolbar in reach, none behind the toolbar's extension button.

#include "display/RavikView.h"
#include "tests/display/RadargramFakeSource.h"
#include "tests/support/TempDir.h"

#include <QAction>
#include <QApplication>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QScreen>
#include <QTimer>
#include <QToolBar>

#include <gtest/gtest.h>

TEST(PrintPreview, EveryToolbarButtonShowsOnAScreenOf1024By768)
{
    ASSERT_EQ(QGuiApplication::primaryScreen()->size(), QSize(1024, 768));
    FakeRadargramSource src;
    src.count = 100;
    CRavikView view(src);
    view.resize(800, 600);
    TempDir dir;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(dir.path() + "/preview.pdf"));

    bool inspected = false;
    QTimer::singleShot(0, [&] {
        QApplication::processEvents();
        QPrintPreviewDialog* dialog = view.findChild<QPrintPreviewDialog*>();
        if (dialog) {
            inspected = true;
            EXPECT_TRUE(QGuiApplication::primaryScreen()->availableGeometry().contains(dialog->frameGeometry()));
            QToolBar* bar = dialog->findChild<QToolBar*>();
            ASSERT_NE(bar, nullptr);
            const QWidget* extension = bar->findChild<QWidget*>("qt_toolbar_ext_button");
            EXPECT_TRUE(extension == nullptr || !extension->isVisible());
            for (QAction* action : bar->actions()) {
                if (action->isSeparator())
                    continue;
                const QWidget* button = bar->widgetForAction(action);
                EXPECT_TRUE(button && button->isVisible()) << action->text().toStdString();
            }
        }
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* d = qobject_cast<QDialog*>(w); d && d->isVisible())
                d->reject();
    });
    view.OnFilePrintPreview(printer);
    EXPECT_TRUE(inspected);
}
