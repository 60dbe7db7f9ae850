// The channel navigator: the connected control unit, its populated slots with their module
// types and each slot's two channels with their use state. Choosing a channel (click,
// keys or a drag dropped on the tree) makes it the current one; the right button offers to
// edit its settings or switch its use, except while a measurement runs.
//
// Item codes: a channel is slot * 10 + channel (0 "Internal Tx", 1 "External Tx"); the unit
// and slot items are -1; no item at all is 0.
#pragma once

#include <QPoint>
#include <QPointer>
#include <QStringList>
#include <QTreeWidget>

#include <array>
#include <cstdint>
#include <functional>

class CRavikApp;
class QLabel;

class CChannelTree : public QTreeWidget {
    Q_OBJECT
public:
    // Image indexes of the items (pictures::TreeImage), kept in kImageRole.
    static constexpr int kImageUnit = 0;
    static constexpr int kImageInUse = 8;
    static constexpr int kImageNotInUse = 9;
    static constexpr int kCodeRole = Qt::UserRole;
    static constexpr int kImageRole = Qt::UserRole + 1;

    // `selectChannel` makes a channel code the current channel (the main window's answer).
    CChannelTree(CRavikApp& app, std::function<bool(int)> selectChannel, QWidget* parent = nullptr);
    ~CChannelTree() override;

    // The tree anew from the unit: "Z5K" alone, or "Tolam" with its populated slots.
    void Rebuild();
    // Not connected: "No Control Unit". Z5K: rebuilt. Tolam: rebuilt when a slot's populated
    // state differs from the last rebuild.
    void RefreshIfChanged();
    // The tree as the status timer's first tick would show it, unless it shows something.
    void FillIfEmpty();

    // The width at which every item the tree can show reads whole, whatever the unit.
    int WidthForEveryItem() const;

    static int ItemToCode(const QTreeWidgetItem* item);
    int RememberedCode() const { return m_code; }
    int GetCodeSlot() const;
    int GetCodeChannel() const;
    // Image index of a slot holding module `type`; -1 for a type that is not populated.
    static int ModuleImage(int type);

    // The context menu of channel `code`: its two items, and whether the first can run.
    QStringList ContextChoices(int code) const;
    bool CanEditSettings() const;
    // Runs item 1 (edit settings, then put the channel in use) or 2 (switch its use) for
    // channel `code`.
    void ApplyChoice(int code, int choice);
    // Shows the menu at a point on the screen and gives the chosen item (1, 2) or 0. Tests
    // put their own in place of the real menu.
    using Popup = std::function<int(const QStringList& items, bool firstEnabled, QPoint global)>;
    void SetPopup(Popup popup) { m_popup = std::move(popup); }

    bool IsDragging() const { return m_dragging; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void Clear();
    void OnCurrentItemChanged(QTreeWidgetItem* current);
    QTreeWidgetItem* AddItem(QTreeWidgetItem* parent, const QString& text, int image, int code);
    // The item whose icon or text is at `pos`, or null.
    QTreeWidgetItem* HitItem(QPoint pos) const;
    void OnRightButton(QPoint pos, QPoint global);
    void EditChannelSettings();
    void SetChannelUse(bool toggle);
    void BeginDrag(QTreeWidgetItem* item);
    void EndDrag();

    CRavikApp& m_app;
    std::function<bool(int)> m_selectChannel;
    Popup m_popup;
    int m_code = 0;                        // channel last right-clicked or dragged
    std::array<std::uint32_t, 8> m_slotRecord{};  // populated state at the last rebuild
    bool m_rebuilding = false;
    bool m_dragging = false;
    bool m_pointerInside = false;
    QTreeWidgetItem* m_pressItem = nullptr;
    QPoint m_pressPos;
    QPointer<QLabel> m_dragImage;  // the dragged channel under the pointer
};
