#include "shell/ui/selectsourcewindow.h"

#include "platform/ui/commandlabel.h"
#include "shell/tfmscreentester.h"
#include "shell/tfmselectsource.h"

#include <QGuiApplication>
#include <QListWidget>
#include <QScreen>

namespace kv {

SelectSourceWindow::SelectSourceWindow(TfmSelectSource& module, StepRunner runner,
                                       ActivationGate& gate)
    : ModuleWindow(module, std::move(runner), gate, Qt::Tool | Qt::FramelessWindowHint),
      m_(module) {
    setObjectName("TfmSelectSource");
    setFixedSize(TfmSelectSource::panelWidth, TfmSelectSource::panelHeight);
    auto* checkAll = new CommandLabel("Check All", this, 8);
    checkAll->setToolTip("Add selected directory to list");
    checkAll->move(6, 20);
    connect(checkAll, &CommandLabel::clicked, this, [this] { step([this] { m_.checkAllClick(); }); });
    auto* uncheck = new CommandLabel("Uncheck", this, 8);
    uncheck->setToolTip("Add selected directory to list");
    uncheck->move(6, 56);
    connect(uncheck, &CommandLabel::clicked, this, [this] { step([this] { m_.uncheckClick(); }); });
    list_ = new QListWidget(this);
    list_->setObjectName("clExtensions");
    list_->setGeometry(80, 4, 102, 88);
    connect(list_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        const int row = list_->row(item);
        step([this, row] { m_.clExtensionsClick(row); });
    });
    render();
}

void SelectSourceWindow::render() {
    list_->clear();
    for (const auto& entry : m_.clExtensions.entries) {
        auto* item = new QListWidgetItem(entry.text, list_);
        item->setFlags(Qt::ItemIsEnabled);
        item->setCheckState(entry.checked ? Qt::Checked : Qt::Unchecked);
    }
}

ScreenTesterWindow::ScreenTesterWindow(TfmScreenTester& module, StepRunner runner,
                                       ActivationGate& gate)
    : ModuleWindow(module, std::move(runner), gate, Qt::Tool | Qt::FramelessWindowHint),
      m_(module) {
    setObjectName("TfmScreenTester");
    setWindowOpacity(0);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    measure();
}

void ScreenTesterWindow::measure() {
    QScreen* screen = QGuiApplication::primaryScreen();
    m_.width = screen->availableGeometry().width();
    m_.screenWidth = screen->geometry().width();
    m_.geometry = screen->availableGeometry();
}

void ScreenTesterWindow::render() {}

void ScreenTesterWindow::showEvent(QShowEvent* e) {
    measure();
    ModuleWindow::showEvent(e);
}

}  // namespace kv
