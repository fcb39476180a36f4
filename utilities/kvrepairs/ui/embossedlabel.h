// Large bold silver letters that look raised out of, or pressed into, the window;
// as a command they turn blue under the mouse and report a click.
#pragma once

#include <QColor>
#include <QLabel>

namespace kv {

class EmbossedLabel : public QLabel {
    Q_OBJECT
public:
    enum class Look { Raised, Recessed };

    // command: the label reacts to the mouse (hover colour, pointing cursor, clicked).
    EmbossedLabel(const QString& caption, Look look, int pointSize, bool command, QWidget* parent);

    // The colour the letters are drawn in now: silver, or blue under the mouse.
    QColor letterColour() const;

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent* e) override;
    void enterEvent(QEnterEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    Look look_;
    bool command_;
    bool hover_ = false;
};

}  // namespace kv
