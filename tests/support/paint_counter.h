// Counts the paint events a widget gets, so that a test can tell whether it
// was drawn by a given moment (for example while the program waits).
#pragma once

#include <QEvent>
#include <QObject>
#include <QWidget>

class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }

    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};
