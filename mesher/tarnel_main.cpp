// Entry point of the mesh generator tarnel.
#include "tarnel.h"

#include <cstdlib>

int main(int argc, char **argv)
{
    std::exit(run_tarnel(argc, argv, stdout, stderr));
}
