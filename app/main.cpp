// Process entry. The program reads no command line.
#include "app/AppMain.h"

int main(int, char**) { return appMain(); }
