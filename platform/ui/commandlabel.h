// A command label: bold text that turns blue (or red) under the mouse and
// reports a click.
#pragma once

#include <QLabel>

namespace kv {

class CommandLabel : public QLabel {
    Q_OBJECT
public:
    CommandLabel(const QString& caption, QWidget* parent, int pointSize = 9,
                 QColor hover = QColor(Qt::blue));

signals:
    void clicked();
    void doubleClicked();

protected:
    void enterEvent(QEnterEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;

private:
    void setColour(const QColor& c);
    QColor hover_;
};

}  // namespace kv
