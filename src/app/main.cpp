// The velk executable: the whole run lives in the library (app/velk_run.h) so that tests
// reach every step of it.

#include "app/velk_run.h"

int main(int argc, char** argv) { return velk_run(argc, argv); }
