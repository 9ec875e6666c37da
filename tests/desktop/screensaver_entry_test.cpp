// xscreensaver's settings build Ombrel's dialog from ombrel.xml: every
// argument it can pass must be one the program takes, and its defaults the program's.
#include <gtest/gtest.h>

#include <QFile>
#include <QXmlStreamReader>
#include <string>
#include <vector>

#include "app/command_line.h"

using namespace ombrel;

namespace {

// The command line a setting gives, parsed; nothing when the program refuses it.
std::optional<TCommandLine> Accepts(const QString& arg, const QString& value = {}) {
    std::vector<std::string> args;
    for (const QString& word : QString(arg).replace("%", value).split(' ', Qt::SkipEmptyParts))
        args.push_back(word.toStdString());
    std::string error;
    return ParseCommandLine(args, error);
}

// The designed show's value of the option an argument sets.
double DefaultOf(const QString& arg) {
    const TShowOptions show;
    if (arg.startsWith("--hold")) return show.Hold;
    if (arg.startsWith("--morph")) return show.Morph;
    if (arg.startsWith("--fps")) return show.Fps;
    if (arg.startsWith("--density")) return show.Density;
    ADD_FAILURE() << "an option the test does not know: " << arg.toStdString();
    return -1;
}

}  // namespace

TEST(ScreensaverEntry, EveryArgumentIsTheProgramsAndEveryDefaultItsDefault) {
    QFile file(OMBREL_XML);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&file);
    int numbers = 0, choices = 0, withoutArgument = 0;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) continue;
        const QXmlStreamAttributes a = xml.attributes();
        if (xml.name() == u"command") {
            EXPECT_TRUE(Accepts(a.value("arg").toString()));
        } else if (xml.name() == u"number") {
            ++numbers;
            const QString arg = a.value("arg").toString();
            for (const char* bound : {"low", "high", "default"})
                EXPECT_TRUE(Accepts(arg, a.value(bound).toString())) << arg.toStdString() << " " << bound;
            EXPECT_EQ(a.value("default").toDouble(), DefaultOf(arg)) << arg.toStdString();
        } else if (xml.name() == u"option") {
            ++choices;
            if (!a.hasAttribute("arg-set")) {
                ++withoutArgument;  // the default: the program's own
                continue;
            }
            const auto parsed = Accepts(a.value("arg-set").toString());
            ASSERT_TRUE(parsed) << a.value("arg-set").toString().toStdString();
            EXPECT_TRUE(parsed->Show.Monitors != TShowOptions().Monitors || parsed->Show.Style != TShowOptions().Style);
        }
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_EQ(numbers, 4);
    EXPECT_EQ(choices, 5);
    EXPECT_EQ(withoutArgument, 2);
}
