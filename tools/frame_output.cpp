#include "tools/frame_output.h"

#include <QImage>
#include <QImageWriter>
#include <QSaveFile>
#include <vector>

namespace ombrel {

uint64_t FrameHash(const TFrameStore& display, int frame) {
    uint64_t h = 0xcbf29ce484222325ull;
    const TFrameBits& bits = display.Frames[frame].FrameBits;
    for (int y = 0; y < bits.Rows(); ++y) {
        const std::atomic<uint32_t>* row = bits.Row(y);
        for (int w = 0; w < bits.RowWords(); ++w) {
            const uint32_t word = row[w].load(std::memory_order_relaxed);
            for (int b = 0; b < 4; ++b) {
                h ^= (word >> (8 * b)) & 0xffu;
                h *= 0x100000001b3ull;
            }
        }
    }
    return h;
}

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
    for (int y = 0; y < display.ScreenHeight; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < display.ScreenWidth; ++x)
            if (display.mb_getpixel(frame, x, y)) line[x] = ink;
    }
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
    std::vector<char> line(static_cast<size_t>((display.ScreenWidth + 7) / 8));
    for (int y = 0; y < display.ScreenHeight; ++y) {
        std::fill(line.begin(), line.end(), 0);
        for (int x = 0; x < display.ScreenWidth; ++x)
            if (display.mb_getpixel(frame, x, y)) line[static_cast<size_t>(x / 8)] |= static_cast<char>(0x80 >> (x % 8));
        file.write(line.data(), static_cast<qint64>(line.size()));
    }
    return Commit(file, path, error);
}

}  // namespace ombrel
