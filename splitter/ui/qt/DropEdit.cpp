#include "splitter/ui/qt/DropEdit.h"

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

#include "common/Helpers.h"

namespace portelan::qt {

DroppedName SplitDroppedPath(const std::string& path)
{
    PathParts parts = SplitPath(path);
    const std::string::size_type dot = parts.fileName.rfind('.');
    if (dot == std::string::npos)
        return {parts.directory, parts.fileName, ""};
    return {parts.directory, parts.fileName.substr(0, dot), parts.fileName.substr(dot)};
}

CDropEdit::CDropEdit(QWidget* parent) : QLineEdit(parent)
{
    setReadOnly(true);
    setAcceptDrops(true);
}

bool CDropEdit::GetDroppedPath(std::string& path) const
{
    path = m_strDropped;
    return !path.empty();
}

// Anything carrying file names is taken; what counts is decided on the drop,
// as the shell hands every drop to the edit.
void CDropEdit::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
    else
        event->ignore();
}

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
    if (path.empty())
        return;
    DroppedName parts = SplitDroppedPath(path);
    m_strDropped = parts.directory + parts.name;
    m_bIsFile = !parts.extension.empty();
    if (m_bIsFile)
        m_strDropped += parts.extension;
    else
        EnsureTrailingBackslash(m_strDropped);
    emit PathDropped(m_bIsFile, this);
}

} // namespace portelan::qt
