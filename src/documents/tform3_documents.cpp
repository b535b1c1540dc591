// The main window's doors to the document window.
#include "list/tform3.h"

void Tform3::connectDocuments() {}
