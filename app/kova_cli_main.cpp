// kova-cli: the headless companion of the desktop program.
#include "app/Cli.h"

int main(int argc, char** argv) { return kova::CLI_Main(argc, argv); }
