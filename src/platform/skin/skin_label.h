// A text label that takes its look from a skin: SetSkin(form) copies the
// font, colour, alignment and place of the element of that form's skin that
// carries the label's object name (or, when there is none, of the element
// "Label"); Caption is the text it shows.
#pragma once

#include <QColor>
#include <QWidget>

class SkinForm;

class SkinLabel : public QWidget {
    Q_OBJECT
public:
    explicit SkinLabel(const QString& name, QWidget* parent = nullptr);

    void SetSkin(SkinForm* form);
    void setCaption(const QString& caption);
    QString Caption() const { return caption_; }

    QColor color() const { return color_; }
    Qt::Alignment alignment() const { return align_; }

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    QString caption_;
    QColor color_ = Qt::white;
    Qt::Alignment align_ = Qt::AlignLeft | Qt::AlignVCenter;
    int padding_ = 2;
};
