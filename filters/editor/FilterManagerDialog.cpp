#include "filters/editor/FilterManagerDialog.h"

#include "filters/editor/TracePreview.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

constexpr int kPreviewWidth = 320;
constexpr int kPreviewHeight = 240;

QLabel* PreviewLabel(const QString& name)
{
    auto* label = new QLabel;
    label->setObjectName(name);
    label->setFixedSize(kPreviewWidth, kPreviewHeight);
    label->setAlignment(Qt::AlignCenter);
    label->setFrameShape(QFrame::Box);
    return label;
}

QWidget* Captioned(const QString& caption, QWidget* content)
{
    auto* box = new QWidget;
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new QLabel(caption));
    layout->addWidget(content);
    return box;
}

} // namespace

FilterManagerDialog::FilterManagerDialog(FilterEditorModel& model, QWidget* parent)
    : QDialog(parent), m_model(model)
{
    setWindowTitle("Filter Manager");
    setModal(true);

    m_filters = new QListWidget;
    m_filters->setObjectName("filters");
    m_kinds = new QComboBox;
    m_kinds->setObjectName("kinds");
    for (const auto& name : m_model.catalogue())
        m_kinds->addItem(QString::fromStdString(name));
    m_add = new QPushButton("Add");
    m_add->setObjectName("add");
    m_remove = new QPushButton("Remove");
    m_remove->setObjectName("remove");
    m_up = new QPushButton("Up");
    m_up->setObjectName("up");
    m_down = new QPushButton("Down");
    m_down->setObjectName("down");

    auto* addRow = new QHBoxLayout;
    addRow->addWidget(m_kinds, 1);
    addRow->addWidget(m_add);
    auto* moveRow = new QHBoxLayout;
    moveRow->addWidget(m_remove);
    moveRow->addWidget(m_up);
    moveRow->addWidget(m_down);
    auto* listColumn = new QVBoxLayout;
    listColumn->addWidget(m_filters, 1);
    listColumn->addLayout(addRow);
    listColumn->addLayout(moveRow);

    auto* parameters = new QGroupBox("Parameters");
    m_form = new QWidget;
    m_form->setObjectName("parameters");
    m_formLayout = new QFormLayout(m_form);
    auto* parametersLayout = new QVBoxLayout(parameters);
    parametersLayout->addWidget(m_form);
    parametersLayout->addStretch(1);

    auto* top = new QHBoxLayout;
    top->addLayout(listColumn, 1);
    top->addWidget(parameters, 1);

    m_before = PreviewLabel("before");
    m_after = PreviewLabel("after");
    auto* previews = new QHBoxLayout;
    previews->addWidget(Captioned("Before", m_before));
    previews->addWidget(Captioned("After", m_after));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(previews);
    layout->addWidget(buttons);

    connect(m_add, &QPushButton::clicked, this, &FilterManagerDialog::onAdd);
    connect(m_remove, &QPushButton::clicked, this, &FilterManagerDialog::onRemove);
    connect(m_up, &QPushButton::clicked, this, &FilterManagerDialog::onUp);
    connect(m_down, &QPushButton::clicked, this, &FilterManagerDialog::onDown);
    connect(m_filters, &QListWidget::currentRowChanged, this, &FilterManagerDialog::onSelection);
    connect(m_filters, &QListWidget::itemChanged, this, &FilterManagerDialog::onItemChanged);

    buildList();
    QImage before = TracePreview(m_model.before().data(), m_model.traceCount(), m_model.samplesPerTrace(),
                                 m_model.validSamples());
    if (!before.isNull())
        m_before->setPixmap(QPixmap::fromImage(before.scaled(kPreviewWidth, kPreviewHeight)));
    updatePreview();
}

void FilterManagerDialog::buildList()
{
    m_building = true;
    m_filters->clear();
    const FilterChain& list = m_model.list();
    for (int i = 0; i < list.size(); ++i) {
        auto* item = new QListWidgetItem(QString::fromStdString(list.at(i)->name()), m_filters);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(list.at(i)->enabled() ? Qt::Checked : Qt::Unchecked);
    }
    m_filters->setCurrentRow(m_model.selected());
    m_building = false;
    buildForm();
    updateButtons();
}

void FilterManagerDialog::buildForm()
{
    while (m_formLayout->rowCount() > 0)
        m_formLayout->removeRow(0);
    const int index = m_model.selected();
    const Filter* filter = m_model.list().at(index);
    if (!filter)
        return;
    for (int p = 0; p < filter->paramCount(); ++p) {
        const FilterParamSpec& spec = filter->spec(p);
        const FilterParamValue value = filter->value(p);
        const QString name = QString::fromStdString(spec.name());
        QWidget* editor = nullptr;
        switch (spec.type()) {
        case kParamInteger: {
            auto* box = new QSpinBox;
            box->setRange(static_cast<int>(spec.minimum()), static_cast<int>(spec.maximum()));
            box->setValue(value.whole);
            connect(box, &QSpinBox::valueChanged, this, [this, index, p](int v) {
                if (m_model.setWhole(index, p, v))
                    changed();
            });
            editor = box;
            break;
        }
        case kParamFlag: {
            auto* box = new QCheckBox;
            box->setChecked(value.whole != 0);
            connect(box, &QCheckBox::toggled, this, [this, index, p](bool on) {
                if (m_model.setWhole(index, p, on ? 1 : 0))
                    changed();
            });
            editor = box;
            break;
        }
        case kParamFloat: {
            auto* box = new QDoubleSpinBox;
            box->setDecimals(3);
            box->setRange(spec.minimum(), spec.maximum());
            box->setValue(value.real);
            connect(box, &QDoubleSpinBox::valueChanged, this, [this, index, p](double v) {
                if (m_model.setFloat(index, p, v))
                    changed();
            });
            editor = box;
            break;
        }
        case kParamText: {
            auto* line = new QLineEdit(QString::fromStdString(value.text));
            connect(line, &QLineEdit::textEdited, this, [this, index, p](const QString& v) {
                if (m_model.setText(index, p, v.toStdString()))
                    changed();
            });
            editor = line;
            break;
        }
        case kParamChoice: {
            auto* box = new QComboBox;
            for (const auto& text : spec.choices())
                box->addItem(QString::fromStdString(text));
            box->setCurrentIndex(value.whole);
            connect(box, &QComboBox::currentIndexChanged, this, [this, index, p](int v) {
                if (m_model.setChoice(index, p, v))
                    changed();
            });
            editor = box;
            break;
        }
        }
        if (!editor)
            continue; // a parameter type the dialog cannot show
        editor->setObjectName(name);
        m_formLayout->addRow(name, editor);
    }
}

void FilterManagerDialog::updateButtons()
{
    const int selected = m_model.selected();
    const int size = m_model.list().size();
    m_add->setEnabled(size < FilterChain::kMaxFilters && m_kinds->count() > 0);
    m_remove->setEnabled(selected >= 0);
    m_up->setEnabled(selected > 0);
    m_down->setEnabled(selected >= 0 && selected < size - 1);
}

void FilterManagerDialog::updatePreview()
{
    const auto& after = m_model.after();
    QImage image = TracePreview(after.data(), m_model.traceCount(), m_model.samplesPerTrace(), m_model.validSamples());
    if (image.isNull())
        m_after->clear();
    else
        m_after->setPixmap(QPixmap::fromImage(image.scaled(kPreviewWidth, kPreviewHeight)));
}

void FilterManagerDialog::changed()
{
    updatePreview();
}

void FilterManagerDialog::onAdd()
{
    if (m_model.add(m_kinds->currentText().toStdString())) {
        buildList();
        changed();
    }
}

void FilterManagerDialog::onRemove()
{
    if (m_model.removeSelected()) {
        buildList();
        changed();
    }
}

void FilterManagerDialog::onUp()
{
    if (m_model.moveUp()) {
        buildList();
        changed();
    }
}

void FilterManagerDialog::onDown()
{
    if (m_model.moveDown()) {
        buildList();
        changed();
    }
}

void FilterManagerDialog::onSelection()
{
    if (m_building)
        return;
    m_model.select(m_filters->currentRow());
    buildForm();
    updateButtons();
}

void FilterManagerDialog::onItemChanged(QListWidgetItem* item)
{
    if (m_building)
        return;
    if (m_model.setEnabled(m_filters->row(item), item->checkState() == Qt::Checked))
        changed();
}

bool FilterManagerEditor::run(FilterEditorModel& model)
{
    FilterManagerDialog dialog(model, QApplication::activeWindow());
    return dialog.exec() == QDialog::Accepted;
}

void InstallFilterManager()
{
    static FilterManagerEditor editor;
    SetFilterEditor(&editor);
}
