// The colour panel of the video windows (picImage): a 161 x 106 pixel panel
// over the top-left corner of the video with three scroll bars (brightness,
// contrast, hue; 0 to 128), their name labels and value labels. Its looks
// come from the colour-bar skin (Bar.skn) in its own skin form (SkinForm2),
// which also gives the labels and the bars their places.
//
// The bars report a change once, when the operator lets go of the thumb or
// clicks beside it, never for each step of a drag: every change costs the
// camera a settings write and a stream restart.
#pragma once

#include <QWidget>
#include <functional>

class QScrollBar;
class SkinForm;
class SkinLabel;

class ColourPanel : public QWidget {
    Q_OBJECT
public:
    enum Bar { kBrightness = 0, kContrast = 1, kHue = 2 };
    static constexpr int kMin = 0;
    static constexpr int kMax = 128;
    static constexpr int kWidth = 161;
    static constexpr int kHeight = 106;
    // Label names in the order SetSkin skins them: the three names, then the three values.
    static const char* const kLabelNames[6];

    explicit ColourPanel(QWidget* parent);

    // Loads Bar.skn into SkinForm2 and skins the labels; the bars take the
    // places of the skin's elements named after them.
    void LoadSkin(const QString& path);

    SkinForm* SkinForm2() const { return m_skin; }
    SkinLabel* label(int i) const { return m_labels[i]; }
    QScrollBar* bar(int b) const { return m_bars[b]; }

    // Sets a bar and its value label. The bar's change reaches onChange like
    // an operator's change; the window suppresses it with its own flag.
    void SetValue(int b, int value);
    // Shows the value text of bar b in its label.
    void SetValueText(int b, int value);

    // Called with (bar, value) for every change of a bar's value.
    std::function<void(int, int)> onChange;

private:
    SkinForm* m_skin = nullptr;
    SkinLabel* m_labels[6] = {};
    QScrollBar* m_bars[3] = {};
};
