#include "splitter/ui/qt/DialogUnits.h"

#include <QFontMetrics>
#include <QWidget>

namespace portelan::qt {
namespace {

struct BaseUnits {
    int x;
    int y;
};

// As Windows measures a dialog font: the average width of the 52 letters,
// rounded, and the full character height.
BaseUnits Measure(const QWidget* dialog)
{
    const QFontMetrics metrics(dialog->font());
    const int letters =
        metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return {(letters / 26 + 1) / 2, metrics.height()};
}

} // namespace

QRect DialogRect(const QWidget* dialog, int x, int y, int width, int height)
{
    const BaseUnits base = Measure(dialog);
    // MulDiv rounding, as MapDialogRect does.
    auto scale = [](int value, int unit, int divisor) { return (value * unit + divisor / 2) / divisor; };
    return {scale(x, base.x, 4), scale(y, base.y, 8), scale(width, base.x, 4), scale(height, base.y, 8)};
}

void Place(QWidget* widget, int x, int y, int width, int height)
{
    const QWidget* reference = widget->parentWidget() ? widget->parentWidget() : widget;
    widget->setGeometry(DialogRect(reference, x, y, width, height));
}

void SetDialogSize(QWidget* dialog, int width, int height)
{
    dialog->setFixedSize(DialogRect(dialog, 0, 0, width, height).size());
}

} // namespace portelan::qt
