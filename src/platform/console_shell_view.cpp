#include "console_shell_view.h"

#include <cstdio>

void ConsoleShellView::say(const QString &text)
{
    std::printf("%s\n", qPrintable(text));
    std::fflush(stdout);
}
