#pragma once
// The command line the picture generators share:
//   TOOL OUTPUT.bmp [--preview PREVIEW.png]
// writes the drawn picture as a BMP and, on request, a preview PNG of how the
// program will show it.

#include <QGuiApplication>
#include <QImage>
#include <cstdio>
#include <cstring>

inline int RunPictureTool(int argc, char** argv, const char* name, QImage (*draw)(),
                          QImage (*preview)(const QImage&)) {
    if (argc != 2 && !(argc == 4 && std::strcmp(argv[2], "--preview") == 0)) {
        std::fprintf(stderr, "Usage: %s OUTPUT.bmp [--preview PREVIEW.png]\n", name);
        return 2;
    }
    QGuiApplication app(argc, argv);
    const QImage image = draw();
    if (!image.save(QString::fromLocal8Bit(argv[1]), "BMP")) {
        std::fprintf(stderr, "Cannot write %s\n", argv[1]);
        return 1;
    }
    if (argc == 4 && !preview(image).save(QString::fromLocal8Bit(argv[3]), "PNG")) {
        std::fprintf(stderr, "Cannot write %s\n", argv[3]);
        return 1;
    }
    return 0;
}
