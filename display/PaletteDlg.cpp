#include "display/PaletteDlg.h"

#include "display/ColorPalette.h"
#include "display/BgrColour.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

namespace {

const char* const kPalFilter = "Palette (*.pal);;All files (*.*)";

std::string ChoosePalFile(QWidget* parent, bool save)
{
    QFileDialog dialog(parent);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilter(kPalFilter);
    dialog.setDefaultSuffix("pal");
    if (save)
        dialog.selectFile("Palette");
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().front().toStdString();
}

CPaletteDlg::Choosers WithPlatformDefaults(CPaletteDlg::Choosers c)
{
    if (!c.colour)
        c.colour = [](const QColor& initial, QWidget* parent, QColor& chosen) {
            const QColor picked = QColorDialog::getColor(initial, parent);
            if (!picked.isValid())
                return false;
            chosen = picked;
            return true;
        };
    if (!c.openFile)
        c.openFile = [](QWidget* parent) { return ChoosePalFile(parent, false); };
    if (!c.saveFile)
        c.saveFile = [](QWidget* parent) { return ChoosePalFile(parent, true); };
    if (!c.warn)
        c.warn = [](QWidget* parent, const QString& text) { QMessageBox::warning(parent, "Palette Manager", text); };
    return c;
}

} // namespace

CPaletteDlg::CPaletteDlg(CRadarPalette& working, QWidget* parent, Choosers choosers)
    : QDialog(parent), m_working(working), m_choosers(WithPlatformDefaults(std::move(choosers)))
{
    setWindowTitle("Palette Manager");
    setFixedSize(250, 460);
    m_palette = new CColorPalette(this);
    m_palette->Create(QRect(QPoint(10, 10), QPoint(109, 449)), 102);
    connect(m_palette, &CColorPalette::colourRequested, this, &CPaletteDlg::OnEditNodeColor);

    struct Button {
        int id;
        const char* text;
        void (CPaletteDlg::*handler)();
    };
    const Button buttons[] = {
        {1, "OK", nullptr},
        {2, "Cancel", nullptr},
        {1167, "Save Palette", &CPaletteDlg::OnSavePalette},
        {1166, "Load Palette", &CPaletteDlg::OnLoadPalette},
        {1084, "Interpolate", &CPaletteDlg::OnInterpolate},
        {1157, "Default", &CPaletteDlg::OnDefault},
        {1160, "Add node", &CPaletteDlg::OnAddNode},
    };
    int y = 10;
    for (const Button& b : buttons) {
        auto* button = new QPushButton(b.text, this);
        button->setObjectName(QString("c%1").arg(b.id));
        button->setGeometry(140, y, 100, 26);
        button->setAutoDefault(false);
        y += b.id == 2 ? 60 : 34;
        if (b.id == 1) {
            button->setDefault(true);
            connect(button, &QPushButton::clicked, this, &CPaletteDlg::accept);
        } else if (b.id == 2) {
            connect(button, &QPushButton::clicked, this, &CPaletteDlg::reject);
        } else {
            connect(button, &QPushButton::clicked, this, b.handler);
        }
    }
    OnInitDialog();
}

void CPaletteDlg::OnInitDialog()
{
    m_palette->labelBase = pal::LabelBase(m_working.m_nGain);
    for (std::size_t i = 0; i < m_palette->cellColours.size(); ++i)
        m_palette->cellColours[i] = SwapRedBlue(m_working.m_Colours[i]);
}

void CPaletteDlg::OnEditNodeColor()
{
    QColor chosen;
    if (!m_choosers.colour(ColorFromBgr(m_palette->GetSelectedColor()), this, chosen))
        return;
    m_palette->SetSelectedColor(BgrFromColor(chosen));
    m_palette->ToggleMark();
}

void CPaletteDlg::OnInterpolate()
{
    if (m_palette->FindFirstMark() >= CColorPalette::kCells)
        return;
    m_palette->Interpolate();
    update();
    m_palette->update();
}

void CPaletteDlg::OnDefault()
{
    m_palette->cellColours = CRadarPalette::GreyRamp();
    update();
    m_palette->update();
}

void CPaletteDlg::OnAddNode()
{
    m_palette->ToggleMark();
}

void CPaletteDlg::OnLoadPalette()
{
    const std::string path = m_choosers.openFile(this);
    if (path.empty())
        return;
    if (!m_palette->LoadFile(path)) {
        m_choosers.warn(this, kPalReadFailText);
        return;
    }
    update();
    m_palette->update();
}

void CPaletteDlg::OnSavePalette()
{
    const std::string path = m_choosers.saveFile(this);
    if (!path.empty() && !m_palette->SaveFile(path))
        m_choosers.warn(this, kPalWriteFailText);
}

void CPaletteDlg::accept()
{
    for (std::size_t i = 0; i < m_palette->cellColours.size(); ++i)
        m_working.m_Colours[i] = SwapRedBlue(m_palette->cellColours[i]);
    QDialog::accept();
}
