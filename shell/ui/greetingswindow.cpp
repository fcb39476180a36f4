#include "shell/ui/greetingswindow.h"

#include "platform/ui/commandlabel.h"
#include "shell/tfmgreetings.h"

#include <QCloseEvent>
#include <QLineEdit>

namespace kv {

GreetingsWindow::GreetingsWindow(TfmGreetings& module, StepRunner runner, ActivationGate& gate)
    : ModuleWindow(module, std::move(runner), gate,
                   Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      m_(module) {
    setObjectName("TfmGreetings");
    setFixedSize(TfmGreetings::clientWidth, TfmGreetings::clientHeight);

    auto* support = new CommandLabel("Support", this, 8);
    support->move(6, 2);
    auto* title = new CommandLabel("Korvane", this, 8);
    title->setCursor(Qt::ArrowCursor);
    title->move(108, 2);
    auto* tutorial = new CommandLabel("Tutorial", this, 8);
    tutorial->move(206, 2);
    connect(tutorial, &CommandLabel::clicked, this, [this] { step([this] { m_.lblTutorialClick(); }); });

    query_ = new QLineEdit(this);
    query_->setObjectName("fldSubmitQuery");
    query_->setGeometry(10, 40, 243, 24);
    query_->setStyleSheet("color: navy;");
    connect(query_, &QLineEdit::textEdited, this, [this](const QString& t) { m_.fldSubmitQuery = t; });
    connect(query_, &QLineEdit::returnPressed, this, [this] { step([this] { m_.lblSubmitQueryClick(); }); });

    auto* settings = new CommandLabel("Settings", this);
    settings->move(10, 80);
    connect(settings, &CommandLabel::clicked, this, [this] { step([this] { m_.settingsClick(); }); });
    auto* sources = new CommandLabel("Sources", this);
    sources->setToolTip("Select query sources");
    sources->move(196, 80);
    connect(sources, &CommandLabel::clicked, this, [this] { step([this] { m_.lblSourcesClick(); }); });

    wizard_ = new QWidget(this);
    wizard_->setObjectName("pnlWizard");
    wizard_->setGeometry(0, 17, TfmGreetings::clientWidth, 94);
    wizard_->setAutoFillBackground(true);
    auto* select = new CommandLabel("Select Directory for Indexing", wizard_, 11);
    select->setToolTip("Click here to select a directory");
    select->move(12, 18);
    connect(select, &CommandLabel::clicked, this, [this] { step([this] { m_.lblSelectDirectoryClick(); }); });
    auto* wizardSettings = new CommandLabel("Settings", wizard_);
    wizardSettings->setToolTip("Go to Settings screen");
    wizardSettings->move(10, 66);
    connect(wizardSettings, &CommandLabel::clicked, this, [this] { step([this] { m_.settingsClick(); }); });
    queries_ = new CommandLabel("Queries", wizard_);
    queries_->setToolTip("Return to queries");
    queries_->move(196, 66);
    connect(queries_, &CommandLabel::clicked, this, [this] { step([this] { m_.lblDoneClick(); }); });

    directories_ = new CommandLabel("Directories", this, 10);
    directories_->setToolTip("Click here for indexing options");
    directories_->move(6, 114);
    connect(directories_, &CommandLabel::clicked, this, [this] { step([this] { m_.lblIndexingClick(); }); });
    submit_ = new CommandLabel("Submit Query", this, 10);
    submit_->setToolTip("Click here to submit your query");
    submit_->move(92, 114);
    connect(submit_, &CommandLabel::clicked, this, [this] { step([this] { m_.lblSubmitQueryClick(); }); });
    auto* exit = new CommandLabel("Exit", this, 10, Qt::red);
    exit->setToolTip("Click here to exit Korvane");
    exit->move(222, 114);
    connect(exit, &CommandLabel::clicked, this, [this] { step([this] { m_.lblExitClick(); }); });

    render();
}

void GreetingsWindow::activated() {
    m_.activate();
}

// The window has no close box of its own; a close asked by the window manager
// leaves the program the regular way, through the exit procedure.
void GreetingsWindow::closeEvent(QCloseEvent* e) {
    e->ignore();
    step([this] { m_.lblExitClick(); });
}

void GreetingsWindow::render() {
    if (query_->text() != m_.fldSubmitQuery)
        query_->setText(m_.fldSubmitQuery);
    wizard_->setVisible(m_.pnlWizardVisible);
    queries_->setVisible(m_.lblDoneVisible);
    directories_->setVisible(m_.lblIndexingVisible);
    submit_->setVisible(m_.lblSubmitQueryVisible);
}

}  // namespace kv
