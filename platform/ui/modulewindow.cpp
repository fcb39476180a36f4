#include "platform/ui/modulewindow.h"

#include <QEvent>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QScreen>

namespace kv {

ModuleWindow::ModuleWindow(Module& module, StepRunner runner, ActivationGate& gate,
                           Qt::WindowFlags flags)
    : QWidget(nullptr, flags), module_(module), runner_(std::move(runner)),
      gate_(gate) {
    setWindowTitle(QStringLiteral("Korvane"));
    connect(&module_, &Module::changed, this, [this] {
        render();
        follow();
    });
    connect(&module_, &Module::frontRequested, this, [this] {
        follow();
        raise();
        activateWindow();
    });
    // A long step asks for a repaint in the middle of its work: draw its
    // state as it is now, without waiting for the event loop.
    connect(&module_, &Module::repaintRequested, this, [this] {
        render();
        follow();
        repaint();
    });
    connect(&module_, &Module::closeRequested, this, [this] { hide(); });
}

void ModuleWindow::centre() {
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QRect g = module_.geometry;
    g.moveCenter(screen.center());
    module_.geometry = g;
}

void ModuleWindow::follow() {
    following_ = true;
    if (module_.geometry.topLeft() == QPoint(0, 0))
        centre();
    if (geometry() != module_.geometry)
        setGeometry(module_.geometry);
    if (module_.visible() && !isVisible()) {
        show();
        activateWindow();
    } else if (!module_.visible() && isVisible()) {
        hide();
    }
    following_ = false;
}

bool ModuleWindow::event(QEvent* e) {
    if (e->type() == QEvent::WindowActivate && !activating_ && gate_.pass()) {
        activating_ = true;
        step([this] { activated(); });
        activating_ = false;
    }
    return QWidget::event(e);
}

void ModuleWindow::moveEvent(QMoveEvent* e) {
    if (!following_ && isVisible())
        module_.geometry.moveTopLeft(pos());
    QWidget::moveEvent(e);
}

void ModuleWindow::resizeEvent(QResizeEvent* e) {
    if (!following_ && isVisible())
        module_.geometry.setSize(size());
    QWidget::resizeEvent(e);
}

void ModuleWindow::paintEvent(QPaintEvent*) {
    // Silver to white, as every Korvane window.
    QPainter p(this);
    QLinearGradient g(0, 0, 0, height());
    g.setColorAt(0, QColor(192, 192, 192));
    g.setColorAt(1, Qt::white);
    p.fillRect(rect(), g);
}

}  // namespace kv
