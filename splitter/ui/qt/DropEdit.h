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

  signals:
    // One local path was dropped; delivered before the drop returns.
    void PathDropped(const std::string& path);

  protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
};

} // namespace portelan::qt
