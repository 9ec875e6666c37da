#include "tools/frame_output.h"

#include <QImage>
#include <QImageWriter>
#include <QSaveFile>
#include <vector>

namespace ombrel {

namespace {

bool Commit(QSaveFile& file, const std::string& path, std::string& error) {
    if (!file.commit()) {
        error = "cannot write " + path + ": " + file.errorString().toStdString();
        return false;
    }
    return true;
}

}  // namespace

bool WriteFramePng(const TFrameStore& display, int frame, uint32_t color, const std::string& path,
                   std::string& error) {
    QImage image(display.ScreenWidth, display.ScreenHeight, QImage::Format_RGB32);
    if (image.isNull()) {
        error = "not enough memory for a " + std::to_string(display.ScreenWidth) + "x" +
                std::to_string(display.ScreenHeight) + " image";
        return false;
    }
    image.fill(Qt::black);
    const QRgb ink = qRgb(color & 0xff, (color >> 8) & 0xff, (color >> 16) & 0xff);
    display.Frames[frame].FrameBits.ForEachSet(
        [&](int x, int y) { reinterpret_cast<QRgb*>(image.scanLine(y))[x] = ink; });
    QSaveFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::WriteOnly)) {
        error = "cannot write " + path + ": " + file.errorString().toStdString();
        return false;
    }
    QImageWriter writer(&file, "png");
    if (!writer.write(image)) {
        file.cancelWriting();
        error = "cannot write " + path + ": " + writer.errorString().toStdString();
        return false;
    }
    return Commit(file, path, error);
}

bool WriteFramePbm(const TFrameStore& display, int frame, const std::string& path, std::string& error) {
    QSaveFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::WriteOnly)) {
        error = "cannot write " + path + ": " + file.errorString().toStdString();
        return false;
    }
    const std::string header =
        "P4\n" + std::to_string(display.ScreenWidth) + " " + std::to_string(display.ScreenHeight) + "\n";
    file.write(header.data(), static_cast<qint64>(header.size()));
    // P4 puts the leftmost pixel in the high bit of each byte; a 1 is a set point.
    const size_t rowBytes = static_cast<size_t>((display.ScreenWidth + 7) / 8);
    std::vector<char> bits(rowBytes * static_cast<size_t>(display.ScreenHeight), 0);
    display.Frames[frame].FrameBits.ForEachSet([&](int x, int y) {
        bits[static_cast<size_t>(y) * rowBytes + static_cast<size_t>(x / 8)] |= static_cast<char>(0x80 >> (x % 8));
    });
    file.write(bits.data(), static_cast<qint64>(bits.size()));
    return Commit(file, path, error);
}

}  // namespace ombrel
