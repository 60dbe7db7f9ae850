#include "shell/FileChooser.h"

#include <QDir>
#include <QFileDialog>

std::string ChooseDataFileToOpen(QWidget* parent)
{
    // The program's current directory is the data folder (start-up, Measurement Settings);
    // without a folder given, the dialog would start where the last file dialog ended.
    QFileDialog dlg(parent, QString(), QDir::currentPath());
    dlg.setOption(QFileDialog::DontUseNativeDialog);
    dlg.setAcceptMode(QFileDialog::AcceptOpen);
    dlg.setFileMode(QFileDialog::ExistingFile);
    dlg.setNameFilters({"Data Files (*.rd3)", "All Files (*)"});
    dlg.setDefaultSuffix("rd3");
    dlg.selectFile("*.rd3");
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return {};
    return dlg.selectedFiles().first().toStdString();
}
