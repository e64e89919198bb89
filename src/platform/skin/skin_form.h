// The skin engine's form: draws a borderless window from a skin file (its
// background, buttons, pictures and texts), keeps the state of every named
// element, and reports the mouse on them:
//   MouseIn / MouseOut   the pointer enters / leaves an element (In first);
//   MouseDown / MouseUp  a button goes down / up (1 left, 2 right, 4 middle);
//   Click                the left button went down and up on the same element.
// Every MouseDown is followed by a MouseUp for that element, also when the
// window is hidden, loses the focus, is blocked by a modal window or starts
// moving; so a handler that starts something on a press can always stop it.
// A press on the skin's background passes the root element (Skin()).
// The form also gives the window what a title bar gave: it moves when its
// background (or an element with Action = move) is dragged, its edges resize
// it when the skin is resizable, and elements with Action = minimize,
// maximize or close do that to the window after their Click.
#pragma once

#include "platform/skin/skin_definition.h"

#include <QFont>
#include <QPointer>
#include <QSet>
#include <QWidget>
#include <memory>
#include <vector>

class SkinForm;

// One named element of a loaded skin. The names of the members follow the
// skin engine's interface that the windows use.
class SkinElement {
public:
    const QString& Name() const { return def_->name; }
    bool isNull() const { return form_ == nullptr; }  // stand-in for a missing name
    SkinElementKind kind() const { return def_->kind; }

    // Looks an element up in the same skin (see SkinForm::GetElement).
    SkinElement& GetElement(const QString& name);

    void setText(const QString& text);
    QString text() const { return text_; }

    // The state string to show (see skin_picture.h), passed as it stands.
    void setStatePicture(const QString& state);
    // The state string shown now; setPicture is setStatePicture.
    QString picture() const { return state_.isEmpty() ? def_->picture : state_; }
    void setPicture(const QString& state) { setStatePicture(state); }
    // Another source for the element's picture; "" returns to its own look.
    void setImageSource(const QString& state) { setStatePicture(state); }
    // The part of the picture shown, "x y w h" relative to the element's own
    // place in it; "" (or text that does not fit) shows the element's own part.
    void setImageRect(const QString& rect);

    // 0 shown, 255 hidden; values between draw the element translucent.
    void setAlpha(int alpha);
    int alpha() const { return alpha_; }
    bool isShown() const { return alpha_ < 255; }

    void setToolTip(const QString& tip);
    QString toolTip() const { return toolTip_; }

    // The element's width in pixels (its left edge stays); 0 restores the
    // skin's width. The two names are one member.
    void setStyleCode(int pixels) { setLayoutValue(pixels); }
    void setLayoutValue(int pixels);
    int layoutValue() const { return layoutValue_; }

    // Bit 16: the element acts when clicked (hand pointer). Other bits are kept.
    void setStyleFlags(int flags);
    int styleFlags() const { return styleFlags_; }

    // The element's own font (a copy: changing it changes nothing else).
    void setFont(const QFont& font);
    QFont font() const { return font_; }

    // Current size in pixels and place in the form.
    int Width() const { return rect().width(); }
    int Height() const { return rect().height(); }
    QRect rect() const;
    const SkinElementDef& definition() const { return *def_; }

private:
    friend class SkinForm;
    SkinElement(SkinForm* form, const SkinElementDef* def, const QFont& font);
    void changed(const QRect& before = QRect());

    SkinForm* form_;
    const SkinElementDef* def_;
    QString text_;
    QString state_;
    std::optional<QRect> imageRect_;
    int alpha_ = 0;
    QString toolTip_;
    int layoutValue_ = 0;
    int styleFlags_ = 2;
    QFont font_;
};

class SkinForm : public QWidget {
    Q_OBJECT
public:
    // Fills the host window and makes it borderless.
    explicit SkinForm(QWidget* host);
    ~SkinForm() override;

    // Loads and draws a skin file. On failure the form stays blank (no
    // elements, the whole form is client area), reports why and returns false.
    bool SkinFile(const QString& path);
    QString skinFile() const { return path_; }
    QString errorString() const { return error_; }
    bool isLoaded() const { return loaded_; }

    // The root element: the skin as a whole (its name is the skin's Name).
    SkinElement* Skin() { return root_.get(); }
    // An element by its exact name, or nullptr.
    SkinElement* findElement(const QString& name) const;
    // An element by its exact name. A name the skin lacks is reported once
    // and answered with a stand-in that ignores everything.
    SkinElement& GetElement(const QString& name);
    const std::vector<std::unique_ptr<SkinElement>>& elements() const { return elements_; }

    // The window's client area: what lies inside the skin's frame. Children
    // placed there (the video) are never painted over by the skin.
    QWidget* clientArea() const { return client_; }
    QRect clientRect() const;
    QSize designSize() const { return def_.size; }
    const SkinDefinition& definition() const { return def_; }

    // The element under a point of the form (hidden and mouse-less elements
    // are skipped), or nullptr for the background.
    SkinElement* elementAt(const QPoint& pos) const;
    // Maps a rectangle of the design size to the form's current size.
    QRect mapRect(const QRect& design, Qt::Edges anchors) const;
    // The size of the window the form fills (also while it is hidden).
    QSize currentSize() const;

    SkinElement* hoveredElement() const { return hovered_; }
    SkinElement* pressedElement() const { return pressed_; }

signals:
    void MouseIn(SkinElement* element);
    void MouseOut(SkinElement* element);
    void MouseDown(SkinElement* element, int button, int x, int y);
    void MouseUp(SkinElement* element, int button, int x, int y);
    void Click(SkinElement* element);

protected:
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void hideEvent(QHideEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    friend class SkinElement;
    void rebuild();
    void layoutClient();
    void drawElement(QPainter& p, const SkinElement& el, const QRect& dst, const QMargins& slice);
    void drawText(QPainter& p, const SkinElement& el, const QRect& dst);
    void setHovered(SkinElement* el);
    void cancelPress();
    void press(QMouseEvent* e);
    void beginMove(const QPointF& globalPos);
    Qt::Edges edgesAt(const QPoint& pos) const;
    void updateCursor(const QPoint& pos);
    void runAction(SkinAction action);
    bool startsMove(const SkinElement* el) const;

    SkinDefinition def_;
    SkinElementDef rootDef_;
    std::unique_ptr<SkinElement> root_;
    std::vector<std::unique_ptr<SkinElement>> elements_;
    std::unique_ptr<SkinElement> null_;
    SkinElementDef nullDef_;
    QSet<QString> reported_;
    QString path_;
    QString error_;
    bool loaded_ = false;
    QWidget* client_ = nullptr;
    quint64 generation_ = 0;  // counts loads; events stop when it changes under them

    SkinElement* hovered_ = nullptr;
    SkinElement* pressed_ = nullptr;
    int pressButton_ = 0;
    bool pressedInside_ = false;
    QPoint pressPos_;
    QPoint lastPos_;
    bool moving_ = false;
    QPointF moveOffset_;
    Qt::Edges resizing_;
    QRect resizeStart_;
    QPointF resizeGrab_;
};
