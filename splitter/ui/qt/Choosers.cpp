#include "splitter/ui/qt/Choosers.h"

#include <memory>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QDialogButtonBox>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPointer>

#include "texts/SplitterTexts.h"

namespace portelan::qt {
namespace {

// Keeps the folder chooser's confirm button disabled until the selection
// has changed once. Until then the dialog's own verdicts on the button are
// only noted, whenever it makes them; opening the gate applies the last one,
// and from then on the dialog alone decides.
class CConfirmGate : public QObject {
  public:
    CConfirmGate(QAbstractButton* button, QObject* parent)
        : QObject(parent), m_button(button), m_bWanted(button->isEnabled())
    {
        m_button->installEventFilter(this);
        Block();
    }

    void Open()
    {
        if (m_bOpen)
            return;
        m_bOpen = true;
        if (m_button) {
            m_button->removeEventFilter(this);
            m_button->setEnabled(m_bWanted);
        }
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (!m_bOpen && !m_bBlocking && watched == m_button && event->type() == QEvent::EnabledChange) {
            m_bWanted = m_button->isEnabled();
            if (m_bWanted)
                Block();
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    void Block()
    {
        m_bBlocking = true;
        m_button->setEnabled(false);
        m_bBlocking = false;
    }

    QPointer<QAbstractButton> m_button;
    bool m_bWanted;
    bool m_bOpen = false;
    bool m_bBlocking = false;
};

QAbstractButton* AcceptButton(QFileDialog* dialog)
{
    const auto boxes = dialog->findChildren<QDialogButtonBox*>();
    for (QDialogButtonBox* box : boxes)
        for (QAbstractButton* button : box->buttons())
            if (box->buttonRole(button) == QDialogButtonBox::AcceptRole)
                return button;
    return nullptr;
}

std::optional<std::string> FirstChosen(std::unique_ptr<QFileDialog> dialog)
{
    if (dialog->exec() != QDialog::Accepted)
        return std::nullopt;
    const QStringList chosen = dialog->selectedFiles();
    if (chosen.isEmpty() || chosen.front().isEmpty())
        return std::nullopt;
    return chosen.front().toStdString();
}

class CSystemChoosers : public IChoosers {
  public:
    std::optional<std::string> ChooseSourceFile(QWidget* owner, const std::string& browseDir) override
    {
        return FirstChosen(std::unique_ptr<QFileDialog>(CreateSourceChooser(owner, browseDir)));
    }

    std::optional<std::string> ChooseFolder(QWidget* owner) override
    {
        return FirstChosen(std::unique_ptr<QFileDialog>(CreateFolderChooser(owner)));
    }
};

} // namespace

IChoosers& ProgramChoosers()
{
    static CSystemChoosers choosers;
    return choosers;
}

QFileDialog* CreateSourceChooser(QWidget* owner, const std::string& browseDir)
{
    auto* dialog = new QFileDialog(owner, QString::fromUtf8(Tr(Text::ChooseSourceTitle)),
                                   QString::fromStdString(browseDir));
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::AnyFile);
    return dialog;
}

QFileDialog* CreateFolderChooser(QWidget* owner, const std::string& startDir)
{
    auto* dialog = new QFileDialog(owner, QString::fromUtf8(Tr(Text::ChooseTargetTitle)));
    // Only the dialog's own widgets let its confirm button be reached.
    dialog->setOption(QFileDialog::DontUseNativeDialog, true);
    dialog->setOption(QFileDialog::ShowDirsOnly, true);
    dialog->setFileMode(QFileDialog::Directory);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setDirectory(startDir.empty() ? QDir::homePath() : QString::fromStdString(startDir));

    QAbstractButton* accept = AcceptButton(dialog);
    if (!accept)
        return dialog;
    auto* gate = new CConfirmGate(accept, dialog);
    auto open = [gate] { gate->Open(); };
    QObject::connect(dialog, &QFileDialog::currentChanged, gate, open);
    QObject::connect(dialog, &QFileDialog::directoryEntered, gate, open);
    // A folder name typed into the dialog is a choice as well.
    if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
        QObject::connect(name, &QLineEdit::textEdited, gate, open);
    // Every way of moving to another folder (the parent button, back and
    // forward, the history box, the sidebar) moves the model's root.
    if (auto* model = dialog->findChild<QFileSystemModel*>())
        QObject::connect(model, &QFileSystemModel::rootPathChanged, gate, open);
    // The list and the detail view share the selection that is the choice.
    for (const char* name : {"listView", "treeView"}) {
        auto* view = dialog->findChild<QAbstractItemView*>(QString::fromLatin1(name));
        if (view && view->selectionModel())
            QObject::connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, gate, open);
    }
    return dialog;
}

} // namespace portelan::qt
