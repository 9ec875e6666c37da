#include "tools/frame_output.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QBuffer>
#include <QImage>
#include <QImageWriter>
#include <cerrno>
#include <cstring>
#include <vector>

#include "display/glow_palette.h"
#include "display/hsv_color.h"
#include "engine/overloaded.h"

namespace ombrel {

namespace {

std::string Reason() { return std::strerror(errno); }

bool WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool WriteFileAtomically(const std::string& path, const char* data, size_t size, std::string& error) {
    const size_t slash = path.rfind('/');
    std::string temp = (slash == std::string::npos ? "" : path.substr(0, slash + 1)) + ".ombrel-frames-XXXXXX";
    const int fd = mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) {
        error = "cannot write " + path + ": " + Reason();
        return false;
    }
    // mkostemp makes the file private; give it the mode a new file gets.
    const mode_t mask = umask(0);
    umask(mask);
    bool ok = fchmod(fd, 0666 & ~mask) == 0 && WriteAll(fd, data, size);
    if (!ok) error = "cannot write " + path + ": " + Reason();
    if (close(fd) != 0 && ok) {
        ok = false;
        error = "cannot write " + path + ": " + Reason();
    }
    if (ok && rename(temp.c_str(), path.c_str()) != 0) {
        ok = false;
        error = "cannot write " + path + ": " + Reason();
    }
    if (!ok) unlink(temp.c_str());
    return ok;
}

}  // namespace

bool PrepareOutputFolder(const std::string& dir, std::string& error) {
    for (size_t end = dir.find('/', 1);; end = dir.find('/', end + 1)) {
        const std::string part = dir.substr(0, end);
        if (mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) {
            error = "cannot create output folder " + part + ": " + Reason();
            return false;
        }
        if (end == std::string::npos) break;
    }
    std::string probe = dir + "/.ombrel-frames-XXXXXX";
    const int fd = mkostemp(probe.data(), O_CLOEXEC);
    if (fd < 0) {
        error = "output folder " + dir + " is not writable: " + Reason();
        return false;
    }
    close(fd);
    unlink(probe.c_str());
    return true;
}

bool WriteFramePng(const TFrameStore& display, int frame, const TMorphFrame& colour, const std::string& path,
                   std::string& error) {
    QImage image(display.ScreenWidth, display.ScreenHeight, QImage::Format_RGB32);
    if (image.isNull()) {
        error = "not enough memory for a " + std::to_string(display.ScreenWidth) + "x" +
                std::to_string(display.ScreenHeight) + " image";
        return false;
    }
    image.fill(Qt::black);
    std::visit(TOverloaded{[&](const TFrameList<TDotsFrame>& pictures) {
                               const auto c = static_cast<uint32_t>(
                                   HSVToColor(colour.Hue, colour.Saturation, colour.Brightness));
                               const QRgb ink = qRgb(c & 0xff, (c >> 8) & 0xff, (c >> 16) & 0xff);
                               pictures[frame].FrameBits.ForEachSet(
                                   [&](int x, int y) { reinterpret_cast<QRgb*>(image.scanLine(y))[x] = ink; });
                           },
                           [&](const TFrameList<TGlowFrame>& pictures) {
                               const TGlowPlane picture =
                                   pictures[frame].Picture()->Plane(display.ScreenWidth, display.ScreenHeight);
                               const TGlowPalette palette(colour.Hue, colour.Saturation, colour.Brightness);
                               const uint8_t* light = picture.Light.get();
                               for (int y = 0; y < display.ScreenHeight; ++y) {
                                   auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
                                   for (int x = 0; x < display.ScreenWidth; ++x, ++light) {
                                       uint32_t red, green, blue;
                                       palette.Pixel(*light, picture.ShadeAt(x, y), red, green, blue);
                                       row[x] = qRgb(red, green, blue);
                                   }
                               }
                           }},
               display.Pictures);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (!writer.write(image)) {
        error = "cannot encode " + path + ": " + writer.errorString().toStdString();
        return false;
    }
    return WriteFileAtomically(path, png.constData(), static_cast<size_t>(png.size()), error);
}

bool WriteFramePbm(const TFrameStore& display, int frame, const std::string& path, std::string& error) {
    const TFrameList<TDotsFrame>* pictures = display.PicturesOf<TDotsFrame>();
    if (!pictures) {
        error = "a PBM image holds only frames of dots";
        return false;
    }
    const std::string header =
        "P4\n" + std::to_string(display.ScreenWidth) + " " + std::to_string(display.ScreenHeight) + "\n";
    // P4 puts the leftmost pixel in the high bit of each byte; a 1 is a set point.
    const size_t rowBytes = static_cast<size_t>((display.ScreenWidth + 7) / 8);
    std::vector<char> bytes(header.begin(), header.end());
    bytes.resize(header.size() + rowBytes * static_cast<size_t>(display.ScreenHeight), 0);
    char* bits = bytes.data() + header.size();
    (*pictures)[frame].FrameBits.ForEachSet([&](int x, int y) {
        bits[static_cast<size_t>(y) * rowBytes + static_cast<size_t>(x / 8)] |= static_cast<char>(0x80 >> (x % 8));
    });
    return WriteFileAtomically(path, bytes.data(), bytes.size(), error);
}

}  // namespace ombrel
