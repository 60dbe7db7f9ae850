// The marker dialog "Markers configuration": which of the marker keys 1..9 set markers, the
// colour of each key's markers (double-click its swatch) and each key's comment. OK stores
// the settings in the profile; Cancel stores nothing, but a colour chosen meanwhile is
// already in the settings and is drawn until the program ends.
#pragma once

#include "display/BgrColour.h"
#include "shell/MarkerSettings.h"

#include <QDialog>

#include <array>
#include <functional>

class CRavikApp;
class Profile;
class QCheckBox;
class QLineEdit;

class CMarkDlg : public QDialog {
    Q_OBJECT
public:
    // Asks the operator for a colour starting from `initial`; true with `chosen` set on OK.
    using ColourChooser = std::function<bool(const QColor& initial, QWidget* parent, QColor& chosen)>;

    // Edits `settings`, which OK writes to `profile`. Without a chooser the platform's colour
    // dialog is used.
    CMarkDlg(CMarkerSettings& settings, Profile& profile, QWidget* parent = nullptr,
             ColourChooser chooser = {});

    // The check boxes and comment edits from the settings.
    void OnInitDialog();
    // Active flags and comments from the controls into the settings, which are saved.
    void OnOK();
    void accept() override;

    // The swatch of marker key n = 1..9 in dialog coordinates: the key's check box moved right
    // by its own width + 10, as wide as it is high.
    QRect SwatchRect(int n) const;
    QCheckBox* KeyBox(int n) const { return m_keys[static_cast<std::size_t>(n - 1)]; }
    QLineEdit* CommentEdit(int n) const { return m_comments[static_cast<std::size_t>(n - 1)]; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    CMarkerSettings& m_settings;
    Profile& m_profile;
    ColourChooser m_chooser;
    std::array<QCheckBox*, CMarkerSettings::kMarkers> m_keys{};
    std::array<QLineEdit*, CMarkerSettings::kMarkers> m_comments{};
};

// Runs the marker dialog over the application's marker settings and profile, with the main
// window as parent; true on OK.
bool RunMarkerDialog(CRavikApp& app);
