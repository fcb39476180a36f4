#include "platform/core/module.h"

namespace kv {

Module::Module(const QString& className, QObject* parent)
    : QObject(parent), className_(className) {}

void Module::show() {
    visible_ = true;
    notify();
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
