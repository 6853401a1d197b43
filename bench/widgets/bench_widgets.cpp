// How long the explorer-style button's glyph work and the effect label's
// composition take: the shaded glyph is made once per change of the glyph,
// the label picture once per paint.
#include "widgets/explbtnlayout.h"
#include "widgets/lbleffctpaint.h"

#include <QGuiApplication>
#include <benchmark/benchmark.h>

static QImage sampleGlyph(int side)
{
    QImage img(side, side, QImage::Format_RGB32);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
            img.setPixel(x, y, qRgb(x * 255 / side, y * 255 / side, (x + y) % 256));
    return img;
}

static void BM_ShadeGlyph(benchmark::State &state)
{
    const QImage glyph = sampleGlyph(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(explbtn::shadeGlyph(glyph, explbtn::Shading::Medium, Qt::white, Qt::gray));
    state.SetItemsProcessed(state.iterations() * state.range(0) * state.range(0));
}
BENCHMARK(BM_ShadeGlyph)->Arg(20)->Arg(256);

static void BM_PlaceContent(benchmark::State &state)
{
    explbtn::LayoutInput in;
    in.width = 23;
    in.height = 22;
    in.glyphWidth = in.glyphHeight = 20;
    for (auto _ : state) {
        in.layout = explbtn::GlyphLayout(state.iterations() % 4);
        benchmark::DoNotOptimize(explbtn::placeContent(in));
    }
}
BENCHMARK(BM_PlaceContent);

static void BM_RenderLabel(benchmark::State &state)
{
    lbleffct::LabelLook look;
    look.size = QSize(142, 33);
    look.caption = QStringLiteral("Welcome!");
    look.font = QFont(QStringLiteral("Times New Roman"), 20);
    look.fontColour = QColor(128, 128, 128);
    look.highlight = Qt::white;
    look.shadow = Qt::black;
    look.angle = int(state.range(0));
    look.trig = lbleffct::angleTrig(look.angle);
    look.graduate = int(state.range(1));
    look.graduateFrom = Qt::red;
    if (look.angle != 0)
        look.size = QSize(200, 200);
    for (auto _ : state)
        benchmark::DoNotOptimize(lbleffct::renderLabel(look, QImage()));
}
BENCHMARK(BM_RenderLabel)->Args({0, 0})->Args({0, 1})->Args({45, 0})->Args({45, 2})->Unit(benchmark::kMicrosecond);

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
