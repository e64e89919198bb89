#include "platform/skin/skin_form.h"

#include "platform/skin/layout_text.h"
#include "platform/skin/skin_picture.h"
#include "platform/skin/skin_report.h"

#include <QApplication>
#include <QFontMetrics>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <QWindow>
#include <algorithm>

namespace {

// Width of the band along the window's border that resizes a resizable skin.
constexpr int kResizeBand = 5;

int buttonCode(Qt::MouseButton b)
{
    switch (b) {
    case Qt::LeftButton:
        return 1;
    case Qt::RightButton:
        return 2;
    case Qt::MiddleButton:
        return 4;
    default:
        return 0;
    }
}

// The client area swallows the mouse, so that pointing at the video never
// moves the window or reaches the skin's handlers.
class ClientArea : public QWidget {
public:
    explicit ClientArea(QWidget* parent) : QWidget(parent)
    {
        setAutoFillBackground(true);
        QPalette pal = palette();
        pal.setColor(QPalette::Window, Qt::black);
        setPalette(pal);
    }

protected:
    void mousePressEvent(QMouseEvent* e) override { e->accept(); }
    void mouseReleaseEvent(QMouseEvent* e) override { e->accept(); }
    void mouseMoveEvent(QMouseEvent* e) override { e->accept(); }
    void mouseDoubleClickEvent(QMouseEvent* e) override { e->accept(); }
};

// Draws the source part of a picture into dst; when the sizes differ and a
// slice is given, the borders keep their size and only the middle stretches.
void drawSliced(QPainter& p, const QPixmap& pm, const QRect& src, const QRect& dst, QMargins slice)
{
    const qreal scale = pm.devicePixelRatio();
    auto px = [scale](qreal x, qreal y, qreal w, qreal h) {
        return QRectF(x * scale, y * scale, w * scale, h * scale);
    };
    if (slice.isNull() || src.size() == dst.size()) {
        p.drawPixmap(QRectF(dst), pm, px(src.x(), src.y(), src.width(), src.height()));
        return;
    }
    auto fit = [](int& a, int& b, int room) {
        if (a + b > room) {
            const int total = a + b;
            a = total > 0 ? a * room / total : 0;
            b = room - a;
        }
    };
    int l = slice.left(), r = slice.right(), t = slice.top(), b = slice.bottom();
    fit(l, r, std::min(src.width(), dst.width()));
    fit(t, b, std::min(src.height(), dst.height()));
    const int sx[4] = {src.x(), src.x() + l, src.x() + src.width() - r, src.x() + src.width()};
    const int sy[4] = {src.y(), src.y() + t, src.y() + src.height() - b, src.y() + src.height()};
    const int dx[4] = {dst.x(), dst.x() + l, dst.x() + dst.width() - r, dst.x() + dst.width()};
    const int dy[4] = {dst.y(), dst.y() + t, dst.y() + dst.height() - b, dst.y() + dst.height()};
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            const int sw = sx[i + 1] - sx[i], sh = sy[j + 1] - sy[j];
            const int dw = dx[i + 1] - dx[i], dh = dy[j + 1] - dy[j];
            if (sw <= 0 || sh <= 0 || dw <= 0 || dh <= 0)
                continue;
            p.drawPixmap(QRectF(dx[i], dy[j], dw, dh), pm, px(sx[i], sy[j], sw, sh));
        }
    }
}

}  // namespace

// ---------------------------------------------------------------- SkinElement

SkinElement::SkinElement(SkinForm* form, const SkinElementDef* def, const QFont& font)
    : form_(form), def_(def), text_(def->text), alpha_(def->visible ? 0 : 255),
      toolTip_(def->toolTip), styleFlags_(def->styleFlags), font_(def->font.value_or(font))
{
}

SkinElement& SkinElement::GetElement(const QString& name)
{
    return form_ ? form_->GetElement(name) : *this;
}

QRect SkinElement::rect() const
{
    if (!form_)
        return {};
    QRect r = form_->mapRect(def_->rect, def_->anchors);
    if (layoutValue_ > 0)
        r.setWidth(layoutValue_);
    return r;
}

void SkinElement::changed(const QRect& before)
{
    // Only the element's own place: a repaint of the whole form would repaint the video too.
    if (form_)
        form_->update(before.united(rect()));
}

void SkinElement::setText(const QString& text)
{
    if (!form_ || text == text_)
        return;
    text_ = text;
    changed();
}

void SkinElement::setStatePicture(const QString& state)
{
    if (!form_ || state == state_)
        return;
    state_ = state;
    changed();
}

void SkinElement::setImageRect(const QString& rect)
{
    if (!form_)
        return;
    const std::optional<QRect> r = rect.trimmed().isEmpty() ? std::nullopt : ParseRectValue(rect);
    if (r == imageRect_)
        return;
    imageRect_ = r;
    changed();
}

void SkinElement::setAlpha(int alpha)
{
    alpha = std::clamp(alpha, 0, 255);
    if (!form_ || alpha == alpha_)
        return;
    alpha_ = alpha;
    changed();
}

void SkinElement::setToolTip(const QString& tip)
{
    if (form_)
        toolTip_ = tip;
}

void SkinElement::setLayoutValue(int pixels)
{
    pixels = std::max(0, pixels);
    if (!form_ || pixels == layoutValue_)
        return;
    const QRect before = rect();
    layoutValue_ = pixels;
    changed(before);
}

void SkinElement::setStyleFlags(int flags)
{
    if (!form_ || flags == styleFlags_)
        return;
    styleFlags_ = flags;
    changed();
}

void SkinElement::setFont(const QFont& font)
{
    if (!form_)
        return;
    font_ = font;
    changed();
}

// ------------------------------------------------------------------- SkinForm

SkinForm::SkinForm(QWidget* host) : QWidget(host)
{
    static bool tipsStyled = false;
    if (!tipsStyled) {
        // Tips in the colours of the dark skins.
        tipsStyled = true;
        QPalette tips = QToolTip::palette();
        tips.setColor(QPalette::ToolTipBase, QColor(0x1f, 0x25, 0x2d));
        tips.setColor(QPalette::ToolTipText, QColor(0xe6, 0xeb, 0xf0));
        QToolTip::setPalette(tips);
    }
    nullDef_.name = QString();
    null_.reset(new SkinElement(nullptr, &nullDef_, QFont()));
    if (host) {
        host->setWindowFlag(Qt::FramelessWindowHint, true);
        // A skinned window's buttons explain themselves also while another window has the focus.
        host->setAttribute(Qt::WA_AlwaysShowToolTips, true);
        host->installEventFilter(this);
        setGeometry(host->rect());
    }
    setMouseTracking(true);
    setAttribute(Qt::WA_Hover, false);
    client_ = new ClientArea(this);
    layoutClient();
}

SkinForm::~SkinForm() = default;

bool SkinForm::SkinFile(const QString& path)
{
    path_ = path;
    QString error;
    auto def = LoadSkinDefinition(path, &error);
    if (!def) {
        error_ = error;
        SkinReport(QStringLiteral("skin not loaded: %1").arg(error));
        def_ = SkinDefinition();
        loaded_ = false;
    } else {
        error_.clear();
        def_ = std::move(*def);
        loaded_ = true;
        for (const QString& w : def_.warnings)
            SkinReport(QStringLiteral("%1: %2").arg(path, w));
    }
    rebuild();
    return loaded_;
}

void SkinForm::rebuild()
{
    ++generation_;
    hovered_ = nullptr;
    pressed_ = nullptr;
    moving_ = false;
    resizing_ = {};
    reported_.clear();
    elements_.clear();
    root_.reset();
    if (loaded_) {
        rootDef_ = SkinElementDef();
        rootDef_.name = def_.name;
        rootDef_.rect = QRect(QPoint(0, 0), def_.size);
        rootDef_.anchors = Qt::LeftEdge | Qt::RightEdge | Qt::TopEdge | Qt::BottomEdge;
        rootDef_.picture = def_.background;
        rootDef_.slice = def_.backgroundSlice;
        rootDef_.action = SkinAction::Move;
        root_.reset(new SkinElement(this, &rootDef_, def_.font));
        elements_.reserve(def_.elements.size());
        for (const SkinElementDef& d : def_.elements)
            elements_.emplace_back(new SkinElement(this, &d, def_.font));
        if (def_.resizable && window())
            window()->setMinimumSize(def_.minSize);
    }
    layoutClient();
    unsetCursor();
    update();
}

SkinElement* SkinForm::findElement(const QString& name) const
{
    for (const auto& el : elements_)
        if (el->Name() == name)
            return el.get();
    return nullptr;
}

SkinElement& SkinForm::GetElement(const QString& name)
{
    if (SkinElement* el = findElement(name))
        return *el;
    if (!reported_.contains(name)) {
        reported_.insert(name);
        SkinReport(QStringLiteral("%1: no element named \"%2\"")
                       .arg(path_.isEmpty() ? QStringLiteral("(no skin)") : path_, name));
    }
    return *null_;
}

QSize SkinForm::currentSize() const
{
    // A hidden window gets its resize event only when shown; its size is right at once.
    return parentWidget() ? parentWidget()->size() : size();
}

QRect SkinForm::mapRect(const QRect& design, Qt::Edges anchors) const
{
    if (!def_.size.isValid())
        return design;
    const QSize now = currentSize();
    const int dw = now.width() - def_.size.width();
    const int dh = now.height() - def_.size.height();
    QRect r = design;
    if ((anchors & Qt::LeftEdge) && (anchors & Qt::RightEdge))
        r.setWidth(std::max(0, r.width() + dw));
    else if (anchors & Qt::RightEdge)
        r.moveLeft(r.x() + dw);
    if ((anchors & Qt::TopEdge) && (anchors & Qt::BottomEdge))
        r.setHeight(std::max(0, r.height() + dh));
    else if (anchors & Qt::BottomEdge)
        r.moveTop(r.y() + dh);
    return r;
}

QRect SkinForm::clientRect() const
{
    if (!loaded_)
        return QRect(QPoint(0, 0), currentSize());
    if (!def_.client)
        return {};
    return mapRect(*def_.client, Qt::LeftEdge | Qt::RightEdge | Qt::TopEdge | Qt::BottomEdge);
}

void SkinForm::layoutClient()
{
    const QRect r = clientRect();
    client_->setGeometry(r);
    client_->setVisible(!r.isEmpty());
}

SkinElement* SkinForm::elementAt(const QPoint& pos) const
{
    for (auto it = elements_.rbegin(); it != elements_.rend(); ++it) {
        const SkinElement& el = **it;
        if (el.isShown() && el.def_->mouse && el.rect().contains(pos))
            return it->get();
    }
    return nullptr;
}

bool SkinForm::startsMove(const SkinElement* el) const
{
    return el == root_.get() || el->def_->action == SkinAction::Move;
}

// ------------------------------------------------------------------- painting

void SkinForm::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), def_.bgColor);
    if (!loaded_)
        return;
    p.setRenderHints(QPainter::SmoothPixmapTransform | QPainter::Antialiasing
                     | QPainter::TextAntialiasing);
    drawElement(p, *root_, rect(), def_.backgroundSlice);
    for (const auto& el : elements_)
        if (el->isShown())
            drawElement(p, *el, el->rect(), el->def_->slice);
}

void SkinForm::drawElement(QPainter& p, const SkinElement& el, const QRect& dst,
                           const QMargins& slice)
{
    if (dst.isEmpty() || el.alpha_ >= 255)
        return;
    p.save();
    p.setOpacity(1.0 - el.alpha_ / 255.0);
    p.setClipRect(dst);
    std::optional<StateLook> look = ParseStateString(el.picture());
    if (!look) {
        const QString key = QStringLiteral("state\n") + el.picture();
        if (!reported_.contains(key)) {
            reported_.insert(key);
            SkinReport(QStringLiteral("%1: element \"%2\": state not understood: %3")
                           .arg(path_, el.Name(), el.picture()));
        }
    } else {
        if (look->fill)
            p.fillRect(dst, *look->fill);
        if (!look->file.isEmpty()) {
            const QPixmap pm = SkinPictures::load(def_.folder, look->file, devicePixelRatioF());
            if (!pm.isNull()) {
                const QRect design = el.def_->rect;
                const QPoint base = look->offset ? *look->offset : design.topLeft();
                const QRect src =
                    el.imageRect_ ? QRect(base + el.imageRect_->topLeft(), el.imageRect_->size())
                                  : QRect(base, design.size());
                drawSliced(p, pm, src, dst, slice);
            }
        }
    }
    if (!el.text_.isEmpty())
        drawText(p, el, dst);
    p.restore();
}

void SkinForm::drawText(QPainter& p, const SkinElement& el, const QRect& dst)
{
    const SkinElementDef& d = *el.def_;
    const QRect area = dst.adjusted(d.padding, 0, -d.padding, 0);
    if (area.width() <= 0)
        return;
    p.setFont(el.font_);
    const QFontMetrics fm(el.font_);
    QString text = el.text_;
    if (d.elide != Qt::ElideNone)
        text = fm.elidedText(text, d.elide, d.badge ? area.width() - fm.height() : area.width());
    p.setPen(d.color.value_or(def_.color));
    if (!d.badge) {
        p.drawText(area, int(d.align) | Qt::TextSingleLine, text);
        return;
    }
    const int bh = std::min(area.height(), fm.height() + 2);
    const int bw = std::min(area.width(), fm.horizontalAdvance(text) + bh);
    int x = area.x();
    if (d.align & Qt::AlignRight)
        x = area.x() + area.width() - bw;
    else if (d.align & Qt::AlignHCenter)
        x = area.x() + (area.width() - bw) / 2;
    const QRect badge(x, area.y() + (area.height() - bh) / 2, bw, bh);
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(*d.badge);
    p.drawRoundedRect(QRectF(badge), bh / 2.0, bh / 2.0);
    p.restore();
    p.drawText(badge, Qt::AlignCenter | Qt::TextSingleLine, text);
}

// -------------------------------------------------------------- mouse events

void SkinForm::setHovered(SkinElement* el)
{
    if (el == hovered_)
        return;
    SkinElement* old = hovered_;
    hovered_ = el;
    const QPointer<SkinForm> self(this);
    const quint64 gen = generation_;
    if (old) {
        emit MouseOut(old);
        if (!self || gen != generation_)
            return;
    }
    if (el && hovered_ == el)
        emit MouseIn(el);
}

void SkinForm::cancelPress()
{
    moving_ = false;
    resizing_ = {};
    const QPointer<SkinForm> self(this);
    const quint64 gen = generation_;
    if (pressed_) {
        SkinElement* el = pressed_;
        const int button = pressButton_;
        pressed_ = nullptr;
        emit MouseUp(el, button, lastPos_.x(), lastPos_.y());
        if (!self || gen != generation_)
            return;
    }
    setHovered(nullptr);
}

Qt::Edges SkinForm::edgesAt(const QPoint& pos) const
{
    Qt::Edges edges;
    if (!loaded_ || !def_.resizable || !window() || window()->isMaximized())
        return edges;
    if (pos.x() < kResizeBand)
        edges |= Qt::LeftEdge;
    const QSize now = currentSize();
    if (pos.x() >= now.width() - kResizeBand)
        edges |= Qt::RightEdge;
    if (pos.y() < kResizeBand)
        edges |= Qt::TopEdge;
    if (pos.y() >= now.height() - kResizeBand)
        edges |= Qt::BottomEdge;
    return edges;
}

void SkinForm::updateCursor(const QPoint& pos)
{
    const Qt::Edges e = edgesAt(pos);
    if (e == (Qt::LeftEdge | Qt::TopEdge) || e == (Qt::RightEdge | Qt::BottomEdge))
        setCursor(Qt::SizeFDiagCursor);
    else if (e == (Qt::RightEdge | Qt::TopEdge) || e == (Qt::LeftEdge | Qt::BottomEdge))
        setCursor(Qt::SizeBDiagCursor);
    else if (e & (Qt::LeftEdge | Qt::RightEdge))
        setCursor(Qt::SizeHorCursor);
    else if (e & (Qt::TopEdge | Qt::BottomEdge))
        setCursor(Qt::SizeVerCursor);
    else if (const SkinElement* el = elementAt(pos); el && (el->styleFlags() & kStyleInteractive))
        setCursor(Qt::PointingHandCursor);
    else
        unsetCursor();
}

void SkinForm::mouseMoveEvent(QMouseEvent* e)
{
    const QPoint pos = e->position().toPoint();
    lastPos_ = pos;
    if (moving_) {
        window()->move((e->globalPosition() - moveOffset_).toPoint());
        return;
    }
    if (resizing_) {
        const QPoint d = (e->globalPosition() - resizeGrab_).toPoint();
        QRect g = resizeStart_;
        const QSize min = window()->minimumSize();
        if (resizing_ & Qt::LeftEdge)
            g.setLeft(std::min(g.left() + d.x(), g.right() - min.width() + 1));
        if (resizing_ & Qt::RightEdge)
            g.setRight(std::max(g.right() + d.x(), g.left() + min.width() - 1));
        if (resizing_ & Qt::TopEdge)
            g.setTop(std::min(g.top() + d.y(), g.bottom() - min.height() + 1));
        if (resizing_ & Qt::BottomEdge)
            g.setBottom(std::max(g.bottom() + d.y(), g.top() + min.height() - 1));
        window()->setGeometry(g);
        return;
    }
    if (!loaded_)
        return;
    if (pressed_) {
        if (pressButton_ == 1 && startsMove(pressed_) && !window()->isMaximized()
            && (pos - pressPos_).manhattanLength() >= QApplication::startDragDistance()) {
            beginMove(e->globalPosition());
            return;
        }
        SkinElement* under = elementAt(pos);
        const bool inside = pressed_ == root_.get() ? under == nullptr : under == pressed_;
        if (inside != pressedInside_) {
            pressedInside_ = inside;
            if (pressed_ != root_.get()) {
                SkinElement* el = pressed_;
                hovered_ = inside ? el : nullptr;
                if (inside)
                    emit MouseIn(el);
                else
                    emit MouseOut(el);
            }
        }
        return;
    }
    updateCursor(pos);
    setHovered(elementAt(pos));
}

void SkinForm::press(QMouseEvent* e)
{
    const QPoint pos = e->position().toPoint();
    lastPos_ = pos;
    if (!loaded_ || pressed_ || moving_ || resizing_)
        return;
    const int button = buttonCode(e->button());
    if (!button)
        return;
    if (button == 1) {
        if (const Qt::Edges edges = edgesAt(pos)) {
            QWindow* w = window()->windowHandle();
            if (w && w->startSystemResize(edges))
                return;
            resizing_ = edges;
            resizeStart_ = window()->geometry();
            resizeGrab_ = e->globalPosition();
            return;
        }
    }
    const QPointer<SkinForm> self(this);
    const quint64 gen = generation_;
    SkinElement* el = elementAt(pos);
    setHovered(el);
    if (!self || gen != generation_ || pressed_)
        return;
    pressed_ = el ? el : root_.get();
    pressButton_ = button;
    pressedInside_ = true;
    pressPos_ = pos;
    emit MouseDown(pressed_, button, pos.x(), pos.y());
}

void SkinForm::mousePressEvent(QMouseEvent* e)
{
    e->accept();
    press(e);
}

void SkinForm::mouseDoubleClickEvent(QMouseEvent* e)
{
    e->accept();
    const QPoint pos = e->position().toPoint();
    SkinElement* el = elementAt(pos);
    if (e->button() == Qt::LeftButton && loaded_ && def_.resizable && !pressed_
        && (!el || el->def_->action == SkinAction::Move) && !edgesAt(pos)) {
        runAction(SkinAction::Maximize);
        return;
    }
    press(e);
}

void SkinForm::beginMove(const QPointF& globalPos)
{
    SkinElement* el = pressed_;
    const int button = pressButton_;
    pressed_ = nullptr;
    const QPointer<SkinForm> self(this);
    const quint64 gen = generation_;
    // Dragging ends the press: the handlers see it released before the move.
    emit MouseUp(el, button, lastPos_.x(), lastPos_.y());
    if (!self || gen != generation_)
        return;
    QWindow* w = window()->windowHandle();
    if (w && w->startSystemMove())
        return;
    moving_ = true;
    moveOffset_ = globalPos - QPointF(window()->pos());
}

void SkinForm::mouseReleaseEvent(QMouseEvent* e)
{
    e->accept();
    const QPoint pos = e->position().toPoint();
    lastPos_ = pos;
    if (moving_ || resizing_) {
        moving_ = false;
        resizing_ = {};
        updateCursor(pos);
        setHovered(elementAt(pos));
        return;
    }
    const int button = buttonCode(e->button());
    if (!pressed_ || button != pressButton_)
        return;
    SkinElement* el = pressed_;
    const bool inside = pressedInside_;
    pressed_ = nullptr;
    const QPointer<SkinForm> self(this);
    const quint64 gen = generation_;
    emit MouseUp(el, button, pos.x(), pos.y());
    if (!self || gen != generation_)
        return;
    if (button == 1 && inside) {
        emit Click(el);
        if (!self || gen != generation_)
            return;
        const SkinAction action = el->def_->action;
        if (action != SkinAction::None && action != SkinAction::Move) {
            runAction(action);
            if (!self || gen != generation_)
                return;
        }
    }
    updateCursor(pos);
    setHovered(elementAt(pos));
}

void SkinForm::runAction(SkinAction action)
{
    QWidget* w = window();
    switch (action) {
    case SkinAction::Minimize:
        w->showMinimized();
        break;
    case SkinAction::Maximize:
        if (w->isMaximized())
            w->showNormal();
        else
            w->showMaximized();
        break;
    case SkinAction::Close:
        w->close();
        break;
    default:
        break;
    }
}

void SkinForm::leaveEvent(QEvent*)
{
    if (pressed_) {
        if (pressedInside_ && pressed_ != root_.get()) {
            pressedInside_ = false;
            hovered_ = nullptr;
            emit MouseOut(pressed_);
        }
        return;
    }
    if (!moving_ && !resizing_)
        setHovered(nullptr);
}

void SkinForm::hideEvent(QHideEvent* e)
{
    QWidget::hideEvent(e);
    cancelPress();
}

void SkinForm::changeEvent(QEvent* e)
{
    QWidget::changeEvent(e);
    if (e->type() == QEvent::ActivationChange && !isActiveWindow())
        cancelPress();
}

bool SkinForm::event(QEvent* e)
{
    switch (e->type()) {
    case QEvent::WindowBlocked:
        cancelPress();
        break;
    case QEvent::ToolTip: {
        const auto* help = static_cast<QHelpEvent*>(e);
        const SkinElement* el = elementAt(help->pos());
        if (el && !el->toolTip().isEmpty())
            QToolTip::showText(help->globalPos(), el->toolTip(), this, el->rect());
        else
            QToolTip::hideText();
        return true;
    }
    default:
        break;
    }
    return QWidget::event(e);
}

bool SkinForm::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == parent() && e->type() == QEvent::Resize)
        setGeometry(QRect(QPoint(0, 0), static_cast<QWidget*>(watched)->size()));
    return QWidget::eventFilter(watched, e);
}

void SkinForm::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    layoutClient();
    update();
}
