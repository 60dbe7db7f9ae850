#include "shell/dialogs/UnitDlg.h"

#include "model/Prompter.h"
#include "shell/MainFrame.h"
#include "shell/RavikApp.h"
#include "shell/dialogs/DataExchange.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr const char* kUnitLetters[] = {"M", "F", "I"};

QGroupBox* PushRadios(QWidget* parent, const char* title, QButtonGroup* group,
                      std::initializer_list<std::pair<const char*, int>> buttons)
{
    auto* box = new QGroupBox(title, parent);
    auto* layout = new QHBoxLayout(box);
    int index = 0;
    for (const auto& [text, id] : buttons) {
        auto* button = new QPushButton(text, box);
        button->setObjectName(QString("c%1").arg(id));
        button->setCheckable(true);
        button->setAutoDefault(false);
        group->addButton(button, index++);
        layout->addWidget(button);
    }
    return box;
}

}  // namespace

CUnitDlg::CUnitDlg(CRavikApp& app, QWidget* parent) : QDialog(parent), m_app(app)
{
    setWindowTitle("Options");
    m_units = new QButtonGroup(this);
    m_scales = new QButtonGroup(this);
    auto* units = PushRadios(this, "Distance units", m_units, {{"&Meters", 1041}, {"&Feet", 1081}, {"&Inches", 1045}});
    auto* scales = PushRadios(this, "Vertical scale", m_scales, {{"&Time", 1043}, {"&Depth", 1082}});
    connect(m_units, &QButtonGroup::idClicked, this, &CUnitDlg::OnUnitRadio);

    m_firstArrival = new QLineEdit(this);
    m_firstArrival->setObjectName("c1033");
    m_velocity = new QLineEdit(this);
    m_velocity->setObjectName("c1060");
    m_velocityUnit = new QLabel("m/\xC2\xB5s", this);
    m_velocityUnit->setObjectName("c1147");
    auto* values = new QGridLayout;
    values->addWidget(new QLabel("First arrival", this), 0, 0);
    values->addWidget(m_firstArrival, 0, 1);
    values->addWidget(new QLabel("samples", this), 0, 2);
    values->addWidget(new QLabel("Ground Velocity", this), 1, 0);
    values->addWidget(m_velocity, 1, 1);
    values->addWidget(m_velocityUnit, 1, 2);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName("c1");
    buttons->button(QDialogButtonBox::Cancel)->setObjectName("c2");
    connect(buttons, &QDialogButtonBox::accepted, this, &CUnitDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CUnitDlg::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(units);
    layout->addWidget(scales);
    layout->addLayout(values);
    layout->addWidget(buttons);
    initDialog();
}

int CUnitDlg::CurrentChannel() const
{
    const int k = m_app.m_params.m_nCurSlot * 2 + m_app.m_params.m_nCurChannel;
    return std::clamp(k, 0, CMeasParamSet::kChannels - 1);
}

void CUnitDlg::initDialog()
{
    const CMeasParamSet& params = m_app.m_params;
    const float factor = params.GetUnitFactor();
    m_nFirstArrival = params.m_params[CurrentChannel()].m_nTimeZero;
    m_nScale = m_app.m_settings.m_nScale != 0 ? 0 : 1;
    m_fVelocity = m_app.m_settings.m_fVelocity / factor;
    const char first = params.m_strUnits.empty() ? '\0' : params.m_strUnits[0];
    m_nUnit = first == 'M' ? 0 : first == 'F' ? 1 : first == 'I' ? 2 : -1;
    std::string unit;
    params.GetUnitName(unit);
    m_velocityUnit->setText(dx::ShownText(unit) + "/us");
    loadControls();
}

void CUnitDlg::Check(QButtonGroup* group, int id)
{
    // An exclusive group cannot be left with nothing checked unless asked to.
    const QSignalBlocker block(group);
    group->setExclusive(false);
    for (QAbstractButton* b : group->buttons())
        b->setChecked(group->id(b) == id);
    group->setExclusive(true);
}

void CUnitDlg::loadControls()
{
    Check(m_units, m_nUnit);
    Check(m_scales, m_nScale);
    const QSignalBlocker blockFirst(m_firstArrival);
    const QSignalBlocker blockVelocity(m_velocity);
    m_firstArrival->setText(dx::FormatInt(m_nFirstArrival));
    m_velocity->setText(dx::FormatFloat(m_fVelocity));
}

bool CUnitDlg::readControls()
{
    Prompter& prompter = m_app.GetPrompter();
    int firstArrival = 0;
    if (!dx::ReadInt(m_firstArrival, prompter, firstArrival) ||
        !dx::CheckIntRange(m_firstArrival, prompter, firstArrival, 0, kMaxFirstArrival))
        return false;
    float velocity = 0;
    if (!dx::ReadFloat(m_velocity, prompter, velocity))
        return false;
    // A velocity of 0 or less would make every depth scale 0 or negative; the bound is
    // checked as the operator reads it, in the distance unit.
    const double max = QString::asprintf("%.7g", kMaxVelocity / m_app.m_params.GetUnitFactor()).toDouble();
    if (!(velocity > 0 && velocity <= static_cast<float>(max)))
        return dx::Refuse(m_velocity, prompter, dx::RangeText(0, max, 7));
    m_nFirstArrival = firstArrival;
    m_fVelocity = velocity;
    m_nUnit = m_units->checkedId();
    m_nScale = m_scales->checkedId();
    return true;
}

void CUnitDlg::OnUnitRadio(int unit)
{
    if (unit < 0 || unit > 2)
        return;
    // The unit changes at once; what was typed and not confirmed gives way to the stored
    // values, now shown in the new unit.
    m_app.m_params.m_strUnits = kUnitLetters[unit];
    initDialog();
}

void CUnitDlg::accept()
{
    if (!readControls())
        return;
    CMeasParamSet& params = m_app.m_params;
    const float factor = params.GetUnitFactor();
    params.m_params[CurrentChannel()].m_nTimeZero = static_cast<std::int16_t>(m_nFirstArrival);
    m_app.m_settings.m_nScale = m_nScale == 0 ? 1 : 0;
    m_app.m_settings.m_fVelocity = m_fVelocity * factor;
    if (m_nUnit >= 0 && m_nUnit <= 2)
        params.m_strUnits = kUnitLetters[m_nUnit];
    QDialog::accept();
}

bool RunUnitDialog(CRavikApp& app)
{
    CUnitDlg dlg(app, app.MainWindow());
    return dlg.exec() == QDialog::Accepted;
}
