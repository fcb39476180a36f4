#include "collection/ui/selectfileswindow.h"

#include "collection/tfmselectfiles.h"
#include "platform/ui/commandlabel.h"

#include <QComboBox>
#include <QListWidget>
#include <QSplitter>
#include <QTextEdit>

namespace kv {
namespace {

CommandLabel* imageButton(const QString& caption, const QString& hint, QWidget* parent, int x) {
    auto* b = new CommandLabel(caption, parent, 8);
    b->setToolTip(hint);
    b->setFrameShape(QFrame::Panel);
    b->setFrameShadow(QFrame::Raised);
    b->move(x, 6);
    return b;
}

}  // namespace

SelectFilesWindow::SelectFilesWindow(TfmSelectFiles& module, const QStringList& drives,
                                     StepRunner runner, ActivationGate& gate)
    : ModuleWindow(module, std::move(runner), gate), m_(module) {
    setObjectName("TfmSelectFiles");
    setWindowTitle("Korvane Control Center");
    setFixedSize(TfmSelectFiles::windowWidth, TfmSelectFiles::windowHeight);
    const int top = 41, bottom = 49;
    const int inner = TfmSelectFiles::windowHeight - top - bottom;

    auto* support = new CommandLabel("Support", this, 8);
    support->move(8, 12);
    auto* title = new CommandLabel("Korvane Control Center: Choose Directories for Indexing", this, 11);
    title->setCursor(Qt::ArrowCursor);
    title->move(150, 10);
    auto* tutorial = new CommandLabel("Tutorial", this, 8);
    tutorial->move(650, 12);
    connect(tutorial, &CommandLabel::clicked, this, [this] { step([this] { m_.lblTutorialClick(); }); });

    auto* splitter = new QSplitter(this);
    splitter->setGeometry(0, top, TfmSelectFiles::windowWidth, inner);
    auto* left = new QWidget(splitter);
    drive_ = new QComboBox(left);
    drive_->setObjectName("Drive");
    drive_->addItems(drives);
    drive_->setGeometry(4, 4, 164, 24);
    connect(drive_, &QComboBox::activated, this, [this](int index) {
        const QString d = drive_->itemText(index);
        step([this, d] { m_.driveChange(d); });
    });
    dirs_ = new QListWidget(left);
    dirs_->setObjectName("Dirs");
    dirs_->setGeometry(4, 32, 164, inner - 36);
    connect(dirs_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        const QString folder = item->data(Qt::UserRole).toString();
        step([this, folder] { m_.dirsChange(folder); });
    });

    auto* right = new QWidget(splitter);
    auto* add = imageButton("Add selected directory", "Add selected directory to list", right, 4);
    connect(add, &CommandLabel::clicked, this, [this] { step([this] { m_.squashAddDirectoryClick(); }); });
    auto* clear = imageButton("Clear list", "Clear directory list", right, 172);
    connect(clear, &CommandLabel::clicked, this, [this] { step([this] { m_.squashClearListClick(); }); });
    auto* targets = imageButton("Target Directories", "Show all index directories", right, 256);
    connect(targets, &CommandLabel::clicked, this, [this] { step([this] { m_.squashShowTargetsClick(); }); });
    auto* all = imageButton("Show all directories", "Confirm checked for indexing", right, 392);
    connect(all, &CommandLabel::clicked, this, [this] { step([this] { m_.squashShowAllClick(); }); });

    directories_ = new QListWidget(right);
    directories_->setObjectName("cblDirectories");
    directories_->setToolTip("Click once to check/uncheck; Doubleclick to delete directroy");
    directories_->setGeometry(4, 34, 510, 184);
    connect(directories_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        const int row = directories_->row(item);
        step([this, row] { m_.cblDirectoriesClick(row); });
    });
    connect(directories_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        const int row = directories_->row(item);
        step([this, row] {
            m_.cblDirectories.selected = row;
            m_.cblDirectoriesDblClick();
        });
    });
    help_ = new QTextEdit(right);
    help_->setObjectName("memHelp");
    help_->setReadOnly(true);
    help_->setGeometry(4, 34, 510, 184);

    // Names flow down two columns, as a file list box shows them.
    files_ = new QListWidget(right);
    files_->setObjectName("Files");
    files_->setToolTip("Click on file to view it");
    files_->setGeometry(4, 224, 510, inner - 228);
    files_->setFlow(QListView::TopToBottom);
    files_->setWrapping(true);
    files_->setResizeMode(QListView::Adjust);
    files_->setGridSize(QSize(250, 18));
    connect(files_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        const QString name = item->text();
        step([this, name] { m_.filesDblClick(name); });
    });
    splitter->setSizes({172, TfmSelectFiles::windowWidth - 172});

    const int y = TfmSelectFiles::windowHeight - 34;
    auto* settings = new CommandLabel("Settings", this, 11);
    settings->setToolTip("Click here to go to Settings");
    settings->move(10, y);
    connect(settings, &CommandLabel::clicked, this, [this] { step([this] { m_.RzLabel6Click(); }); });
    auto* help = new CommandLabel("?", this, 11);
    help->setToolTip("Click here for explanations");
    help->move(560, y);
    connect(help, &CommandLabel::clicked, this, [this] { step([this] { m_.lblHelpClick(); }); });
    auto* done = new CommandLabel("Done", this, 11);
    done->move(600, y);
    connect(done, &CommandLabel::clicked, this, [this] { step([this] { m_.lblDoneClick(); }); });
    auto* exit = new CommandLabel("X", this, 11, Qt::red);
    exit->setToolTip("Click here to exit Korvane");
    exit->move(680, y);
    connect(exit, &CommandLabel::clicked, this, [this] { step([this] { m_.lblExitClick(); }); });

    render();
}

void SelectFilesWindow::activated() {
    m_.activate();
}

void SelectFilesWindow::render() {
    drive_->setCurrentText(m_.drive);

    dirs_->clear();
    for (const auto& entry : m_.dirsTree) {
        auto* item = new QListWidgetItem(
            QString(entry.depth * 2, u' ') + (entry.open ? "[-] " : "[+] ") + entry.name, dirs_);
        item->setData(Qt::UserRole, entry.path);
        if (entry.path == m_.dirs)
            dirs_->setCurrentItem(item);
    }

    directories_->clear();
    for (const auto& entry : m_.cblDirectories.entries) {
        auto* item = new QListWidgetItem(entry.text, directories_);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        item->setCheckState(entry.checked ? Qt::Checked : Qt::Unchecked);
    }
    if (m_.cblDirectories.selected >= 0 && m_.cblDirectories.selected < directories_->count())
        directories_->setCurrentRow(m_.cblDirectories.selected);
    help_->setVisible(m_.memHelpVisible);
    directories_->setVisible(!m_.memHelpVisible);
    if (help_->toPlainText() != m_.memHelp)
        help_->setPlainText(m_.memHelp);

    files_->clear();
    files_->addItems(m_.files);
}

}  // namespace kv
