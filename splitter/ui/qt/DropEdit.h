// A read-only line edit that takes one file or folder dropped onto it from
// the desktop and reports it to its owner.
#pragma once

#include <string>

#include <QLineEdit>

namespace portelan::qt {

class CDropEdit : public QLineEdit {
    Q_OBJECT
  public:
    explicit CDropEdit(QWidget* parent = nullptr);

    // 1: the source edit, 2: the target edit.
    void SetRole(int role) { m_nRole = role; }
    int GetRole() const { return m_nRole; }
    // The last path dropped, normalised; false while there is none.
    bool GetDroppedPath(std::string& path) const;

  signals:
    // One local path was dropped. It counts as a file exactly when its last
    // component has an extension, whatever it is on disk; a folder's path
    // ends in a separator. Delivered before the drop returns.
    void PathDropped(bool isFile, const portelan::qt::CDropEdit* edit);

  protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    bool m_bIsFile = false;
    int m_nRole = 0;
    std::string m_strDropped;
};

// The path split as the drop rule sees it: the extension (with its dot) is
// the text from the last dot of the last component.
struct DroppedName {
    std::string directory;
    std::string name;
    std::string extension;
};
DroppedName SplitDroppedPath(const std::string& path);

} // namespace portelan::qt
