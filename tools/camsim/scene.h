// The simulated camera's picture: a generated scene larger than the frame,
// of which the camera shows the part its pan/tilt position points at, with
// brightness, contrast and hue applied and the camera's name, a clock and a
// frame counter written on it; optionally a moving block ("motion").
#pragma once

#include <QImage>
#include <QString>

struct SceneState {
    QSize frameSize{640, 480};
    int panStep = 0;  // -kMaxSteps..kMaxSteps, one step = a tenth of the frame
    int tiltStep = 0;
    int brightness = 64, contrast = 64, hue = 64;  // 0..128, 64 = unchanged
    bool motion = false;

    static constexpr int kMaxSteps = 10;
    bool operator==(const SceneState&) const = default;
};

class Scene {
public:
    explicit Scene(int seed);

    // One picture. `counter` and `clockText` are drawn on it; `motionPhase`
    // moves the block.
    QImage Render(const SceneState& state, const QString& name, qint64 counter,
                  const QString& clockText, int motionPhase);

private:
    void Build(QSize frame);

    int seed_;
    QSize builtFor_;
    QImage world_;
};
