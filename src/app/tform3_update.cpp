// The main window's update check.
#include "list/tform3.h"

void Tform3::Aktualizaceprogr(bool quiet)
{
    (void)quiet;
}
