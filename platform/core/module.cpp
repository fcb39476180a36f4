#include "platform/core/module.h"

namespace kv {

Module::Module(const QString& className, QObject* parent)
    : QObject(parent), className_(className) {}

// Showing a window also brings it to the front, where it becomes the active one.
void Module::show() {
    bringToFront();
}

void Module::hide() {
    visible_ = false;
    notify();
}

void Module::bringToFront() {
    visible_ = true;
    notify();
    emit frontRequested();
}

void Module::close() {
    onClose();
    visible_ = false;
    notify();
    emit closeRequested();
}

}  // namespace kv
