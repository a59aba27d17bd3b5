// Process entry: the one argument is a folder or a picture to show.
#include "app/Main.h"

int main(int argc, char** argv) { return LumatrayMain(argc, argv); }
