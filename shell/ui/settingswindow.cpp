#include "shell/ui/settingswindow.h"

#include "platform/ui/commandlabel.h"

#include <QCheckBox>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTextEdit>
#include <QVBoxLayout>

namespace kv {
namespace {

struct BoxCaption {
    TfmSettings::Kind kind;
    const char* caption;
    bool office;
};

const BoxCaption kBoxes[] = {
    {TfmSettings::Kind::Word, "Word", false},
    {TfmSettings::Kind::RichText, "Rich Text", false},
    {TfmSettings::Kind::HTML, "HTML", false},
    {TfmSettings::Kind::Text, "Text (.txt)", false},
    {TfmSettings::Kind::PDF, "PDF", false},
    {TfmSettings::Kind::Excel, "Excel", true},
    {TfmSettings::Kind::Outlook, "Outlook", true},
    {TfmSettings::Kind::PowerPoint, "PowerPoint", true},
};

}  // namespace

SettingsWindow::SettingsWindow(TfmSettings& module, StepRunner runner, ActivationGate& gate)
    : ModuleWindow(module, std::move(runner), gate), m_(module) {
    setObjectName("TfmSettings");
    setWindowTitle("Korvane Settings");

    auto* support = new CommandLabel("Support", this, 7);
    support->move(4, 5);
    title_ = new CommandLabel("Korvane Settings", this, 9);
    title_->setCursor(Qt::ArrowCursor);
    tutorial_ = new CommandLabel("Tutorial", this, 7);
    connect(tutorial_, &CommandLabel::clicked, this, [this] { step([this] { m_.lblTutorialClick(); }); });

    choices_ = new QWidget(this);
    auto* layout = new QVBoxLayout(choices_);
    layout->setSpacing(2);
    auto* conversion = new QGroupBox("Text Conversion", choices_);
    auto* conversionLayout = new QVBoxLayout(conversion);
    auto* office = new QGroupBox("Microsoft Office", choices_);
    auto* officeLayout = new QVBoxLayout(office);
    for (const BoxCaption& b : kBoxes) {
        auto* box = new QCheckBox(b.caption, b.office ? office : conversion);
        box->setMinimumHeight(18);
        (b.office ? officeLayout : conversionLayout)->addWidget(box);
        boxes_[b.kind] = box;
        const TfmSettings::Kind kind = b.kind;
        connect(box, &QCheckBox::clicked, this, [this, kind] { step([this, kind] { m_.kindClick(kind); }); });
        if (b.kind == TfmSettings::Kind::PDF) {
            auto* otherLabel = new QLabel("Other", conversion);
            conversionLayout->addWidget(otherLabel);
            other_ = new QLineEdit(conversion);
            other_->setObjectName("fldOtherExtensions");
            other_->setMinimumHeight(22);
            conversionLayout->addWidget(other_);
            other_->installEventFilter(this);
            connect(other_, &QLineEdit::textEdited, this,
                    [this](const QString& t) { step([this, t] { m_.setOtherExtensions(t); }); });
        }
    }
    auto* tenure = new QGroupBox("Conversion Tenure", choices_);
    auto* tenureLayout = new QVBoxLayout(tenure);
    const char* tenureItems[] = {"Save converted", "Delete converted"};
    for (int i = 0; i < 2; ++i) {
        tenure_[i] = new QRadioButton(tenureItems[i], tenure);
        tenureLayout->addWidget(tenure_[i]);
        connect(tenure_[i], &QRadioButton::clicked, this,
                [this, i] { step([this, i] { m_.rgConversionStatusClick(i); }); });
    }
    layout->addWidget(conversion);
    layout->addWidget(office);
    layout->addWidget(tenure);
    layout->addStretch();

    help_ = new QTextEdit(this);
    help_->setObjectName("memHelp");
    help_->setReadOnly(true);

    question_ = new CommandLabel("?", this, 11);
    connect(question_, &CommandLabel::clicked, this, [this] { step([this] { m_.lblQuestionClick(); }); });
    done_ = new CommandLabel("Done", this, 11);
    connect(done_, &CommandLabel::clicked, this, [this] { step([this] { m_.lblDoneClick(); }); });

    render();
}

bool SettingsWindow::eventFilter(QObject* watched, QEvent* e) {
    // A click into "Other" marks a change; tabbing into it and typing does not.
    if (watched == other_ && e->type() == QEvent::MouseButtonPress)
        step([this] { m_.fldOtherExtensionsClick(); });
    return ModuleWindow::eventFilter(watched, e);
}

void SettingsWindow::activated() {
    m_.activate();
}

void SettingsWindow::render() {
    setFixedSize(m_.geometry.width(), TfmSettings::height);
    for (auto it = boxes_.cbegin(); it != boxes_.cend(); ++it)
        it.value()->setChecked(m_.box(it.key()));
    if (other_->text() != m_.fldOtherExtensions)
        other_->setText(m_.fldOtherExtensions);
    tenure_[0]->setChecked(m_.rgConversionStatus == 0);
    tenure_[1]->setChecked(m_.rgConversionStatus == 1);

    const int choicesWidth = m_.choicesWidth ? m_.choicesWidth : width();
    choices_->setGeometry(0, 24, choicesWidth, TfmSettings::height - 24 - 32);
    help_->setGeometry(choicesWidth + 4, 24, width() - choicesWidth - 8, TfmSettings::height - 60);
    help_->setVisible(m_.pnlHelpVisible);
    if (help_->toPlainText() != m_.memHelp)
        help_->setPlainText(m_.memHelp);
    title_->move(m_.titleLeft, 4);
    tutorial_->move(width() - 52, 4);
    question_->move(m_.lblQuestionLeft, TfmSettings::height - 28);
    done_->move(m_.lblDoneLeft, TfmSettings::height - 28);
}

}  // namespace kv
