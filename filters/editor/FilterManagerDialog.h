// "Filter Manager": the dialog in which the user builds the filter list of a document on its
// traces: the filters with their enabled boxes, add, remove, up and down, the parameters of
// the selected filter, and the traces before and after the list. It shows and changes a
// FilterEditorModel; OK keeps the model's list, Cancel drops it.
#pragma once

#include "filters/FilterEditor.h"
#include "filters/FilterEditorModel.h"

#include <QDialog>

class QComboBox;
class QFormLayout;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QWidget;

class FilterManagerDialog : public QDialog {
    Q_OBJECT
public:
    explicit FilterManagerDialog(FilterEditorModel& model, QWidget* parent = nullptr);

private:
    void buildList();
    void buildForm();
    void updateButtons();
    void updatePreview();
    void changed();

    void onAdd();
    void onRemove();
    void onUp();
    void onDown();
    void onSelection();
    void onItemChanged(QListWidgetItem* item);

    FilterEditorModel& m_model;
    QListWidget* m_filters;
    QComboBox* m_kinds;
    QPushButton* m_add;
    QPushButton* m_remove;
    QPushButton* m_up;
    QPushButton* m_down;
    QWidget* m_form;
    QFormLayout* m_formLayout;
    QLabel* m_before;
    QLabel* m_after;
    bool m_building = false;
};

// Opens the dialog modally over the application's active window.
class FilterManagerEditor : public FilterEditor {
public:
    bool run(FilterEditorModel& model) override;
};

// Makes FilterListEdit open the "Filter Manager" dialog. Call once the application exists.
void InstallFilterManager();
