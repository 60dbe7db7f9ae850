// Widths at which a field or a label shows a whole text in its own font and style. The pixel
// sizes the windows were drawn with assume a smaller font than the desktop gives, so fields
// and panes take the larger of such a size and what their longest text needs.
#pragma once

#include <QString>

class QLabel;
class QLineEdit;
class QTreeView;

// The width of `edit` at which `text` shows whole, the cursor after it included.
int EditWidthFor(const QLineEdit& edit, const QString& text);
// The width of `label` at which `text` shows whole beside the label's frame and indent.
int LabelWidthFor(const QLabel& label, const QString& text);
// The width of `tree` at which an item `depth` levels below the top, with an icon of the
// tree's icon size and `text`, shows whole beside the tree's frame and its vertical scroll bar.
int TreeWidthFor(const QTreeView& tree, const QString& text, int depth);
