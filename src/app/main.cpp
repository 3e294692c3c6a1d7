#include "app/startup.h"

int main(int argc, char **argv)
{
    return vantrel::RunVantrel(argc, argv);
}
