// Process entry: the command line is not used.
#include "app/Main.h"

int main() { return LumatrayMain(); }
