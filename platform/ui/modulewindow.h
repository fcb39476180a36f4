// The base of every module's view: a top-level window that follows its
// module (shown or hidden, geometry, repaint requests) and forwards the
// window's activation to it. A view's gesture handlers are one call each,
// through ModuleWindow::step, so every error reaches the general handler.
#pragma once

#include "platform/core/errorhandler.h"
#include "platform/core/module.h"

#include <QWidget>
#include <functional>

namespace kv {

// Decides whether a window activation is a real return of the user to the
// window, or only the focus coming back from a message box.
class ActivationGate {
public:
    void modalClosed() { skipNext_ = true; }
    bool pass() { return !std::exchange(skipNext_, false); }

private:
    bool skipNext_ = false;
};

class ModuleWindow : public QWidget {
    Q_OBJECT
public:
    ModuleWindow(Module& module, StepRunner runner, ActivationGate& gate,
                 Qt::WindowFlags flags = Qt::FramelessWindowHint);

    // Runs a gesture's step through the general error handler.
    void step(const std::function<void()>& body) { runner_(body); }

protected:
    // Draws the module's state into the widgets.
    virtual void render() = 0;
    // The module's activation step, when it has one.
    virtual void activated() {}

    bool event(QEvent* e) override;
    void moveEvent(QMoveEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

    // Applies the module's visibility and geometry to the window.
    void follow();

private:
    void centre();

    Module& module_;
    StepRunner runner_;
    ActivationGate& gate_;
    bool following_ = false;
    bool activating_ = false;
};

}  // namespace kv
