// Record entry handlers of the main window.
#include "list/tform3.h"

void Tform3::connectEntry() {}

void Tform3::ColorButton2Click() {}

void Tform3::ColorButton13Click() {}

void Tform3::ColorButton1Click() {}
