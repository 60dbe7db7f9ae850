#include "display/TextFit.h"

#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QStyleOptionViewItem>
#include <QTreeView>

namespace {

// A line edit keeps this much room on either side of its text, whatever the style.
constexpr int kEditTextMargin = 2;
// The cursor stands one pixel after the last character; without room for it the text scrolls.
constexpr int kCursorWidth = 1;

} // namespace

int EditWidthFor(const QLineEdit& edit, const QString& text)
{
    const QFontMetrics fm = edit.fontMetrics();
    const QMargins textMargins = edit.textMargins();
    const QMargins contents = edit.contentsMargins();
    const QSize inner(fm.horizontalAdvance(text) + kCursorWidth + 2 * kEditTextMargin + textMargins.left() +
                          textMargins.right() + contents.left() + contents.right(),
                      fm.height());
    // The frame as the edit describes itself to the style when it paints.
    QStyleOptionFrame option;
    option.initFrom(&edit);
    option.rect = edit.contentsRect();
    option.lineWidth = edit.hasFrame() ? edit.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, &edit) : 0;
    option.midLineWidth = 0;
    option.state |= QStyle::State_Sunken;
    if (edit.isReadOnly())
        option.state |= QStyle::State_ReadOnly;
    option.features = QStyleOptionFrame::None;
    return edit.style()->sizeFromContents(QStyle::CT_LineEdit, &option, inner, &edit).width();
}

int LabelWidthFor(const QLabel& label, const QString& text)
{
    const QFontMetrics fm = label.fontMetrics();
    // Without an indent of its own a framed label keeps half an 'x' off its text on either side.
    int indent = label.indent();
    if (indent < 0)
        indent = label.frameWidth() > 0 ? fm.horizontalAdvance(u'x') : 0;
    const QMargins contents = label.contentsMargins();
    return fm.horizontalAdvance(text) + 2 * label.frameWidth() + contents.left() + contents.right() +
           2 * label.margin() + indent;
}

int TreeWidthFor(const QTreeView& tree, const QString& text, int depth)
{
    // The item as the tree's delegate measures it: icon, text and the style's margins.
    QStyleOptionViewItem option;
    option.initFrom(&tree);
    option.features = QStyleOptionViewItem::HasDisplay | QStyleOptionViewItem::HasDecoration;
    option.text = text;
    option.decorationSize = tree.iconSize();
    option.decorationPosition = QStyleOptionViewItem::Left;
    option.displayAlignment = Qt::AlignLeft | Qt::AlignVCenter;
    option.textElideMode = tree.textElideMode();
    const int item = tree.style()->sizeFromContents(QStyle::CT_ItemViewItem, &option, QSize(), &tree).width();
    const int levels = depth + (tree.rootIsDecorated() ? 1 : 0);
    const int scrollBar = tree.verticalScrollBarPolicy() == Qt::ScrollBarAlwaysOff
                              ? 0
                              : tree.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &tree);
    return item + levels * tree.indentation() + scrollBar + 2 * tree.frameWidth();
}
