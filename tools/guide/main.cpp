// korvant-guide: what the user guide takes from the program itself.
//
//   korvant-guide codes                  the table of result codes (HTML), from
//                                        the table the program explains them with
//   korvant-guide screenshots DIR        the guide's screenshots, made from the
//                                        real windows against simulated registers
//   korvant-guide screenshots --list     the names of those screenshots
//
// Not installed: the guide's build and scripts/screenshots.sh run it.
#include "guideshots.h"
#include "help/userguide.h"

#include "link/resultexplanation.h"

#include <QApplication>
#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

namespace {

int printCodes()
{
    QTextStream out(stdout);
    out.setCodec("UTF-8");
    out << QStringLiteral(
        "<table class=\"codes\">\n<tr><th>Код</th><th>Что он значит и что делать</th></tr>\n");
    for (const int code : resultCodes()) {
        // An anchor of its own for each code: the "Справка" button of a box
        // that shows the code opens the guide there.
        const QString anchor = UserGuide::resultCodeAnchor(code);
        out << "<tr id=\"" << anchor << "\"><td><a name=\"" << anchor << "\"></a>" << code << "</td><td>"
            << resultExplanation(code).toHtmlEscaped() << "</td></tr>\n";
    }
    out << QStringLiteral("</table>\n<p id=\"write-begun\">Если запись в ККТ уже началась, к объяснению "
                          "добавляется: «")
        << writeBegunNote().toHtmlEscaped() << QStringLiteral("»</p>\n");
    return 0;
}

int usage()
{
    std::fprintf(stderr, "usage: korvant-guide codes | screenshots DIR | screenshots --list\n");
    return 2;
}

} // namespace

int main(int argc, char *argv[])
{
    const QByteArray command = argc > 1 ? QByteArray(argv[1]) : QByteArray();
    if (command == "codes" && argc == 2) {
        QCoreApplication app(argc, argv);
        return printCodes();
    }
    if (command == "screenshots" && argc == 3) {
        if (QByteArray(argv[2]) == "--list") {
            for (const QString &name : GuideShots::names())
                std::printf("%s.png\n", qPrintable(name));
            return 0;
        }
        QApplication app(argc, argv);
        return GuideShots(QString::fromLocal8Bit(argv[2])).run() ? 0 : 1;
    }
    return usage();
}
