#include "shell/dialogs/AboutDlg.h"

#include "model/StringTable.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle("About Delvora");
    auto* layout = new QVBoxLayout(this);
    auto* name = new QLabel(QString::fromLatin1(MessageText(128)), this);
    name->setObjectName("name");
    auto* build = new QLabel(QStringLiteral("Build %1 %2").arg(__DATE__, __TIME__), this);
    build->setObjectName("build");
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(name);
    layout->addWidget(build);
    layout->addWidget(buttons);
}
