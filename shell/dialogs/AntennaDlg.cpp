#include "shell/dialogs/AntennaDlg.h"

#include "model/MeasParamSet.h"
#include "model/Prompter.h"
#include "shell/MainFrame.h"
#include "shell/RavikApp.h"
#include "shell/dialogs/DataExchange.h"

#include <QGridLayout>
#include <QListWidget>
#include <QPushButton>

namespace {

constexpr int kAskDelete = 57608;  // "Do you really want to delete this item?"

} // namespace

CAntennaDlg::CAntennaDlg(CMeasParamSet& params, Prompter& prompter, QWidget* parent)
    : QDialog(parent), m_params(params), m_prompter(prompter)
{
    setWindowTitle("Antenna preset list");
    auto* layout = new QGridLayout(this);
    m_list = new QListWidget(this);
    m_list->setObjectName("c1008");
    m_list->setSortingEnabled(false);
    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("c1");
    ok->setDefault(true);
    auto* remove = new QPushButton("&Remove preset", this);
    remove->setObjectName("c1151");
    auto* cancel = new QPushButton("&Cancel", this);
    cancel->setObjectName("c2");
    // Part of the list's layout on other systems; it has no function here.
    auto* add = new QPushButton("&Add", this);
    add->setObjectName("c1150");
    add->setEnabled(false);
    add->setVisible(false);
    layout->addWidget(m_list, 0, 0, 4, 1);
    layout->addWidget(ok, 0, 1);
    layout->addWidget(cancel, 1, 1);
    layout->addWidget(remove, 2, 1);
    layout->setRowStretch(3, 1);
    connect(ok, &QPushButton::clicked, this, &CAntennaDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(remove, &QPushButton::clicked, this, &CAntennaDlg::OnRemovePreset);
    FillList();
    m_list->setCurrentRow(0);
}

void CAntennaDlg::FillList()
{
    m_list->clear();
    for (const auto& preset : m_params.m_presets)
        m_list->addItem(dx::ShownText(preset->m_strName));
}

void CAntennaDlg::OnRemovePreset()
{
    const int sel = m_list->currentRow();
    if (sel >= 0 && m_prompter.askYesNo(kAskDelete))
        m_params.DeletePreset(sel);
    FillList();
    m_list->setCurrentRow(sel < m_list->count() ? sel : sel - 1);
}

void CAntennaDlg::accept()
{
    m_nSelected = m_list->currentRow();
    if (m_nSelected < 0 || m_nSelected >= m_params.GetPresetCount()) {
        m_nSelected = -1;
        reject();
        return;
    }
    QDialog::accept();
}

bool RunAntennaList(CRavikApp& app)
{
    CAntennaDlg dlg(app.m_params, app.GetPrompter(), app.MainWindow());
    return dlg.exec() == QDialog::Accepted;
}
