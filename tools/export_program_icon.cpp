// Writes the program's picture into an icon theme folder: hicolor/NxN/apps/quillonv.png for every size given,
// and hicolor/scalable/apps/quillonv.svg, the same drawing as vectors.
// Usage: export_program_icon THEME_FOLDER SIZE...

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QSvgGenerator>
#include <cstdio>
#include <string>

#include "ui/ProgramIconDrawing.h"

namespace {

constexpr char kIconName[] = "quillonv";

bool WritePng(const QString& theme, int size) {
    const QString folder = QStringLiteral("%1/hicolor/%2x%2/apps").arg(theme).arg(size);
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    ui::DrawProgramLetter(painter, size);
    painter.end();
    return QDir().mkpath(folder) && image.save(QStringLiteral("%1/%2.png").arg(folder, kIconName), "PNG");
}

bool WriteSvg(const QString& theme) {
    const QString folder = theme + QStringLiteral("/hicolor/scalable/apps");
    if (!QDir().mkpath(folder)) return false;
    constexpr int kSide = 16;  // the drawing's own grid; the viewer scales it
    QSvgGenerator svg;
    svg.setFileName(QStringLiteral("%1/%2.svg").arg(folder, kIconName));
    svg.setSize(QSize(kSide, kSide));
    svg.setViewBox(QRect(0, 0, kSide, kSide));
    svg.setTitle(QStringLiteral("QuillonV"));
    QPainter painter;
    if (!painter.begin(&svg)) return false;
    ui::DrawProgramLetter(painter, kSide);
    return painter.end();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s THEME_FOLDER SIZE...\n", argv[0]);
        return 2;
    }
    // No display at build time; the picture needs none.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    const QString theme = QString::fromLocal8Bit(argv[1]);
    for (int i = 2; i < argc; ++i) {
        const int size = std::stoi(argv[i]);
        if (!WritePng(theme, size)) {
            std::fprintf(stderr, "%s: cannot write the %d px icon into %s\n", argv[0], size, argv[1]);
            return 1;
        }
    }
    if (!WriteSvg(theme)) {
        std::fprintf(stderr, "%s: cannot write the scalable icon into %s\n", argv[0], argv[1]);
        return 1;
    }
    return 0;
}
