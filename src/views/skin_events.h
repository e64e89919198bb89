// Wires a video window's skin to its handlers: SkinForm1_MouseDown,
// SkinForm1_MouseUp, SkinForm1_MouseIn, SkinForm1_MouseOut and SkinForm1_Click,
// each run through the one guard under its own name.
#pragma once

#include "foundation/guard.h"
#include "platform/skin/skin_form.h"

#include <QObject>
#include <QString>

// Connects the five events of `skin` to the handlers of the same names on
// `window` (which receives them, so they stop when the window goes); a
// handler that fails is reported as `how` says.
template <typename Window> void ConnectSkinEvents(SkinForm* skin, Window* window, ErrorReport how)
{
    QObject::connect(skin, &SkinForm::MouseDown, window,
                     [window, how](SkinElement* e, int button, int, int) {
                         Guard(how, QStringLiteral("SkinForm1_MouseDown"),
                               [&] { window->SkinForm1_MouseDown(e, button); });
                     });
    QObject::connect(skin, &SkinForm::MouseUp, window,
                     [window, how](SkinElement* e, int button, int, int) {
                         Guard(how, QStringLiteral("SkinForm1_MouseUp"),
                               [&] { window->SkinForm1_MouseUp(e, button); });
                     });
    QObject::connect(skin, &SkinForm::MouseIn, window, [window, how](SkinElement* e) {
        Guard(how, QStringLiteral("SkinForm1_MouseIn"), [&] { window->SkinForm1_MouseIn(e); });
    });
    QObject::connect(skin, &SkinForm::MouseOut, window, [window, how](SkinElement* e) {
        Guard(how, QStringLiteral("SkinForm1_MouseOut"), [&] { window->SkinForm1_MouseOut(e); });
    });
    QObject::connect(skin, &SkinForm::Click, window, [window, how](SkinElement* e) {
        Guard(how, QStringLiteral("SkinForm1_Click"), [&] { window->SkinForm1_Click(e); });
    });
}
