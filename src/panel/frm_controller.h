// frmController: the control panel, the program's main visible window.
//
// This is the panel's first form: a plain window titled with the application
// title and sized from the language pack. Its load sets the panel's open flag
// and its unload, when no video window is open any more, unloads the engine
// window, which ends the program.
#pragma once

#include "foundation/window_registry.h"

#include <QWidget>

class frmController : public QWidget, public WindowLifecycle {
    Q_OBJECT
public:
    explicit frmController(QWidget* parent = nullptr);

    void Form_Load() override;
    void Form_Unload() override;
};
