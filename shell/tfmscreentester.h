// An empty, fully transparent window shown maximised: its width is the usable
// width of the screen, which decides the narrow or wide text layouts.
#pragma once

#include "platform/core/module.h"

namespace kv {

class Modules;

class TfmScreenTester : public Module {
    Q_OBJECT
public:
    explicit TfmScreenTester(Modules&) : Module("TfmScreenTester") {}

    // Written by the view: the maximised window's width and the screen's own width.
    int width = 1024;
    int screenWidth = 1024;
};

}  // namespace kv
