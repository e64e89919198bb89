// Drives a SkinForm with mouse events as the pointer would, and records the
// events the form reports ("In:Name", "Out:Name", "Down:Name:1", "Up:Name:1",
// "Click:Name").
#pragma once

#include "platform/skin/skin_form.h"

#include <QApplication>
#include <QMouseEvent>
#include <QStringList>

class SkinMouse {
public:
    explicit SkinMouse(SkinForm* form) : form_(form) {}

    QPoint at(const QString& element) const
    {
        const SkinElement* el = form_->findElement(element);
        return el ? el->rect().center() : QPoint(-1, -1);
    }
    void move(QPoint p) { send(QEvent::MouseMove, p, Qt::NoButton); }
    void press(QPoint p, Qt::MouseButton b = Qt::LeftButton)
    {
        buttons_ |= b;
        send(QEvent::MouseButtonPress, p, b);
    }
    void release(QPoint p, Qt::MouseButton b = Qt::LeftButton)
    {
        buttons_ &= ~b;
        send(QEvent::MouseButtonRelease, p, b);
    }
    // Moves onto the element, presses and releases there.
    void click(const QString& element, Qt::MouseButton b = Qt::LeftButton)
    {
        const QPoint p = at(element);
        move(p);
        press(p, b);
        release(p, b);
    }
    void hover(const QString& element) { move(at(element)); }
    void leaveWindow()
    {
        QEvent e(QEvent::Leave);
        QApplication::sendEvent(form_, &e);
    }

private:
    void send(QEvent::Type type, QPoint p, Qt::MouseButton b)
    {
        QMouseEvent e(type, QPointF(p), QPointF(form_->mapToGlobal(p)), b, buttons_,
                      Qt::NoModifier);
        QApplication::sendEvent(form_, &e);
    }

    SkinForm* form_;
    Qt::MouseButtons buttons_;
};

// Collects what a form reports, in order.
class SkinEventLog : public QObject {
public:
    explicit SkinEventLog(SkinForm* form)
    {
        connect(form, &SkinForm::MouseIn, this,
                [this](SkinElement* e) { events << QStringLiteral("In:") + e->Name(); });
        connect(form, &SkinForm::MouseOut, this,
                [this](SkinElement* e) { events << QStringLiteral("Out:") + e->Name(); });
        connect(form, &SkinForm::MouseDown, this, [this](SkinElement* e, int b, int, int) {
            events << QStringLiteral("Down:%1:%2").arg(e->Name()).arg(b);
        });
        connect(form, &SkinForm::MouseUp, this, [this](SkinElement* e, int b, int, int) {
            events << QStringLiteral("Up:%1:%2").arg(e->Name()).arg(b);
        });
        connect(form, &SkinForm::Click, this,
                [this](SkinElement* e) { events << QStringLiteral("Click:") + e->Name(); });
    }
    QStringList take()
    {
        QStringList out = events;
        events.clear();
        return out;
    }
    QStringList events;
};
