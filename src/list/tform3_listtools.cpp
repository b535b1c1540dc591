// The list grid's tools: ordering, selection, search, sum and export.
#include "list/tform3.h"

void Tform3::connectListTools() {}
