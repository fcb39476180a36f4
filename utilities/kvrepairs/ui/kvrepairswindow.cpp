#include "utilities/kvrepairs/ui/kvrepairswindow.h"

#include "utilities/kvrepairs/tfmkvrepairs.h"
#include "utilities/kvrepairs/ui/embossedlabel.h"

#include <QLinearGradient>
#include <QPainter>

namespace kv {

namespace {
constexpr int kMiddleTop = TfmKVRepairs::headingHeight;
constexpr int kBottomTop = TfmKVRepairs::clientHeight - TfmKVRepairs::commandsHeight;
}  // namespace

KVRepairsWindow::KVRepairsWindow(TfmKVRepairs& module, StepRunner runner, ActivationGate& gate)
    : ModuleWindow(module, std::move(runner), gate), m_(module) {
    setObjectName(QStringLiteral("TfmKVRepairs"));
    setWindowTitle(TfmKVRepairs::title);
    setFixedSize(TfmKVRepairs::clientWidth, TfmKVRepairs::clientHeight);

    using Look = EmbossedLabel::Look;
    auto* heading = new EmbossedLabel(TfmKVRepairs::title, Look::Recessed, 14, false, this);
    heading->setObjectName(QStringLiteral("lblHeading"));
    heading->setAlignment(Qt::AlignCenter);
    heading->setGeometry(0, 0, TfmKVRepairs::clientWidth, TfmKVRepairs::headingHeight);

    auto* text = new QLabel(TfmKVRepairs::explanation, this);
    text->setObjectName(QStringLiteral("lblExplanation"));
    text->setWordWrap(true);
    text->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    text->setGeometry(10, kMiddleTop + 4, TfmKVRepairs::clientWidth - 20, kBottomTop - kMiddleTop - 8);

    auto* repair = new EmbossedLabel(QStringLiteral("Repairs"), Look::Raised, 14, true, this);
    repair->setObjectName(QStringLiteral("lblRepair"));
    repair->setToolTip(TfmKVRepairs::hint);
    repair->move(24, kBottomTop + (TfmKVRepairs::commandsHeight - repair->height()) / 2);
    connect(repair, &EmbossedLabel::clicked, this, [this] { step([this] { m_.btnRepairClick(); }); });

    auto* cancel = new EmbossedLabel(QStringLiteral("Cancel"), Look::Raised, 14, true, this);
    cancel->setObjectName(QStringLiteral("lblCancel"));
    cancel->setToolTip(TfmKVRepairs::hint);
    cancel->move(TfmKVRepairs::clientWidth - 24 - cancel->width(),
                 kBottomTop + (TfmKVRepairs::commandsHeight - cancel->height()) / 2);
    connect(cancel, &EmbossedLabel::clicked, this, [this] { step([this] { m_.lblCancelClick(); }); });
}

void KVRepairsWindow::paintEvent(QPaintEvent*) {
    // Each band has its own silver-to-white gradient.
    QPainter p(this);
    for (const auto& [top, bottom] : {std::pair{0, kMiddleTop}, std::pair{kMiddleTop, kBottomTop},
                                      std::pair{kBottomTop, height()}}) {
        QLinearGradient g(0, top, 0, bottom);
        g.setColorAt(0, QColor(192, 192, 192));
        g.setColorAt(1, Qt::white);
        p.fillRect(QRect(0, top, width(), bottom - top), g);
    }
}

}  // namespace kv
