// gloamery-batch: the control panel's operations from the command line.

#include "batch_run.h"

#include <QCoreApplication>

#include <iostream>

int main(int argc, char** argv)
{
    // A core application only: the tool must run with no display at all.
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    return gloamery::batch::runTool(args, std::cout, std::cerr);
}
