// The splitter's main window: the window model's widgets.
#pragma once

#include <array>
#include <functional>
#include <string>

#include <QDialog>

#include "splitter/engine/HandOver.h"
#include "splitter/engine/SplitEngine.h"
#include "splitter/ui/Greeting.h"
#include "splitter/ui/SplitterModel.h"
#include "splitter/ui/qt/UpdateUi.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;

namespace portelan::qt {

class IChoosers;

class CSplitterDlg : public QDialog, public ISplitFrontEnd, public ISplitterView {
    Q_OBJECT
  public:
    // joiner: the joiner program written beside every set.
    CSplitterDlg(IChoosers& choosers, IJoinerImage& joiner, QWidget* parent = nullptr);
    ~CSplitterDlg() override;

    // ISplitFrontEnd and ISplitterView
    void SetStatus(const std::string& text) override;
    void ShowErrorWindow(const std::string& message, const std::string& caption) override;
    bool ConfirmPlan(const SplitPlan& plan) override;
    void ResetProgress() override;
    void InitProgress(int lower, int upper, int step) override;
    void StepProgress() override;
    void EnableStart(bool enable) override;
    void RunOnUiThread(const std::function<void()>& task) override;
    void ShowInput(Input input, const std::string& text) override;
    void SetChecked(Input input, bool checked) override;
    bool IsChecked(Input input) const override;
    std::optional<std::string> ChooseSourceFile(const std::string& browseDir) override;
    std::optional<std::string> ChooseFolder() override;
    std::optional<PieceSizeValue> ChoosePieceSize(const PieceSizeValue& shown) override;
    void ShowRecovery(const std::string& text) override;
    void RunAboutBox() override;

    void ShowAboutBox();
    void ShowGreeting();
    // "Update suchen": asks, then looks for and downloads a newer version.
    bool RunUpdateCheck();
    // Replaces the HTTP client the update check uses (tests).
    void SetUpdateClientFactory(UpdateClientFactory factory) { m_updateClient = std::move(factory); }

    // The window's context menu: a separator, "Inf&o über Portelan..." and
    // "&Update suchen". The caller owns it; the window's own menu acts on
    // the entry chosen.
    QMenu* CreateContextMenu();

    // The inputs and the engine behind the window, and where the next
    // source file dialog opens.
    const SplitPlan& Inputs() const { return m_model.Inputs(); }
    const CSplitEngine& Engine() const { return m_engine; }
    const std::string& BrowseDir() const { return m_model.BrowseDir(); }

  public slots:
    // "Be&enden", Esc and the close box. A running split is stopped first.
    void reject() override;

  protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

  private:
    // Applies `change` to the progress bar on the window's thread: now when
    // called there, queued when called by the worker.
    void UpdateProgress(std::function<void(CProgressModel&)> change);
    void ShowProgress();
    void RunHandedOver();
    void StopWorker();

    IChoosers& m_choosers;
    CSplitEngine m_engine;
    CSplitterModel m_model;
    CProgressModel m_progressModel;
    CHandOver m_handOver;
    CGreetingWatcher m_greetingWatcher;

    QLabel* m_status = nullptr;
    // By Index(Input).
    std::array<QCheckBox*, 3> m_boxes{};
    std::array<QLineEdit*, 3> m_fields{};
    QLineEdit* m_recovery = nullptr;
    QProgressBar* m_progress = nullptr;
    QPushButton* m_start = nullptr;
    QPushButton* m_greeting = nullptr;

    CCloseAfterTask m_closeAfterTask;
    UpdateClientFactory m_updateClient;
};

} // namespace portelan::qt
