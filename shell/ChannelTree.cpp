#include "shell/ChannelTree.h"

#include "display/TextFit.h"
#include "link/CDriver.h"
#include "model/MeasParam.h"
#include "model/StringTable.h"
#include "shell/Pictures.h"
#include "shell/RavikApp.h"

#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>

#include <algorithm>
#include <mutex>
#include <utility>

namespace {

const char* const kChannelNames[2] = {"Internal Tx", "External Tx"};
constexpr int kModuleTypes[3] = {4, 8, 12};  // opto, coaxial, HF
constexpr int kDragOffsetY = 16;

// The texts of the unit's item.
constexpr const char* kTolam = "Tolam";
constexpr const char* kZ5K = "Z5K";
constexpr const char* kNoUnit = "No Control Unit";

QString SlotText(int slot, int type)
{
    return QStringLiteral("%1 %2 - %3")
        .arg(QString::fromLatin1(MessageText(154)), QString::fromStdString(GetSlotLetter(slot)),
             QString::fromStdString(ModuleTypeName(type)));
}

int RunMenu(QWidget* parent, const QStringList& items, bool firstEnabled, QPoint global)
{
    QMenu menu(parent);
    for (int i = 0; i < items.size(); ++i)
        menu.addAction(items[i])->setData(i + 1);
    menu.actions().first()->setEnabled(firstEnabled);
    QAction* chosen = menu.exec(global);
    return chosen ? chosen->data().toInt() : 0;
}

} // namespace

CChannelTree::CChannelTree(CRavikApp& app, std::function<bool(int)> selectChannel, QWidget* parent)
    : QTreeWidget(parent), m_app(app), m_selectChannel(std::move(selectChannel))
{
    setObjectName("c21");
    setHeaderHidden(true);
    setColumnCount(1);
    setRootIsDecorated(true);
    setIconSize(QSize(16, 16));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setDragEnabled(false);
    m_popup = [this](const QStringList& items, bool firstEnabled, QPoint global) {
        return RunMenu(this, items, firstEnabled, global);
    };
    connect(this, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current) { OnCurrentItemChanged(current); });
}

CChannelTree::~CChannelTree()
{
    if (m_dragging)
        EndDrag();
}

int CChannelTree::ModuleImage(int type)
{
    for (int i = 0; i < 3; ++i)
        if (kModuleTypes[i] == type)
            return 4 + i;
    return -1;
}

QTreeWidgetItem* CChannelTree::AddItem(QTreeWidgetItem* parent, const QString& text, int image, int code)
{
    auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(this);
    item->setText(0, text);
    // A selected item shows its own picture, not one tinted in the selection's colour.
    const QPixmap picture = pictures::TreeImage(image);
    QIcon icon(picture);
    icon.addPixmap(picture, QIcon::Selected);
    item->setIcon(0, icon);
    item->setData(0, kImageRole, image);
    item->setData(0, kCodeRole, code);
    return item;
}

void CChannelTree::Clear()
{
    // Emptying the tree moves the selection to no item: that chooses no channel.
    m_rebuilding = true;
    m_pressItem = nullptr;
    clear();
    m_rebuilding = false;
}

void CChannelTree::Rebuild()
{
    Clear();
    ControlUnit* unit = m_app.Unit();
    m_rebuilding = true;
    bool modular = true;
    if (unit) {
        std::lock_guard driver(m_app.m_locks.Driver);
        modular = unit->IsModularUnit();
    }
    if (!modular) {
        AddItem(nullptr, kZ5K, kImageUnit, -1);
        m_slotRecord[0] = 0;
        m_rebuilding = false;
        return;
    }
    QTreeWidgetItem* root = AddItem(nullptr, kTolam, kImageUnit, -1);
    for (int s = 0; s < CMeasParamSet::kSlots; ++s) {
        int type = 0;
        if (unit) {
            std::lock_guard driver(m_app.m_locks.Driver);
            type = unit->GetModuleType(s);
        }
        const bool populated = IsPopulatedType(type);
        m_slotRecord[static_cast<std::size_t>(s)] = populated ? 1 : 0;
        if (!populated)
            continue;
        QTreeWidgetItem* slot = AddItem(root, SlotText(s, type), ModuleImage(type), -1);
        for (int c = 0; c < 2; ++c) {
            const bool active = m_app.m_params.m_params[s * 2 + c].m_bActive != 0;
            AddItem(slot, kChannelNames[c], active ? kImageInUse : kImageNotInUse, s * 10 + c);
        }
    }
    expandAll();
    m_rebuilding = false;
}

void CChannelTree::RefreshIfChanged()
{
    ControlUnit* unit = m_app.Unit();
    if (!m_app.m_status.IsConnected() || !unit) {
        Clear();
        AddItem(nullptr, kNoUnit, kImageUnit, -1);
        m_slotRecord.fill(0);
        return;
    }
    bool modular;
    {
        std::lock_guard driver(m_app.m_locks.Driver);
        modular = unit->IsModularUnit();
    }
    if (!modular) {
        Rebuild();
        return;
    }
    for (int s = 0; s < CMeasParamSet::kSlots; ++s) {
        int type;
        {
            std::lock_guard driver(m_app.m_locks.Driver);
            type = unit->GetModuleType(s);
        }
        if ((IsPopulatedType(type) ? 1u : 0u) != m_slotRecord[static_cast<std::size_t>(s)]) {
            Rebuild();
            return;
        }
    }
}

int CChannelTree::WidthForEveryItem() const
{
    int width = 0;
    for (const char* unit : {kTolam, kZ5K, kNoUnit})
        width = std::max(width, TreeWidthFor(*this, QString::fromLatin1(unit), 0));
    for (int s = 0; s < CMeasParamSet::kSlots; ++s)
        for (int type : kModuleTypes)
            width = std::max(width, TreeWidthFor(*this, SlotText(s, type), 1));
    for (const char* channel : kChannelNames)
        width = std::max(width, TreeWidthFor(*this, QString::fromLatin1(channel), 2));
    return width;
}

void CChannelTree::FillIfEmpty()
{
    if (topLevelItemCount() > 0)
        return;
    // A rebuild, not a refresh: the slots recorded are those of no rebuild yet, and a unit
    // without populated slots would leave the tree as empty as it is.
    if (m_app.m_status.IsConnected() && m_app.Unit())
        Rebuild();
    else
        RefreshIfChanged();
}

int CChannelTree::ItemToCode(const QTreeWidgetItem* item)
{
    return item ? item->data(0, kCodeRole).toInt() : 0;
}

int CChannelTree::GetCodeSlot() const
{
    const int slot = m_code / 10;
    return slot >= 0 && slot <= 7 ? slot : 0;
}

int CChannelTree::GetCodeChannel() const
{
    const int channel = m_code % 10;
    return channel >= 0 && channel <= 1 ? channel : 0;
}

void CChannelTree::OnCurrentItemChanged(QTreeWidgetItem* current)
{
    // A change to no item, or one the rebuild makes, chooses nothing: code 0 would silently
    // make slot A's first channel the current one.
    if (m_rebuilding || !current)
        return;
    const int code = ItemToCode(current);
    if (code >= 0)
        m_selectChannel(code);
}

// ---- context menu -------------------------------------------------------------------------

bool CChannelTree::CanEditSettings() const
{
    return static_cast<bool>(m_app.m_runners.channelParameters);
}

QStringList CChannelTree::ContextChoices(int code) const
{
    const bool active = m_app.m_params.m_params[(code / 10) * 2 + code % 10].m_bActive != 0;
    return {"Edit Measurement Settings", active ? "Don't use this channel" : "Use this channel"};
}

void CChannelTree::ApplyChoice(int code, int choice)
{
    m_code = code;
    if (choice == 1 && CanEditSettings()) {
        EditChannelSettings();
        SetChannelUse(false);
    } else if (choice == 2) {
        SetChannelUse(true);
    }
}

void CChannelTree::EditChannelSettings()
{
    m_app.m_params.m_nCurChannel = static_cast<std::int16_t>(GetCodeChannel());
    m_app.m_params.m_nCurSlot = static_cast<std::int16_t>(GetCodeSlot());
    // The channel edited becomes the current one, also for a running acquisition's counts.
    if (CAcquisition* acquisition = m_app.Acquisition())
        acquisition->FollowSlot(GetCodeSlot());
    // Whatever the dialog's answer, the channel is put in use afterwards.
    m_app.m_runners.channelParameters(m_app, GetCodeSlot(), GetCodeChannel());
}

void CChannelTree::SetChannelUse(bool toggle)
{
    std::uint8_t& active = m_app.m_params.m_params[GetCodeSlot() * 2 + GetCodeChannel()].m_bActive;
    active = toggle ? (active ? 0 : 1) : 1;
    Rebuild();
}

QTreeWidgetItem* CChannelTree::HitItem(QPoint pos) const
{
    QTreeWidgetItem* item = itemAt(pos);
    if (!item)
        return nullptr;
    // Only the icon and the text count: not the indentation left of them, nor the empty row
    // to their right.
    const QRect rect = visualItemRect(item);
    const int contentRight = rect.left() + iconSize().width() + 8 + fontMetrics().horizontalAdvance(item->text(0));
    return pos.x() >= rect.left() && pos.x() <= contentRight ? item : nullptr;
}

void CChannelTree::OnRightButton(QPoint pos, QPoint global)
{
    QTreeWidgetItem* item = HitItem(pos);
    if (!item)
        return;
    setCurrentItem(item);
    const int code = ItemToCode(item);
    // While measuring, switching a channel or reconfiguring the unit would corrupt the run.
    if (code < 0 || m_app.m_status.IsMeasuring())
        return;
    m_code = code;
    const int choice = m_popup(ContextChoices(code), CanEditSettings(), global);
    if (choice)
        ApplyChoice(code, choice);
}

// ---- mouse: selection, drag and drop, right button ----------------------------------------

void CChannelTree::mousePressEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    if (event->button() == Qt::RightButton) {
        OnRightButton(pos, event->globalPosition().toPoint());
        return;
    }
    QTreeWidgetItem* item = event->button() == Qt::LeftButton ? itemAt(pos) : nullptr;
    if (!item || pos.x() < visualItemRect(item).left()) {
        QTreeWidget::mousePressEvent(event);  // the branch marks, empty space
        return;
    }
    // A press on an item chooses it when the button comes up without a drag in between.
    m_pressItem = item;
    m_pressPos = pos;
    setFocus(Qt::MouseFocusReason);
}

void CChannelTree::mouseMoveEvent(QMouseEvent* event)
{
    if (!(event->buttons() & Qt::LeftButton) || (!m_pressItem && !m_dragging)) {
        QTreeWidget::mouseMoveEvent(event);
        return;
    }
    const QPoint pos = event->position().toPoint();
    if (!m_dragging) {
        if ((pos - m_pressPos).manhattanLength() >= QApplication::startDragDistance())
            BeginDrag(m_pressItem);
        return;
    }
    const QPoint dragPoint = mapToGlobal(QPoint(0, 0)) + QPoint(pos.x(), pos.y() + kDragOffsetY);
    m_pointerInside = QRect(mapToGlobal(QPoint(0, 0)), size()).contains(dragPoint);
    QApplication::changeOverrideCursor(m_pointerInside ? Qt::ArrowCursor : Qt::ForbiddenCursor);
    if (m_dragImage) {
        m_dragImage->move(dragPoint);
        m_dragImage->show();
    }
}

void CChannelTree::mouseReleaseEvent(QMouseEvent* event)
{
    QTreeWidgetItem* pressed = std::exchange(m_pressItem, nullptr);
    if (event->button() != Qt::LeftButton) {
        QTreeWidget::mouseReleaseEvent(event);
        return;
    }
    if (!m_dragging) {
        if (pressed)
            setCurrentItem(pressed);
        else
            QTreeWidget::mouseReleaseEvent(event);
        return;
    }
    const bool inside = m_pointerInside;
    EndDrag();
    if (inside)
        m_selectChannel(m_code);
}

void CChannelTree::BeginDrag(QTreeWidgetItem* item)
{
    const int code = ItemToCode(item);
    if (code < 0)
        return;
    m_code = code;
    m_dragging = true;
    m_pointerInside = true;
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    // The viewport takes the grab: the mouse events of a tree reach its handlers through its
    // viewport only, so a grab by the tree itself would never see the button come up.
    viewport()->grabMouse();
    m_dragImage = new QLabel(nullptr, Qt::ToolTip | Qt::FramelessWindowHint);
    m_dragImage->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_dragImage->setAttribute(Qt::WA_ShowWithoutActivating);
    m_dragImage->setPixmap(item->icon(0).pixmap(iconSize()));
}

void CChannelTree::EndDrag()
{
    m_dragging = false;
    delete m_dragImage;
    viewport()->releaseMouse();
    QApplication::restoreOverrideCursor();
}
