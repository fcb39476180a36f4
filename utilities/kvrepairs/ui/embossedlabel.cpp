#include "utilities/kvrepairs/ui/embossedlabel.h"

#include <QMouseEvent>
#include <QPainter>

namespace kv {

EmbossedLabel::EmbossedLabel(const QString& caption, Look look, int pointSize, bool command,
                             QWidget* parent)
    : QLabel(caption, parent), look_(look), command_(command) {
    QFont f = font();
    f.setBold(true);
    f.setPointSize(pointSize);
    setFont(f);
    if (command_) setCursor(Qt::PointingHandCursor);
    // Room for the one-pixel highlight and shadow on either side.
    setContentsMargins(1, 1, 1, 1);
    adjustSize();
}

QColor EmbossedLabel::letterColour() const {
    return hover_ ? QColor(Qt::blue) : QColor(192, 192, 192);
}

void EmbossedLabel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setFont(font());
    const QRect r = contentsRect();
    const int flags = int(alignment());
    // Light from the top left: a raised letter has its highlight there and its shadow
    // at the bottom right; a recessed one the other way round.
    const QColor light(Qt::white);
    const QColor dark(96, 96, 96);
    const bool raised = look_ == Look::Raised;
    p.setPen(raised ? light : dark);
    p.drawText(r.translated(-1, -1), flags, text());
    p.setPen(raised ? dark : light);
    p.drawText(r.translated(1, 1), flags, text());
    p.setPen(letterColour());
    p.drawText(r, flags, text());
}

void EmbossedLabel::enterEvent(QEnterEvent* e) {
    if (command_) {
        hover_ = true;
        update();
    }
    QLabel::enterEvent(e);
}

void EmbossedLabel::leaveEvent(QEvent* e) {
    hover_ = false;
    update();
    QLabel::leaveEvent(e);
}

void EmbossedLabel::mouseReleaseEvent(QMouseEvent* e) {
    if (command_ && e->button() == Qt::LeftButton && rect().contains(e->position().toPoint()))
        emit clicked();
    QLabel::mouseReleaseEvent(e);
}

}  // namespace kv
