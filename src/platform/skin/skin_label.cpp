#include "platform/skin/skin_label.h"

#include "platform/skin/skin_form.h"

#include <QPainter>

SkinLabel::SkinLabel(const QString& name, QWidget* parent) : QWidget(parent)
{
    setObjectName(name);
    setAttribute(Qt::WA_TranslucentBackground);
}

void SkinLabel::SetSkin(SkinForm* form)
{
    if (!form)
        return;
    const SkinElement* style = form->findElement(objectName());
    if (!style)
        style = form->findElement(QStringLiteral("Label"));
    if (!style) {
        color_ = form->definition().color;
        setFont(form->definition().font);
        update();
        return;
    }
    const SkinElementDef& d = style->definition();
    color_ = d.color.value_or(form->definition().color);
    align_ = d.align;
    padding_ = d.padding;
    setFont(style->font());
    if (!d.rect.isEmpty())
        setGeometry(d.rect);
    update();
}

void SkinLabel::setCaption(const QString& caption)
{
    if (caption == caption_)
        return;
    caption_ = caption;
    update();
}

void SkinLabel::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setPen(color_);
    p.setFont(font());
    p.drawText(rect().adjusted(padding_, 0, -padding_, 0), int(align_) | Qt::TextSingleLine,
               caption_);
}
