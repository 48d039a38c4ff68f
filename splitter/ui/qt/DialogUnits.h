// Places widgets the way the Windows dialog templates do: positions and sizes
// in dialog units, which follow the dialog's font (a horizontal unit is a
// quarter of the average character width, a vertical one an eighth of the
// character height), so the Linux windows keep the Windows proportions.
#pragma once

#include <QRect>
#include <QString>
#include <QWidget>

namespace portelan::qt {

// The pixel rectangle of a dialog-unit rectangle for the font of `dialog`.
QRect DialogRect(const QWidget* dialog, int x, int y, int width, int height);

// Gives `widget` the dialog-unit geometry, measured by its parent's font.
void Place(QWidget* widget, int x, int y, int width, int height);

// Fixes the client size of a dialog to width × height dialog units.
void SetDialogSize(QWidget* dialog, int width, int height);

// A child control of `parent`, named for the tests and placed in dialog units.
template <typename Widget>
Widget* Make(QWidget* parent, const char* name, int x, int y, int width, int height)
{
    auto* widget = new Widget(parent);
    widget->setObjectName(QString::fromLatin1(name));
    Place(widget, x, y, width, height);
    return widget;
}

// The same with a text, for buttons and labels.
template <typename Widget>
Widget* Make(QWidget* parent, const char* name, const char* text, int x, int y, int width, int height)
{
    auto* widget = Make<Widget>(parent, name, x, y, width, height);
    widget->setText(QString::fromUtf8(text));
    return widget;
}

} // namespace portelan::qt
