#include "shell/dialogs/WheelDlg.h"

#include "model/MeasParamSet.h"
#include "model/Prompter.h"
#include "shell/MainFrame.h"
#include "shell/RavikApp.h"
#include "shell/dialogs/DataExchange.h"
#include "shell/dialogs/NewWheel.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int kAskDelete = 57608;  // "Do you really want to delete this item?"

}  // namespace

CWheelDlg::CWheelDlg(CRavikApp& app, QWidget* parent) : QDialog(parent), m_app(app)
{
    setWindowTitle("Wheel Calibration List");
    m_list = new QListWidget(this);
    m_list->setObjectName("c1009");
    m_new = new QPushButton("&New", this);
    m_new->setObjectName("c1005");
    auto* remove = new QPushButton("&Delete", this);
    remove->setObjectName("c1007");
    auto* close = new QPushButton("&Close", this);
    close->setObjectName("c1");
    // Kept as the list always had it: a Cancel that is never shown.
    auto* cancel = new QPushButton("&Cancel", this);
    cancel->setObjectName("c2");
    cancel->setEnabled(false);
    cancel->hide();
    connect(m_new, &QPushButton::clicked, this, &CWheelDlg::OnNew);
    connect(remove, &QPushButton::clicked, this, &CWheelDlg::OnDelete);
    connect(close, &QPushButton::clicked, this, &CWheelDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &CWheelDlg::reject);

    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {m_new, remove, close, cancel}) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    close->setDefault(true);
    buttons->addStretch();
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(m_list);
    layout->addLayout(buttons);
    Fill();
    UpdateNewButton();
}

QString CWheelDlg::EntryText(const CWheel& wheel)
{
    if (wheel.m_strName.empty())
        return {};
    return dx::ShownText(wheel.m_strName) +
           QString::asprintf(" (%c %.2f)", wheel.m_nDirection < 1 ? '-' : '+', wheel.m_dCalibration);
}

void CWheelDlg::Fill()
{
    m_list->clear();
    for (const auto& wheel : m_app.m_params.m_wheels)
        m_list->addItem(EntryText(*wheel));
}

void CWheelDlg::UpdateNewButton()
{
    // Counting resets the unit's wheel counter: never while it measures.
    m_new->setEnabled(CNewWheel::CanCount(m_app) &&
                      m_app.m_params.GetWheelCount() < kMaxWheelCalibrations);
}

void CWheelDlg::OnNew()
{
    UpdateNewButton();
    if (!m_new->isEnabled())
        return;
    const int n = m_app.m_params.GetWheelCount();
    CNewWheel dlg(m_app, this);
    if (dlg.exec() == QDialog::Accepted) {
        const CWheel wheel = dlg.Result();
        m_app.m_params.AddWheel(wheel);
        m_list->addItem(EntryText(wheel));
        m_list->setCurrentRow(n);
    }
    UpdateNewButton();
}

void CWheelDlg::OnDelete()
{
    if (!m_app.GetPrompter().askYesNo(kAskDelete))
        return;
    const int selected = m_list->currentRow();
    if (selected < 0 || !m_list->currentItem() || !m_list->currentItem()->isSelected())
        return;
    m_app.m_params.DeleteWheel(selected);
    Fill();
    const int count = m_list->count();
    if (count > 0)
        m_list->setCurrentRow(selected < count ? selected : selected - 1);
    UpdateNewButton();
}

bool RunWheelList(CRavikApp& app)
{
    CWheelDlg dlg(app, app.MainWindow());
    return dlg.exec() == QDialog::Accepted;
}
