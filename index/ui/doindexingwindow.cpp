#include "index/ui/doindexingwindow.h"

#include "index/tfmdoindexing.h"
#include "platform/ui/commandlabel.h"

#include <QLabel>
#include <QLineEdit>

namespace kv {
namespace {

QLineEdit* counter(QWidget* parent, const char* name, int x, int y, int w) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setReadOnly(true);
    e->setGeometry(x, y, w, 22);
    return e;
}

}  // namespace

DoIndexingWindow::DoIndexingWindow(TfmDoIndexing& module, StepRunner runner, ActivationGate& gate)
    : ModuleWindow(module, std::move(runner), gate), m_(module) {
    setObjectName("TfmDoIndexing");
    setWindowTitle("Converting and Indexing");
    setFixedSize(TfmDoIndexing::clientWidth, TfmDoIndexing::clientHeight);

    auto* support = new CommandLabel("Support", this, 8);
    support->move(6, 3);
    auto* title = new CommandLabel("Korvane Indexing", this, 8);
    title->setCursor(Qt::ArrowCursor);
    title->move(88, 3);
    auto* tutorial = new CommandLabel("Tutorial", this, 8);
    tutorial->move(214, 3);
    connect(tutorial, &CommandLabel::clicked, this, [this] { step([this] { m_.lblTutorialClick(); }); });

    (new QLabel("Bytes Processed:", this))->move(8, 28);
    bytes_ = counter(this, "fldBytesProcessed", 120, 26, 138);
    (new QLabel("Files Processed", this))->move(8, 56);
    fileCount_ = counter(this, "fldFileCount", 120, 54, 66);
    current_ = counter(this, "fldCurrent", 192, 54, 66);
    (new QLabel("Start Time", this))->move(8, 84);
    start_ = counter(this, "fldStartTime", 120, 82, 138);
    (new QLabel("End Time", this))->move(8, 112);
    end_ = counter(this, "fldEndTime", 120, 110, 138);
    status_ = new QLabel(this);
    status_->setObjectName("lblStatus");
    status_->setGeometry(8, 138, 250, 20);

    auto* settings = new CommandLabel("Settings", this);
    settings->move(8, 170);
    connect(settings, &CommandLabel::clicked, this, [this] { step([this] { m_.lblSettingsClick(); }); });
    auto* directories = new CommandLabel("Directories", this);
    directories->move(76, 170);
    connect(directories, &CommandLabel::clicked, this, [this] { step([this] { m_.lblIndexingClick(); }); });
    auto* queries = new CommandLabel("Queries", this);
    queries->setToolTip("Click here to go to query facility");
    queries->move(166, 170);
    connect(queries, &CommandLabel::clicked, this, [this] { step([this] { m_.lblQueriesClick(); }); });
    commands_ = {settings, directories, queries};
    auto* exit = new CommandLabel("X", this, 9, Qt::red);
    exit->move(246, 170);
    connect(exit, &CommandLabel::clicked, this, [this] { step([this] { m_.RzLabel1Click(); }); });

    render();
}

void DoIndexingWindow::render() {
    bytes_->setText(m_.fldBytesProcessed);
    fileCount_->setText(m_.fldFileCount);
    current_->setText(m_.fldCurrent);
    start_->setText(m_.fldStartTime);
    end_->setText(m_.fldEndTime);
    status_->setText(m_.lblStatus);
    for (CommandLabel* c : commands_)
        c->setVisible(m_.commandsVisible);
}

}  // namespace kv
