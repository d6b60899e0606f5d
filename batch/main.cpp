// gloamery-batch: the control panel's operations from the command line.
// Links no toolkit library: a run on plain files starts and ends without
// loading one (see batch_run.cpp).

#include "batch_run.h"

#include <unistd.h>

#include <iostream>

int main(int argc, char** argv)
{
    return gloamery::batch::runTool(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr,
                                   ::isatty(STDERR_FILENO) == 1);
}
