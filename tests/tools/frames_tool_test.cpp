#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct TRun {
    int Code;
    std::string Out;
};

// Runs the tool with the given arguments; stdout is captured, stderr goes to
// a file of this run's own, so that runs side by side do not mix.
TRun RunTool(const std::string& args, std::string* err = nullptr) {
    const QTemporaryDir scratch;
    const std::string errFile = scratch.filePath("stderr").toStdString();
    const std::string cmd = std::string(OMBREL_FRAMES_TOOL) + " " + args + " 2>" + errFile;
    FILE* p = popen(cmd.c_str(), "r");
    std::string out;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    const int status = pclose(p);
    if (err) {
        QFile f(QString::fromStdString(errFile));
        f.open(QIODevice::ReadOnly);
        *err = f.readAll().toStdString();
    }
    return {WEXITSTATUS(status), out};
}

}  // namespace

TEST(FramesTool, HashLinesArePinnedForFixedSeeds) {
    // Fingerprints of the engine: a change here changes what users see.
    const TRun run = RunTool("--seed 0x5eed --display 640x480 --display 333x200 --cycles 2 "
                             "--request koch@2 --frames 1,2,26,50 --hash");
    ASSERT_EQ(run.Code, 0);
    EXPECT_EQ(run.Out,
              "1 0 1 0a6fb8af536edb25 0 0 255 ffffff\n"
              "1 0 2 dad6b5949c37d41c 0.0084315882436931128 0.00042498147580772639 255 ffffff\n"
              "1 0 26 71946424829ebb72 0.21078970609232783 0.01062453689519316 255 fefffc\n"
              "1 0 50 63b621446920fa8e 0.42157941218465567 0.021249073790386319 255 fafffc\n"
              "1 1 1 ce3da0c822aa02a5 0 0 255 ffffff\n"
              "1 1 2 fbe52f4be6b7c465 0.0084315882436931128 0.00042498147580772639 255 ffffff\n"
              "1 1 26 d60dafece76143ec 0.21078970609232783 0.01062453689519316 255 fefffc\n"
              "1 1 50 f2188dfdfd009c78 0.42157941218465567 0.021249073790386319 255 fafffc\n"
              "2 0 1 63b621446920fa8e 0.42157941218465567 0.021249073790386319 255 fafffc\n"
              "2 0 2 ef1fdddc1430d338 0.41314782394096256 0.020824092314578591 255 fafffc\n"
              "2 0 26 ba2cfde20a1e94ba 0.21078970609232783 0.01062453689519316 255 fefffc\n"
              "2 0 50 66159c9cbb27dc7e 0 0 255 ffffff\n"
              "2 1 1 f2188dfdfd009c78 0.42157941218465567 0.021249073790386319 255 fafffc\n"
              "2 1 2 19975683267e9a69 0.41314782394096256 0.020824092314578591 255 fafffc\n"
              "2 1 26 33a5b287c3fb16b5 0.21078970609232783 0.01062453689519316 255 fefffc\n"
              "2 1 50 cccfef2a189a19bd 0 0 255 ffffff\n");
    EXPECT_EQ(RunTool("--seed 4000000000 --frames 50 --hash").Out,
              "1 0 50 d0289b77b987cd9a 0.7084971412550658 0.22082733362913132 255 d5c7ff\n");
    // Glow: the light of every pixel, the same on every machine; the colours those of the dots.
    EXPECT_EQ(RunTool("--style glow --seed 0x5eed --display 160x100 --display 97x61 --cycles 2 --frames 2,50 --hash").Out,
              "1 0 2 78184c7a115a1433 0.0084315882436931128 0.00042498147580772639 255 ffffff\n"
              "1 0 50 8ea34ba4c0d76a3b 0.42157941218465567 0.021249073790386319 255 fafffc\n"
              "1 1 2 a4c7f58e2282a783 0.0084315882436931128 0.00042498147580772639 255 ffffff\n"
              "1 1 50 7aff5df0926d692e 0.42157941218465567 0.021249073790386319 255 fafffc\n"
              "2 0 2 e145562f292d3c07 0.42306772070471199 0.032034489414654671 255 f7fffb\n"
              "2 0 50 2d8f0ad353c66ad5 0.49599483818747103 0.56051985500380397 255 70fffc\n"
              "2 1 2 0edd9df81164b59a 0.42306772070471199 0.032034489414654671 255 f7fffb\n"
              "2 1 50 3d1fe1eb21543a21 0.49599483818747103 0.56051985500380397 255 70fffc\n");
}

TEST(FramesTool, WritesPngAsDrawnAndPbmAsTheRawBitmap) {
    QTemporaryDir dir;
    const std::string out = dir.path().toStdString();
    ASSERT_EQ(RunTool("--seed 9 --display 70x40 --frames 49-50 --out " + out).Code, 0);
    ASSERT_EQ(RunTool("--seed 9 --display 70x40 --frames 50 --format pbm --out " + out).Code, 0);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList({"c1_d0_f49.png", "c1_d0_f50.pbm", "c1_d0_f50.png"}));

    QFile pbm(dir.filePath("c1_d0_f50.pbm"));
    ASSERT_TRUE(pbm.open(QIODevice::ReadOnly));
    const QByteArray data = pbm.readAll();
    ASSERT_TRUE(data.startsWith("P4\n70 40\n"));
    const QByteArray bits = data.mid(9);
    ASSERT_EQ(bits.size(), 9 * 40);

    const QImage png(dir.filePath("c1_d0_f50.png"));
    ASSERT_EQ(png.size(), QSize(70, 40));
    const TRun hash = RunTool("--seed 9 --display 70x40 --frames 50 --hash");
    // The hash line's colour, RRGGBB, is the PNG's ink.
    const QRgb inkRgb = 0xff000000u | QString::fromStdString(hash.Out.substr(hash.Out.size() - 7, 6)).toUInt(nullptr, 16);
    int set = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 70; ++x) {
            const bool bit = (static_cast<unsigned char>(bits[y * 9 + x / 8]) >> (7 - x % 8)) & 1;
            set += bit;
            ASSERT_EQ(png.pixel(x, y), bit ? inkRgb : qRgb(0, 0, 0)) << x << "," << y;
        }
    EXPECT_GT(set, 10);
}

TEST(FramesTool, RejectsBadInputBeforeWritingAnything) {
    QTemporaryDir dir;
    const std::string out = " --out " + dir.path().toStdString();
    const char* bad[] = {
        "--bogus",           "--seed",           "--seed -1",          "--seed 0x123456789",
        "--seed 4294967296", "--seed 12ab",      "--display 0x100",    "--display 100x-5",
        "--display 16385x10", "--display axb",   "--display 100",      "--cycles 0",
        "--cycles x",        "--request tree@1", "--request fern@0",   "--request fern@3",
        "--request fern",    "--frames 0",       "--frames 51",        "--frames 3-2",
        "--frames 1,,2",     "--format jpg",     "--frames",           "--style",
        "--style neon",      "--style glow --format pbm",
    };
    for (const char* args : bad) {
        std::string err;
        const TRun run = RunTool(std::string(args) + out, &err);
        EXPECT_EQ(run.Code, 2) << args;
        EXPECT_NE(err.find("ombrel-frames: "), std::string::npos) << args;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << args << ": " << err;
    }
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());

    std::string err;
    EXPECT_EQ(RunTool("--hash --out /proc/ombrel/none", &err).Code, 2);
    EXPECT_NE(err.find("output folder"), std::string::npos);
    EXPECT_EQ(RunTool("--seed 1", &err).Code, 2);
    EXPECT_EQ(RunTool("--help").Code, 0);
}

TEST(FramesTool, OutputThatCannotBeWrittenIsOneLineExitOneAndNoFileLeft) {
    std::string err;
    // The fingerprints into a full device.
    EXPECT_EQ(RunTool("--seed 1 --display 64x48 --hash >/dev/full", &err).Code, 1);
    EXPECT_EQ(err, "ombrel-frames: cannot write the fingerprints: No space left on device\n");

    // Images onto a disk that fills up: a file size limit stands in for it.
    QTemporaryDir dir;
    const std::string out = dir.path().toStdString();
    const std::string tool = "bash -c 'ulimit -f 8; trap \"\" XFSZ; exec " + std::string(OMBREL_FRAMES_TOOL) + " \"$@\"' -";
    const std::string cmd = tool + " --seed 1 --display 640x480 --format pbm --out " + out + " 2>" + out + "/../err.txt";
    EXPECT_EQ(WEXITSTATUS(std::system(cmd.c_str())), 1);
    QFile errors(dir.path() + "/../err.txt");
    ASSERT_TRUE(errors.open(QIODevice::ReadOnly));
    EXPECT_EQ(errors.readAll().toStdString(), "ombrel-frames: cannot write " + out + "/c1_d0_f01.pbm: File too large\n");
    errors.remove();
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());
}

TEST(FramesTool, OutputPathsAreTakenByteForByte) {
    QTemporaryDir dir;
    // Not UTF-8: a folder named by the bytes 0xff 0xfe.
    const std::string out = dir.path().toStdString() + "/\xff\xfe";
    ASSERT_EQ(RunTool("--seed 2 --display 40x30 --frames 50 --format pbm --out '" + out + "'").Code, 0);
    struct stat st {};
    EXPECT_EQ(stat((out + "/c1_d0_f50.pbm").c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 9 + 5 * 30);
    // Qt cannot name it to remove it.
    unlink((out + "/c1_d0_f50.pbm").c_str());
    rmdir(out.c_str());
}

namespace {

// The hash lines of a run, without the cycle numbers' spread: "display frame hash colour".
std::vector<std::string> Lines(const std::string& out) {
    std::vector<std::string> lines;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

QImage Frame(const QString& dir, int display, int frame) {
    return QImage(QString("%1/c1_d%2_f%3.pbm").arg(dir).arg(display).arg(frame, 2, 10, QChar('0')));
}

}  // namespace

TEST(FramesTool, SpanShowsEachDisplayItsPartOfOneBigDisplay) {
    QTemporaryDir whole, parts;
    ASSERT_EQ(RunTool("--seed 77 --display 300x200 --frames 2,30,50 --format pbm --out " + whole.path().toStdString()).Code, 0);
    ASSERT_EQ(RunTool("--seed 77 --monitors span --display 180x120+0+0 --display 120x150+180+50 --frames 2,30,50 "
                      "--format pbm --out " + parts.path().toStdString())
                  .Code,
              0);
    int lit = 0;
    for (int f : {2, 30, 50}) {
        const QImage all = Frame(whole.path(), 0, f);
        ASSERT_EQ(all.size(), QSize(300, 200));
        for (const QImage& part : {all.copy(0, 0, 180, 120), all.copy(180, 50, 120, 150)})
            for (int y = 0; y < part.height(); ++y)
                for (int x = 0; x < part.width(); ++x) lit += part.pixelIndex(x, y) != 0;
        EXPECT_EQ(Frame(parts.path(), 0, f), all.copy(0, 0, 180, 120)) << f;
        EXPECT_EQ(Frame(parts.path(), 1, f), all.copy(180, 50, 120, 150)) << f;
    }
    EXPECT_GT(lit, 100);
}

TEST(FramesTool, ASpanTooFarApartSaysSoAndShowsTheSameFigure) {
    std::string err;
    const TRun apart = RunTool("--seed 77 --monitors span --display 320x200+0+0 --display 320x200+40320+0 --frames 50 --hash", &err);
    ASSERT_EQ(apart.Code, 0);
    EXPECT_EQ(err, "ombrel-frames: the monitors lie too far apart to span: the box around them is 63.5 times their "
                   "area; each shows the same figure (--monitors same)\n");
    EXPECT_EQ(apart.Out, RunTool("--seed 77 --display 320x200 --display 320x200 --frames 50 --hash").Out);
}

TEST(FramesTool, EachGivesEveryDisplayAFigureOfItsOwnAndTheFirstOneIsTheSameShow) {
    const auto same = Lines(RunTool("--seed 5 --display 320x200 --frames 50 --hash").Out);
    const auto each = Lines(RunTool("--seed 5 --monitors each --display 320x200 --display 320x200 --frames 50 --hash").Out);
    ASSERT_EQ(same.size(), 1u);
    ASSERT_EQ(each.size(), 2u);
    EXPECT_EQ(each[0], same[0]);
    // Another figure, in another colour.
    EXPECT_NE(each[1].substr(6, 16), each[0].substr(6, 16));
    EXPECT_NE(each[1].substr(each[1].size() - 6), each[0].substr(each[0].size() - 6));
}

TEST(FramesTool, MorphAndFrameRateMakeTheFramesAndDensityThePoints) {
    // A 4-second morph at 30 frames a second: 120 frames.
    const auto frames = Lines(RunTool("--seed 5 --display 160x100 --morph 4 --fps 30 --hash").Out);
    ASSERT_EQ(frames.size(), 120u);
    EXPECT_EQ(frames.back().substr(0, 8), "1 0 120 ");
    std::string err;
    EXPECT_EQ(RunTool("--seed 5 --display 160x100 --frames 51 --hash", &err).Code, 2);
    EXPECT_EQ(err, "ombrel-frames: --frames names frame 51 but a morph has 50 frames\n");

    QTemporaryDir sparse, dense;
    ASSERT_EQ(RunTool("--seed 5 --display 400x300 --frames 50 --format pbm --out " + sparse.path().toStdString()).Code, 0);
    ASSERT_EQ(RunTool("--seed 5 --display 400x300 --frames 50 --density 4 --format pbm --out " + dense.path().toStdString()).Code, 0);
    auto lit = [](const QImage& image) {
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) n += image.pixelIndex(x, y) != 0;
        return n;
    };
    EXPECT_GT(lit(Frame(dense.path(), 0, 50)), lit(Frame(sparse.path(), 0, 50)) * 2);

    // Beyond what memory allows: refused before anything is made.
    EXPECT_EQ(RunTool("--display 16384x16384 --morph 60 --fps 120 --hash", &err).Code, 2);
    EXPECT_NE(err.find("7200 frames a morph on these displays would take 230400 MB"), std::string::npos) << err;
}
