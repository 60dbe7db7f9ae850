#include "shell/dialogs/MarkDlg.h"

#include "model/Profile.h"
#include "model/StringTable.h"
#include "shell/MainFrame.h"
#include "shell/RavikApp.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace {

constexpr int kFirstKeyBox = 1061;
constexpr int kFirstComment = 1070;
constexpr int kNinthComment = 1079;  // 1078 is not used

int CommentId(int n)
{
    return n == CMarkerSettings::kMarkers ? kNinthComment : kFirstComment + n - 1;
}

bool AskPlatformColour(const QColor& initial, QWidget* parent, QColor& chosen)
{
    const QColor c = QColorDialog::getColor(initial, parent);
    if (!c.isValid())
        return false;
    chosen = c;
    return true;
}

} // namespace

CMarkDlg::CMarkDlg(CMarkerSettings& settings, Profile& profile, QWidget* parent, ColourChooser chooser)
    : QDialog(parent), m_settings(settings), m_profile(profile),
      m_chooser(chooser ? std::move(chooser) : ColourChooser(AskPlatformColour))
{
    setWindowTitle(QString::fromLatin1(MessageText(302)));
    auto* group = new QGroupBox("Markers", this);
    auto* grid = new QGridLayout(group);
    grid->addWidget(new QLabel("Keys", group), 0, 0);
    grid->addWidget(new QLabel("Color", group), 0, 1);
    grid->addWidget(new QLabel("Comment", group), 0, 2);
    // The swatches are painted by the dialog in the column right of the check boxes.
    grid->setColumnMinimumWidth(1, 44);

    QFont courier("Courier New");
    courier.setPixelSize(14);
    // A "|" separates the comments in the profile: it cannot be typed into one.
    const QRegularExpression noBar("[^|]*");
    for (int n = 1; n <= CMarkerSettings::kMarkers; ++n) {
        auto* key = new QCheckBox(QString("Key %1").arg(n), group);
        key->setObjectName(QString("c%1").arg(kFirstKeyBox + n - 1));
        key->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        auto* comment = new QLineEdit(group);
        comment->setObjectName(QString("c%1").arg(CommentId(n)));
        comment->setMaxLength(static_cast<int>(CMarkerSettings::kCommentLength));
        comment->setValidator(new QRegularExpressionValidator(noBar, comment));
        comment->setFont(courier);
        grid->addWidget(key, n, 0);
        grid->addWidget(comment, n, 2);
        m_keys[static_cast<std::size_t>(n - 1)] = key;
        m_comments[static_cast<std::size_t>(n - 1)] = comment;
    }

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton("OK", QDialogButtonBox::AcceptRole);
    ok->setObjectName("c1");
    ok->setDefault(true);
    QPushButton* cancel = buttons->addButton("Cancel", QDialogButtonBox::RejectRole);
    cancel->setObjectName("c2");
    connect(buttons, &QDialogButtonBox::accepted, this, &CMarkDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CMarkDlg::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(buttons);
    OnInitDialog();
}

void CMarkDlg::OnInitDialog()
{
    for (int n = 1; n <= CMarkerSettings::kMarkers; ++n) {
        KeyBox(n)->setChecked(m_settings.IsActive(n));
        CommentEdit(n)->setText(QString::fromStdString(m_settings.m_strText[static_cast<std::size_t>(n - 1)]));
    }
}

void CMarkDlg::OnOK()
{
    for (int n = 1; n <= CMarkerSettings::kMarkers; ++n) {
        m_settings.SetActive(n, KeyBox(n)->isChecked());
        m_settings.m_strText[static_cast<std::size_t>(n - 1)] =
            CMarkerSettings::CutComment(CommentEdit(n)->text().toStdString());
    }
    m_settings.Save(m_profile);
}

void CMarkDlg::accept()
{
    OnOK();
    QDialog::accept();
}

QRect CMarkDlg::SwatchRect(int n) const
{
    const QCheckBox* key = KeyBox(n);
    QRect r(key->mapTo(this, QPoint(0, 0)), key->size());
    r.translate(r.width() + 10, 0);
    r.setWidth(r.height());
    return r;
}

void CMarkDlg::paintEvent(QPaintEvent* event)
{
    QDialog::paintEvent(event);
    QPainter dc(this);
    for (int n = 1; n <= CMarkerSettings::kMarkers; ++n)
        dc.fillRect(SwatchRect(n), ColorFromBgr(m_settings.m_Colour[static_cast<std::size_t>(n - 1)]));
}

void CMarkDlg::mouseDoubleClickEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    for (int n = 1; n <= CMarkerSettings::kMarkers; ++n) {
        if (!SwatchRect(n).contains(at))
            continue;
        std::uint32_t& colour = m_settings.m_Colour[static_cast<std::size_t>(n - 1)];
        QColor chosen;
        if (m_chooser(ColorFromBgr(colour), this, chosen)) {
            colour = BgrFromColor(chosen);
            update();
        }
        break;
    }
    QDialog::mouseDoubleClickEvent(event);
}

bool RunMarkerDialog(CRavikApp& app)
{
    if (!app.m_pMarkerSettings)
        return false;
    CMarkDlg dialog(*app.m_pMarkerSettings, app.GetProfile(), app.MainWindow());
    return dialog.exec() == QDialog::Accepted;
}
