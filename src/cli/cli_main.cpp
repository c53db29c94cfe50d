#include "cli/cli_app.h"

#include <QGuiApplication>
#include <cstring>
#include <memory>
#include <vector>

int main(int argc, char **argv)
{
    QStringList args;
    bool render = false;
    for (int i = 1; i < argc; ++i) {
        args << QString::fromLocal8Bit(argv[i]);
        render = render || std::strcmp(argv[i], "render") == 0;
    }
    // Drawing names needs fonts, which need a GUI application; render gets one that never
    // looks for a display.
    std::vector<char *> qtArgs(argv, argv + argc);
    char platform[] = "-platform", offscreen[] = "offscreen";
    int qtArgc = argc;
    std::unique_ptr<QCoreApplication> app;
    if (render) {
        qtArgs.insert(qtArgs.begin() + 1, {platform, offscreen});
        qtArgc += 2;
        qtArgs.push_back(nullptr);
        app = std::make_unique<QGuiApplication>(qtArgc, qtArgs.data());
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    QCoreApplication::setApplicationName(QStringLiteral("pointra"));
    return runCli(args);
}
