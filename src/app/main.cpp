#include "monitor/startup.h"

int main(int argc, char **argv)
{
    return vantrel::RunVantrel(argc, argv);
}
