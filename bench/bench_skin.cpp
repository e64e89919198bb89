// The skin engine on the shipped skins: what opening a skinned window costs
// (reading the skin file and drawing every picture it needs for the first
// time) and what a repaint of the window frame costs once the pictures are
// drawn (every hover or state change repaints the form). Pictures are SVG
// sheets; the first paint renders each sheet the elements use once.
#include "platform/skin/skin_form.h"
#include "platform/skin/skin_picture.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QWidget>
#include <benchmark/benchmark.h>

namespace {

QString langFolder() { return QStringLiteral(CAM_RESOURCES_DIR "/lang/"); }

// States that make the form draw from every sheet of its skin.
void useEverySheet(SkinForm& form, const QString& folder, const QStringList& sheets)
{
    int i = 0;
    for (const auto& el : form.elements())
        el->setStatePicture(folder + sheets[i++ % sheets.size()]);
}

void paint(SkinForm& form, QImage& target)
{
    QPainter p(&target);
    form.render(&p);
}

void OpenSkin(benchmark::State& state, const QString& file, QSize size, const QString& folder,
              const QStringList& sheets)
{
    for (auto _ : state) {
        SkinPictures::clear();
        QWidget host;
        host.resize(size);
        SkinForm form(&host);
        form.SkinFile(langFolder() + file);
        useEverySheet(form, folder, sheets);
        QImage target(size, QImage::Format_ARGB32_Premultiplied);
        paint(form, target);
        benchmark::DoNotOptimize(target.bits());
    }
}

void Repaint(benchmark::State& state, const QString& file, QSize size, const QString& folder,
             const QStringList& sheets)
{
    QWidget host;
    host.resize(size);
    SkinForm form(&host);
    form.SkinFile(langFolder() + file);
    useEverySheet(form, folder, sheets);
    QImage target(size, QImage::Format_ARGB32_Premultiplied);
    paint(form, target);  // pictures drawn once
    for (auto _ : state) {
        paint(form, target);
        benchmark::DoNotOptimize(target.bits());
    }
}

const QStringList kViewSheets = {QStringLiteral("Main.svg"), QStringLiteral("Over.svg"),
                                 QStringLiteral("Down.svg"), QStringLiteral("Gray.svg"),
                                 QStringLiteral("NoAudio.svg")};
const QStringList kPanelSheets = {QStringLiteral("Main.svg"), QStringLiteral("Over.svg"),
                                  QStringLiteral("Down.svg"), QStringLiteral("Gray.svg"),
                                  QStringLiteral("Off.svg")};

void BM_OpenVideoWindowSkin(benchmark::State& s)
{
    OpenSkin(s, QStringLiteral("english_2.skn"), QSize(328, 318), QStringLiteral("view/"),
             kViewSheets);
}
void BM_OpenPanelSkin(benchmark::State& s)
{
    OpenSkin(s, QStringLiteral("english_1.skn"), QSize(520, 380), QStringLiteral("panel/"),
             kPanelSheets);
}
void BM_RepaintVideoWindowFrame(benchmark::State& s)
{
    Repaint(s, QStringLiteral("english_2.skn"), QSize(328, 318), QStringLiteral("view/"),
            kViewSheets);
}
void BM_RepaintVideoWindowFrameMaximised(benchmark::State& s)
{
    Repaint(s, QStringLiteral("english_2.skn"), QSize(1920, 1080), QStringLiteral("view/"),
            kViewSheets);
}
void BM_RepaintPanel(benchmark::State& s)
{
    Repaint(s, QStringLiteral("english_1.skn"), QSize(520, 380), QStringLiteral("panel/"),
            kPanelSheets);
}

BENCHMARK(BM_OpenVideoWindowSkin)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenPanelSkin)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RepaintVideoWindowFrame)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RepaintVideoWindowFrameMaximised)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RepaintPanel)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
