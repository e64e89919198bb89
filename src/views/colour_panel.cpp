#include "views/colour_panel.h"

#include "platform/skin/skin_form.h"
#include "platform/skin/skin_label.h"
#include "views/video_placement.h"

#include <QScrollBar>

const char* const ColourPanel::kLabelNames[6] = {"sklBrightness", "sklContrast", "sklHue",
                                                 "sklBriVal",     "sklCntVal",   "sklHueVal"};

namespace {
const char* const kBarNames[3] = {"hscrBrightness", "hscrContrast", "hscrHue"};
// Places of the bars when the skin gives none (136 x 14 pixels, stacked).
const QRect kDefaultBarRects[3] = {QRect(12, 20, 136, 14), QRect(12, 54, 136, 14),
                                   QRect(12, 88, 136, 14)};
}  // namespace

ColourPanel::ColourPanel(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("picImage"));
    setGeometry(0, 0, kWidth, kHeight);
    skin_ = new SkinForm(this);
    skin_->setObjectName(QStringLiteral("SkinForm2"));
    for (int i = 0; i < 6; ++i)
        labels_[i] = new SkinLabel(QLatin1String(kLabelNames[i]), this);
    for (int b = 0; b < 3; ++b) {
        auto* bar = new QScrollBar(Qt::Horizontal, this);
        bar->setObjectName(QLatin1String(kBarNames[b]));
        bar->setRange(kMin, kMax);
        bar->setSingleStep(1);
        bar->setPageStep(8);
        // One change per release, not one per step of a drag.
        bar->setTracking(false);
        bar->setGeometry(kDefaultBarRects[b]);
        bar->setStyleSheet(QStringLiteral(
            "QScrollBar:horizontal { background: #0d1117; border: 1px solid #30363d; height: 14px;"
            " margin: 0 14px; }"
            "QScrollBar::handle:horizontal { background: #5b8fd9; min-width: 12px; }"
            "QScrollBar::add-line:horizontal, QScrollBar::sub-line:horizontal {"
            " background: #21262d; width: 14px; subcontrol-origin: margin; }"
            "QScrollBar::add-line:horizontal { subcontrol-position: right; }"
            "QScrollBar::sub-line:horizontal { subcontrol-position: left; }"
            "QScrollBar::add-page, QScrollBar::sub-page { background: none; }"));
        connect(bar, &QScrollBar::valueChanged, this, [this, b](int v) {
            if (onChange)
                onChange(b, v);
        });
        bars_[b] = bar;
    }
    hide();
}

void ColourPanel::LoadSkin(const QString& path)
{
    skin_->SkinFile(path);
    for (SkinLabel* l : labels_)
        l->SetSkin(skin_);
    for (int b = 0; b < 3; ++b) {
        const SkinElement* place = skin_->findElement(QLatin1String(kBarNames[b]));
        bars_[b]->setGeometry(place && !place->rect().isEmpty() ? place->rect()
                                                                : kDefaultBarRects[b]);
    }
}

void ColourPanel::SetValue(int b, int value)
{
    bars_[b]->setValue(value);
    SetValueText(b, value);
}

void ColourPanel::SetValueText(int b, int value)
{
    labels_[3 + b]->setCaption(ColourValueText(value));
}
