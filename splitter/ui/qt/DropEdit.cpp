#include "splitter/ui/qt/DropEdit.h"

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

namespace portelan::qt {

CDropEdit::CDropEdit(QWidget* parent) : QLineEdit(parent)
{
    setReadOnly(true);
    setAcceptDrops(true);
}

// Anything carrying file names is taken; what counts is decided on the drop,
// as the shell hands every drop to the edit.
void CDropEdit::dragEnterEvent(QDragEnterEvent* event) { dragMoveEvent(event); }

void CDropEdit::dragMoveEvent(QDragMoveEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
    else
        event->ignore();
}

void CDropEdit::dropEvent(QDropEvent* event)
{
    if (!event->mimeData()->hasUrls()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.size() != 1 || !urls.front().isLocalFile())
        return;
    const std::string path = urls.front().toLocalFile().toStdString();
    if (!path.empty())
        emit PathDropped(path);
}

} // namespace portelan::qt
