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
    m_skin = new SkinForm(this);
    m_skin->setObjectName(QStringLiteral("SkinForm2"));
    for (int i = 0; i < 6; ++i)
        m_labels[i] = new SkinLabel(QLatin1String(kLabelNames[i]), this);
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
        m_bars[b] = bar;
    }
    hide();
}

void ColourPanel::LoadSkin(const QString& path)
{
    m_skin->SkinFile(path);
    for (SkinLabel* l : m_labels)
        l->SetSkin(m_skin);
    for (int b = 0; b < 3; ++b) {
        const SkinElement* place = m_skin->findElement(QLatin1String(kBarNames[b]));
        m_bars[b]->setGeometry(place && !place->rect().isEmpty() ? place->rect()
                                                                 : kDefaultBarRects[b]);
    }
}

void ColourPanel::SetValue(int b, int value)
{
    m_bars[b]->setValue(value);
    SetValueText(b, value);
}

void ColourPanel::SetValueText(int b, int value)
{
    m_labels[3 + b]->setCaption(ColourValueText(value));
}
