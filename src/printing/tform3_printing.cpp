// The main window's printing buttons.
#include "list/tform3.h"

void Tform3::connectPrinting() {}
