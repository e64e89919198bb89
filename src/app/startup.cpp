#include "app/startup.h"

#include "foundation/globals.h"

#include <QApplication>

int RunProgram(int argc, char** argv)
{
    QApplication app(argc, argv);
    InitGlobalVariable();
    return 0;
}
