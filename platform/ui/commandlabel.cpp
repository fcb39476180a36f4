#include "platform/ui/commandlabel.h"

#include <QMouseEvent>

namespace kv {

CommandLabel::CommandLabel(const QString& caption, QWidget* parent, int pointSize, QColor hover)
    : QLabel(caption, parent), hover_(hover) {
    QFont f = font();
    f.setBold(true);
    f.setPointSize(pointSize);
    setFont(f);
    setCursor(Qt::PointingHandCursor);
    setColour(Qt::black);
}

void CommandLabel::setColour(const QColor& c) {
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, c);
    setPalette(pal);
}

void CommandLabel::enterEvent(QEnterEvent* e) {
    setColour(hover_);
    QLabel::enterEvent(e);
}

void CommandLabel::leaveEvent(QEvent* e) {
    setColour(Qt::black);
    QLabel::leaveEvent(e);
}

void CommandLabel::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint()))
        emit clicked();
    QLabel::mouseReleaseEvent(e);
}

void CommandLabel::mouseDoubleClickEvent(QMouseEvent* e) {
    emit doubleClicked();
    QLabel::mouseDoubleClickEvent(e);
}

}  // namespace kv
