// The pixels a field or a label has for its text, read from the widget's contents rectangle
// the way it paints, for the tests that a value or a caption shows whole.
#pragma once

#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionFrame>

// A line edit's text room: the style's contents rectangle of the edit, less its text margins,
// the 2 px the edit keeps either side of its text and the cursor's pixel after it.
inline int EditTextRoom(const QLineEdit& edit)
{
    QStyleOptionFrame option;  // as the edit describes itself when it paints
    option.initFrom(&edit);
    option.rect = edit.contentsRect();
    option.lineWidth = edit.hasFrame() ? edit.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, &edit) : 0;
    option.state |= QStyle::State_Sunken;
    const QRect contents = edit.style()->subElementRect(QStyle::SE_LineEditContents, &option, &edit);
    const QMargins text = edit.textMargins();
    return contents.width() - text.left() - text.right() - 2 * 2 - 1;
}

// A left-aligned label's text room: its contents rectangle less its margins and the indent,
// half an 'x' when it has a frame and no indent of its own.
inline int LabelTextRoom(const QLabel& label)
{
    int indent = label.indent();
    if (indent < 0)
        indent = label.frameWidth() > 0 ? label.fontMetrics().horizontalAdvance(u'x') / 2 - label.margin() : 0;
    return label.contentsRect().width() - 2 * label.margin() - indent;
}

inline int TextWidth(const QWidget& widget, const QString& text)
{
    return widget.fontMetrics().horizontalAdvance(text);
}
