#include "program.h"
#include "qtservices.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("dieci"));
    QApplication::setDesktopFileName(QStringLiteral("dieci"));

    platform::QtServices services(QStringLiteral("dieci"));
    drill::Program program(services);
    program.start();
    return QApplication::exec();
}
