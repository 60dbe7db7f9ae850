#include "shell/FileChooser.h"

#include <QFileDialog>

std::string ChooseDataFileToOpen(QWidget* parent)
{
    QFileDialog dlg(parent);
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
